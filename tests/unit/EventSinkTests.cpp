// The event sink's answers to well-formed and malformed notifications.
#include "tests/unit/AgentFixture.h"

#include "agent/AgentEventSink.h"
#include "tests/support/Variants.h"

namespace {

class RecordingClient : public AgentClient {
public:
    void OnProgress(int percent) override { seen.push_back("progress:" + std::to_string(percent)); }
    void OnStatus(int code) override { seen.push_back("status:" + std::to_string(code)); }
    std::vector<std::string> seen;
};

HRESULT Notify(IDispatch& sink, DISPID id, std::vector<VARIANT> args, bool withParams = true) {
    DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return sink.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, withParams ? &params : nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(EventSink, ChecksRunInOrderAndMalformedNotificationsReachNobody) {
    RecordingClient client;
    AgentEventSink sink(&client);
    EXPECT_EQ(Notify(sink, 7, {}, false), DISP_E_PARAMNOTFOUND);  // before the unknown id
    EXPECT_EQ(Notify(sink, 3, {I2(1)}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Notify(sink, 3, {I2(1), I2(2)}), DISP_E_MEMBERNOTFOUND);  // before the count
    EXPECT_EQ(Notify(sink, 2, {I2(1), I2(2)}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Notify(sink, 1, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Notify(sink, 2, {I4(19)}), DISP_E_TYPEMISMATCH);
    DISPPARAMS noArray = {nullptr, nullptr, 1, 0};
    EXPECT_EQ(sink.Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &noArray, nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_TRUE(client.seen.empty());
}

TEST(EventSink, ValuesAreWidenedWithTheirSign) {
    RecordingClient client;
    AgentEventSink sink(&client);
    EXPECT_EQ(Notify(sink, 1, {I2(static_cast<SHORT>(0xFFFF))}), S_OK);
    EXPECT_EQ(Notify(sink, 1, {I2(40)}), S_OK);
    EXPECT_EQ(Notify(sink, 2, {I2(19)}), S_OK);
    EXPECT_EQ(Notify(sink, 2, {I2(-32768)}), S_OK);
    EXPECT_EQ(client.seen, (std::vector<std::string>{"progress:-1", "progress:40", "status:19", "status:-32768"}));
}

TEST(EventSink, AnswersItsInterfacesAndLivesAsLongAsItsClientWhateverItsReferences) {
    RecordingClient client;
    AgentEventSink sink(&client);
    void* out = reinterpret_cast<void*>(1);
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, agentproto::EVENT_IID}) {
        EXPECT_EQ(sink.QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<IDispatch*>(&sink));
    }
    EXPECT_EQ(sink.QueryInterface(IID_IConnectionPoint, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    // The agent's process holds references it may never give back, or gives back one too many
    // when it dies: the sink neither goes nor stops passing notifications on.
    for (int i = 0; i < 3; ++i) sink.AddRef();
    for (int i = 0; i < 6; ++i) sink.Release();
    EXPECT_EQ(Notify(sink, 2, {I2(11)}), S_OK);
    EXPECT_EQ(client.seen, std::vector<std::string>{"status:11"});
}

TEST_F(AgentTest, NotificationsFromTheAgentReachTheController) {
    Connected();
    agent.AnswerText(DispGetCurrentFileName, L"x.mp3");
    EXPECT_EQ(agent.Fire(2, 13), S_OK);
    EXPECT_EQ(agent.Fire(1, 55), S_OK);
    EXPECT_EQ(host.display, (std::vector<std::string>{"uploading:x.mp3", "progress:55/0"}));
}

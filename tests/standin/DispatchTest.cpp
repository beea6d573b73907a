// The request object's late-bound surface: answers of a fresh agent and argument checks.
#include "EventSink.h"
#include "StandinTest.h"
#include "agent/AgentProtocol.h"

using namespace agentproto;

using DispatchTest = StandinTest;

TEST_F(DispatchTest, FreshAgentAnswersVersionStateAndNames) {
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);
    EXPECT_EQ(L"1.6.0", TextOf(agent.Get(), DispGetVersion));
    EXPECT_EQ(10, Number(agent.Get(), DispGetStatus, VT_I2));
    EXPECT_EQ(0, Number(agent.Get(), DispIsSignedIn, VT_I4));
    EXPECT_EQ(0, Number(agent.Get(), DispGetFilesToGo, VT_I2));
    EXPECT_EQ(L"", TextOf(agent.Get(), DispGetCurrentFileName));
    EXPECT_EQ(0, Number(agent.Get(), DispIsUpgradeAvailable, VT_I4));

    EventSink sink;
    Advise(agent.Get(), &sink);
    SetAgentValue("UpgradeAvailable", 1);
    EXPECT_EQ(1, Number(agent.Get(), DispIsUpgradeAvailable, VT_I4));
    EXPECT_HRESULT_SUCCEEDED(Call(agent.Get(), DispUpgrade, {}));
    ASSERT_TRUE(sink.WaitForStatus(10));
    EXPECT_EQ("S17 S10", sink.Joined());
    EXPECT_EQ(0, Number(agent.Get(), DispIsUpgradeAvailable, VT_I4));  // installed

    wchar_t known[] = L"getfilestogo", unknown[] = L"Explode";
    LPOLESTR names[] = {known};
    DISPID id = 0;
    EXPECT_HRESULT_SUCCEEDED(agent->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
    EXPECT_EQ(DispGetFilesToGo, id);
    names[0] = unknown;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, agent->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
}

TEST_F(DispatchTest, RefusesUnknownIdsWrongCountsAndWrongTypes) {
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);
    IDispatch* a = agent.Get();

    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(a, 99, {}));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(a, 0, {}));
    for (DISPID inert : {5, 9, 10, 11, 16}) EXPECT_HRESULT_SUCCEEDED(Call(a, inert, {I4(1)})) << inert;

    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(a, DispUpload, {Text(L"C:\\a.mp3")}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(a, DispGetVersion, {I4(0)}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(a, DispSignOut, {}));

    UINT argError = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(a, DispSignIn, {Text(L"a@b.com"), I4(5), Text(L"")}, nullptr, &argError));
    EXPECT_EQ(1u, argError);  // rgvarg index: the middle of three
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(a, DispUpload, {Text(L"C:\\a.mp3"), Text(L"yes")}, nullptr, &argError));
    EXPECT_EQ(0u, argError);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(a, DispConfigure, {Text(L"5")}));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(a, DispRegisterUser, {I4(0)}));
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(a, DispOpenLocker, {empty}));  // must be by reference

    // What Parcelo sends is accepted.
    EXPECT_HRESULT_SUCCEEDED(Call(a, DispConfigure, {I2(5)}));
    EXPECT_HRESULT_SUCCEEDED(Call(a, DispSignOut, {I4(0)}));
    EXPECT_HRESULT_SUCCEEDED(Call(a, DispRegisterUser, {Text(L"opaque")}));

    VARIANT named = I4(0);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&named, &put, 1, 1};
    EXPECT_EQ(DISP_E_NONAMEDARGS, a->Invoke(DispSignOut, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
}

// Scripted mode (the test prefix registers the agent with /scripted): answers, events and
// the call log decided by HKCU\Software\Velorex\UploadAgent\Script.
#include "EventSink.h"
#include "StandinTest.h"
#include "agent/AgentProtocol.h"
#include "tests/support/Files.h"

using namespace agentproto;

using ScriptTest = StandinTest;

TEST_F(ScriptTest, ScriptDecidesResultsAndFiresEventsInsideTheCall) {
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);
    EventSink sink;
    Advise(agent.Get(), &sink);

    SetScript("13.vt", VT_I4);
    SetScript("13.value", 7);
    Result number;
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), DispGetVersion, {}, &number.v));
    EXPECT_EQ(VT_I4, number.v.vt);
    EXPECT_EQ(7, number.v.lVal);

    SetScript("13.hr", static_cast<DWORD>(E_ACCESSDENIED));  // re-read at the next call
    EXPECT_EQ(E_ACCESSDENIED, Call(agent.Get(), DispGetVersion, {}));

    SetScript("17.vt", VT_BSTR);
    Result nullText;
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), DispGetCurrentFileName, {}, &nullText.v));
    EXPECT_EQ(VT_BSTR, nullText.v.vt);
    EXPECT_EQ(nullptr, nullText.v.bstrVal);
    SetScriptText("17.value", L"M\u00fcller \u266b.mp3");
    Result text;
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), DispGetCurrentFileName, {}, &text.v));
    EXPECT_EQ(L"M\u00fcller \u266b.mp3", text.text());

    SetScript("12.vt", VT_BOOL);
    SetScript("12.value", 0xffff);
    Result flag;
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), DispIsSignedIn, {}, &flag.v));
    EXPECT_EQ(VT_BOOL, flag.v.vt);
    EXPECT_EQ(VARIANT_TRUE, flag.v.boolVal);

    // An overridden call skips the default behaviour, argument checks included.
    SetScript("2.vt", VT_I4);
    SetScript("2.value", 1);
    SetScriptText("2.events", L"2:19;1:40");
    Result accepted;
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), DispSignIn, {Text(L"not an address")}, &accepted.v));
    EXPECT_EQ(1, accepted.v.lVal);
    EXPECT_EQ("S19 P40", sink.Joined());  // already here, without pumping
    Result status;
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), DispGetStatus, {}, &status.v));
    EXPECT_EQ(19, status.v.iVal);

    // Events alone leave the default answer in place.
    sink.Clear();
    SetScriptText("15.events", L"1:-1");
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), DispGetStatus, {}, &status.v));
    EXPECT_EQ(VT_I2, status.v.vt);
    EXPECT_EQ(19, status.v.iVal);
    EXPECT_EQ("P-1", sink.Joined());
    Result signedIn;
    SetScript("12.vt", VT_EMPTY);
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), DispIsSignedIn, {}, &signedIn.v));
    EXPECT_EQ(VT_EMPTY, signedIn.v.vt);
}

TEST_F(ScriptTest, EveryCallIsLoggedAsOneTabSeparatedLine) {
    const std::wstring log = scratch_ + L"\\calls.log";
    SetScriptText("LogFile", log.c_str());
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);

    EXPECT_HRESULT_SUCCEEDED(Call(agent.Get(), DispUpload, {Text(L"C:\\M\u00fcsic\\a b.mp3"), Flag(true)}));
    VARIANT inner;
    VariantInit(&inner);
    EXPECT_HRESULT_SUCCEEDED(Call(agent.Get(), DispOpenLocker, {RefTo(&inner)}));
    EXPECT_HRESULT_SUCCEEDED(
        Call(agent.Get(), DispGetVersion, {}, nullptr, nullptr, DISPATCH_METHOD | DISPATCH_PROPERTYGET, 0x409));
    // (A NULL BSTR would be logged as "(null)", but Wine's marshalling delivers it as "".)
    EXPECT_HRESULT_SUCCEEDED(Call(agent.Get(), DispSignIn, {Text(L"x@y.com"), Text(L""), Text(L"t\tab")}));
    EXPECT_HRESULT_SUCCEEDED(Call(agent.Get(), DispConfigure, {I2(-5)}));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(agent.Get(), 77, {I4(3)}));  // logged, then refused

    EXPECT_EQ("dispid=1\tflags=1\tlcid=0\tnamed=0\targc=2\t8:C:\\M\xc3\xbcsic\\a b.mp3\t11:-1\n"
              "dispid=3\tflags=1\tlcid=0\tnamed=0\targc=1\t16396:0\n"
              "dispid=13\tflags=3\tlcid=1033\tnamed=0\targc=0\n"
              "dispid=2\tflags=1\tlcid=0\tnamed=0\targc=3\t8:x@y.com\t8:\t8:t ab\n"
              "dispid=14\tflags=1\tlcid=0\tnamed=0\targc=1\t2:-5\n"
              "dispid=77\tflags=1\tlcid=0\tnamed=0\targc=1\t3:3\n",
              Contents(log));
}

// What /RegServer writes: machine-wide as the test prefix was prepared, and per user.
#include <shlwapi.h>

#include "EventSink.h"
#include "StandinTest.h"
#include "agent/AgentProtocol.h"
#include "standin/ControlWindow.h"
#include "standin/StandinIds.h"
#include "tests/support/AgentScript.h"
#include "tests/support/ProgramProcess.h"
#include "tests/support/Registry.h"

using namespace standin;

namespace {

const std::string CLSID_KEY = std::string("Software\\Classes\\CLSID\\") + REQUEST_CLSID_TEXT;
const std::string INTERFACE_KEY = std::string("Software\\Classes\\Interface\\") + EVENT_IID_TEXT;
const std::string PROG_ID_CLSID_KEY = std::string("Software\\Classes\\") + agentproto::PROG_ID + "\\CLSID";

// The exe as registered machine-wide, without quotes and switches.
std::string AgentExe() {
    std::string command = RegText(HKEY_LOCAL_MACHINE, CLSID_KEY + "\\LocalServer32");
    if (command.size() > 1 && command[0] == '"') return command.substr(1, command.find('"', 1) - 1);
    return command.substr(0, command.find(' '));
}

DWORD RunAgent(const std::string& switches) {
    return ProgramProcess("\"" + AgentExe() + "\" " + switches).WaitForExit(30000);
}

void ExpectMachineRegistration() {
    EXPECT_NE(std::string::npos, RegText(HKEY_LOCAL_MACHINE, CLSID_KEY + "\\LocalServer32").find("/scripted"));
    EXPECT_EQ(REQUEST_CLSID_TEXT, RegText(HKEY_LOCAL_MACHINE, PROG_ID_CLSID_KEY));
    EXPECT_EQ("{00020420-0000-0000-C000-000000000046}",
              RegText(HKEY_LOCAL_MACHINE, INTERFACE_KEY + "\\ProxyStubClsid32"));
    EXPECT_EQ(TYPE_LIB_ID_TEXT, RegText(HKEY_LOCAL_MACHINE, INTERFACE_KEY + "\\TypeLib"));

    // The registered library describes the event interface the way clients expect.
    ComPtr<ITypeLib> library;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(TYPE_LIB_ID, TYPE_LIB_MAJOR, TYPE_LIB_MINOR, 0, library.Put()));
    ComPtr<ITypeInfo> events;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(agentproto::EVENT_IID, events.Put()));
    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(events->GetTypeAttr(&attributes));
    EXPECT_EQ(TKIND_DISPATCH, attributes->typekind);
    EXPECT_EQ(2, attributes->cFuncs);
    events->ReleaseTypeAttr(attributes);
}

}  // namespace

using RegistrationTest = StandinTest;

TEST_F(RegistrationTest, PerUserRegistrationComesAndGoes) {
    ExpectMachineRegistration();  // as the test prefix was prepared
    ASSERT_FALSE(AgentExe().empty());
    ASSERT_EQ(0u, RunAgent("/RegServer"));
    const std::string command = RegText(HKEY_CURRENT_USER, CLSID_KEY + "\\LocalServer32");
    EXPECT_NE(std::string::npos, command.find("UploadAgent.exe\"")) << command;
    EXPECT_EQ(std::string::npos, command.find("/scripted"));
    EXPECT_EQ(REQUEST_CLSID_TEXT, RegText(HKEY_CURRENT_USER, PROG_ID_CLSID_KEY));
    EXPECT_EQ(TYPE_LIB_ID_TEXT, RegText(HKEY_CURRENT_USER, INTERFACE_KEY + "\\TypeLib"));

    ASSERT_EQ(0u, RunAgent("-UnregServer"));
    for (const std::string& key : {CLSID_KEY, std::string("Software\\Classes\\") + agentproto::PROG_ID, INTERFACE_KEY})
        EXPECT_EQ(ABSENT_TEXT, RegText(HKEY_CURRENT_USER, key)) << key;

    // Wine's per-user type library calls act machine-wide: put the prefix back as prepared.
    ASSERT_EQ(0u, RunAgent("/RegServer /machine /scripted"));
    ExpectMachineRegistration();
}

TEST_F(RegistrationTest, WithoutScriptedSwitchTheScriptIsIgnoredAndNoControlWindowIsOpen) {
    ASSERT_EQ(0u, RunAgent("/RegServer /machine"));
    struct Restore {
        ~Restore() { RunAgent("/RegServer /machine /scripted"); }
    } restore;
    EXPECT_EQ(std::string::npos, RegText(HKEY_LOCAL_MACHINE, CLSID_KEY + "\\LocalServer32").find("/scripted"));

    SetScript("13.vt", VT_I4);
    SetScript("13.hr", static_cast<DWORD>(E_FAIL));
    ComPtr<IDispatch> agent = Create();
    ASSERT_TRUE(agent);
    Result version;
    ASSERT_HRESULT_SUCCEEDED(Call(agent.Get(), agentproto::DispGetVersion, {}, &version.v));
    EXPECT_EQ(L"1.6.0", version.text());
    // No door for other programs of the desktop: only the window that fires notifications.
    EXPECT_EQ(nullptr, AgentScript::ControlWindow());
    const HWND notifier = FindWindowExW(HWND_MESSAGE, nullptr, standin::ControlWindow::INTERNAL_CLASS_NAME, nullptr);
    ASSERT_NE(nullptr, notifier);
    EXPECT_EQ(0, SendMessageW(notifier, standin::ControlWindow::MSG_CALL_COUNT, agentproto::DispGetVersion, 0));
    EventSink sink;
    Advise(agent.Get(), &sink);
    EXPECT_EQ(1, SignIn(agent.Get(), NewAccount("plain"), L"pw"));
    ASSERT_TRUE(sink.WaitForStatus(11));
    EXPECT_EQ("S12 S19 S11", sink.Joined());
    // Let this server go before the scripted registration returns.
    DWORD pid = 0;
    GetWindowThreadProcessId(notifier, &pid);
    UniqueHandle server(OpenProcess(SYNCHRONIZE, FALSE, pid));
    agent.Reset();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(server.Get(), 15000));
}

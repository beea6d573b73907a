#include "StandinTest.h"

#include <ocidl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "agent/AgentProtocol.h"
#include "standin/StandinIds.h"
#include "tests/support/Files.h"
#include "tests/support/Registry.h"

namespace {

void ResetAgentKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, standin::SCRIPT_KEY);
    for (const char* name : {"LockerRoot", "QuotaBytes", "ChunkDelay", "UpgradeAvailable", "RegisteredUser"})
        RegDeleteKeyValueA(HKEY_CURRENT_USER, standin::AGENT_KEY, name);
}

}  // namespace

void StandinTest::SetUp() {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ResetAgentKey();
    // Named in a script the code page cannot hold, as a user folder may be: the Locker, the
    // call log and the settings that name them must work there.
    scratch_ = Wide(TempFolder()) + L"standin-\x0414\x043c\x0438\x0442\x0440\x0438\x0439-" +
               std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(GetTickCount());
    ASSERT_TRUE(CreateDirectoryW(scratch_.c_str(), nullptr));
    SetRegText(HKEY_CURRENT_USER, standin::AGENT_KEY, "LockerRoot", scratch_ + L"\\Locker");
}

void StandinTest::TearDown() {
    for (const std::wstring& account : accounts_)
        RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(standin::AGENT_KEY_W) + L"\\Accounts\\" + account).c_str());
    ResetAgentKey();
    if (!scratch_.empty()) RemoveTree(scratch_);
    CoUninitialize();
}

ComPtr<IDispatch> StandinTest::Create(HRESULT* hr) {
    CLSID clsid;
    ComPtr<IDispatch> agent;
    HRESULT result = CLSIDFromProgID(agentproto::PROG_ID_W, &clsid);
    if (SUCCEEDED(result))
        result = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, agent.PutVoid());
    if (hr) *hr = result;
    return agent;
}

HRESULT StandinTest::Call(IDispatch* agent, DISPID id, std::vector<VARIANT> args, VARIANT* result, UINT* argError,
                          WORD flags, LCID lcid) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    const HRESULT hr = agent->Invoke(id, IID_NULL, lcid, flags, &params, result, nullptr, argError);
    for (VARIANT& v : args) VariantClear(&v);
    return hr;
}

LONG StandinTest::Number(IDispatch* agent, DISPID id, VARTYPE vt) {
    Result r;
    EXPECT_HRESULT_SUCCEEDED(Call(agent, id, {}, &r.v)) << id;
    EXPECT_EQ(vt, r.v.vt) << id;
    return vt == VT_I2 ? r.v.iVal : vt == VT_BOOL ? r.v.boolVal : r.v.lVal;
}

std::wstring StandinTest::TextOf(IDispatch* agent, DISPID id) {
    Result r;
    EXPECT_HRESULT_SUCCEEDED(Call(agent, id, {}, &r.v)) << id;
    EXPECT_EQ(VT_BSTR, r.v.vt) << id;
    return r.text();
}

LONG StandinTest::SignIn(IDispatch* agent, const std::string& address, const wchar_t* password) {
    return SignIn(agent, std::wstring(address.begin(), address.end()), password);
}

LONG StandinTest::SignIn(IDispatch* agent, const std::wstring& address, const wchar_t* password) {
    Result accepted;
    EXPECT_HRESULT_SUCCEEDED(
        Call(agent, agentproto::DispSignIn, {Text(address.c_str()), Text(password), Text(L"extra")}, &accepted.v));
    EXPECT_EQ(VT_I4, accepted.v.vt);
    return accepted.v.lVal;
}

DWORD StandinTest::Advise(IDispatch* agent, IUnknown* sink) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    EXPECT_HRESULT_SUCCEEDED(agent->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
    if (!container) return 0;
    EXPECT_HRESULT_SUCCEEDED(container->FindConnectionPoint(agentproto::EVENT_IID, point.Put()));
    if (point) {
        EXPECT_HRESULT_SUCCEEDED(point->Advise(sink, &cookie));
    }
    return cookie;
}

void StandinTest::Unadvise(IDispatch* agent, DWORD cookie) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    agent->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
    if (container && SUCCEEDED(container->FindConnectionPoint(agentproto::EVENT_IID, point.Put()))) {
        EXPECT_HRESULT_SUCCEEDED(point->Unadvise(cookie));
    }
}

void StandinTest::SetScript(const char* name, DWORD value) {
    SetRegNumber(HKEY_CURRENT_USER, standin::SCRIPT_KEY, name, value);
}

void StandinTest::SetScriptText(const char* name, const wchar_t* value) {
    SetRegText(HKEY_CURRENT_USER, standin::SCRIPT_KEY, name, value);
}

void StandinTest::SetAgentValue(const char* name, DWORD value) {
    SetRegNumber(HKEY_CURRENT_USER, standin::AGENT_KEY, name, value);
}

std::string StandinTest::NewAccount(const char* tag) {
    const std::string account =
        std::string("standin-") + tag + "-" + std::to_string(GetCurrentProcessId()) + "@example.com";
    accounts_.push_back(Wide(account));
    return account;
}

std::wstring StandinTest::LockerOf(const std::string& account) const {
    return scratch_ + L"\\Locker\\" + std::wstring(account.begin(), account.end());
}

std::wstring StandinTest::WriteSource(const wchar_t* name, size_t size) {
    const std::wstring path = scratch_ + L"\\" + name;
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    data.replace(0, size < 3 ? size : 3, "ID3", size < 3 ? size : 3);  // a song's signature, as fetched ones need
    EXPECT_TRUE(WriteBytes(path, data));
    return path;
}

std::wstring StandinTest::FileUrl(const std::wstring& path) const {
    wchar_t url[MAX_PATH * 3];
    DWORD length = ARRAYSIZE(url);
    EXPECT_HRESULT_SUCCEEDED(UrlCreateFromPathW(path.c_str(), url, &length, 0));
    return url;
}

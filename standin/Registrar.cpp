#include "Registrar.h"

#include <oleauto.h>
#include <string>

#include "agent/ComPtr.h"
#include "RegKey.h"
#include "StandinIds.h"
#include "agent/AgentProtocol.h"

namespace standin {

namespace {

constexpr const char* DESCRIPTION = "Velorex UploadAgent Request";
constexpr const char* EVENT_NAME = "_RequestEvents";
// The standard dispinterface marshaller (oleaut32), driven by the type library.
constexpr const char* DISPATCH_MARSHALLER = "{00020420-0000-0000-C000-000000000046}";

// Per-user type library registration is missing from some SDK headers: look it up.
using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

FARPROC OleAutFunction(const char* name) {
    HMODULE oleaut = GetModuleHandleA("oleaut32.dll");
    return oleaut ? GetProcAddress(oleaut, name) : nullptr;
}

HKEY RootOf(bool machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::string Classes(const std::string& path) { return "Software\\Classes\\" + path; }

HRESULT SetDefault(HKEY root, const std::string& path, const std::string& value, const char* name = nullptr) {
    RegKey key = RegKey::Create(root, Classes(path), KEY_WRITE);
    if (!key.valid()) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    return HRESULT_FROM_WIN32(key.setString(name, value));
}

void DeleteTree(HKEY root, const std::string& path) {
    const std::string full = Classes(path);
    RegDeleteTreeA(root, full.c_str());
    RegDeleteKeyA(root, full.c_str());
}

SYSKIND NativeSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

}  // namespace

HRESULT Registrar::Register(bool machine, bool scripted) {
    char exe[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, exe, ARRAYSIZE(exe));
    if (length == 0 || length >= ARRAYSIZE(exe)) return E_FAIL;
    const std::string command = "\"" + std::string(exe) + "\"" + (scripted ? " /scripted" : "");
    const std::string clsid = std::string("CLSID\\") + REQUEST_CLSID_TEXT;
    const std::string iface = std::string("Interface\\") + EVENT_IID_TEXT;
    const std::string progId = agentproto::PROG_ID;
    const HKEY root = RootOf(machine);

    // Type library first: registering it rewrites the interface keys, which ours then refine.
    HRESULT hr = RegisterTypeLibrary(machine);
    const std::pair<std::string, std::string> values[] = {
        {clsid, DESCRIPTION},
        {clsid + "\\LocalServer32", command},
        {clsid + "\\ProgID", progId},
        {clsid + "\\VersionIndependentProgID", progId},
        {clsid + "\\TypeLib", TYPE_LIB_ID_TEXT},
        {progId, DESCRIPTION},
        {progId + "\\CLSID", REQUEST_CLSID_TEXT},
        {iface, EVENT_NAME},
        {iface + "\\ProxyStubClsid32", DISPATCH_MARSHALLER},
        {iface + "\\TypeLib", TYPE_LIB_ID_TEXT},
    };
    for (const auto& value : values)
        if (SUCCEEDED(hr)) hr = SetDefault(root, value.first, value.second);
    if (SUCCEEDED(hr)) hr = SetDefault(root, iface + "\\TypeLib", "1.0", "Version");
    return hr;
}

HRESULT Registrar::Unregister(bool machine) {
    const HKEY root = RootOf(machine);
    UnregisterTypeLibrary(machine);  // may already be gone
    DeleteTree(root, std::string("CLSID\\") + REQUEST_CLSID_TEXT);
    DeleteTree(root, agentproto::PROG_ID);
    DeleteTree(root, std::string("Interface\\") + EVENT_IID_TEXT);
    return S_OK;
}

HRESULT Registrar::RegisterTypeLibrary(bool machine) {
    wchar_t exe[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameW(nullptr, exe, ARRAYSIZE(exe));
    if (length == 0 || length >= ARRAYSIZE(exe)) return E_FAIL;
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(exe, REGKIND_NONE, library.Put());
    if (FAILED(hr)) return hr;
    if (machine) return RegisterTypeLib(library.Get(), exe, nullptr);
    auto registerForUser = reinterpret_cast<RegisterForUserFn>(OleAutFunction("RegisterTypeLibForUser"));
    return registerForUser ? registerForUser(library.Get(), exe, nullptr) : E_NOTIMPL;
}

HRESULT Registrar::UnregisterTypeLibrary(bool machine) {
    if (machine) return UnRegisterTypeLib(TYPE_LIB_ID, TYPE_LIB_MAJOR, TYPE_LIB_MINOR, LOCALE_NEUTRAL, NativeSysKind());
    auto unregisterForUser = reinterpret_cast<UnregisterForUserFn>(OleAutFunction("UnRegisterTypeLibForUser"));
    return unregisterForUser
               ? unregisterForUser(TYPE_LIB_ID, TYPE_LIB_MAJOR, TYPE_LIB_MINOR, LOCALE_NEUTRAL, NativeSysKind())
               : E_NOTIMPL;
}

}  // namespace standin

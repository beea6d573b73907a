#include "Registrar.h"

#include <oleauto.h>
#include <string>
#include <vector>

#include "StandinIds.h"
#include "agent/AgentProtocol.h"
#include "win/ComPtr.h"
#include "win/PathNames.h"
#include "win/RegKey.h"

namespace standin {

namespace {

constexpr const wchar_t* DESCRIPTION = L"Velorex UploadAgent Request";
constexpr const wchar_t* EVENT_NAME = L"_RequestEvents";
// The standard dispinterface marshaller (oleaut32), driven by the type library.
constexpr const wchar_t* DISPATCH_MARSHALLER = L"{00020420-0000-0000-C000-000000000046}";

// Per-user type library registration is missing from some SDK headers: look it up.
using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

FARPROC OleAutFunction(const char* name) {
    HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    return oleaut ? GetProcAddress(oleaut, name) : nullptr;
}

HKEY RootOf(bool machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring Classes(const std::wstring& path) { return L"Software\\Classes\\" + path; }

HRESULT SetDefault(HKEY root, const std::wstring& path, const std::wstring& value, const wchar_t* name = nullptr) {
    RegKey key = RegKey::Create(root, Classes(path), KEY_WRITE);
    if (!key.Valid()) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    return HRESULT_FROM_WIN32(key.SetString(name, value));
}

// A key that was not there counts as removed; one that stays is a failure.
HRESULT DeleteTree(HKEY root, const std::wstring& path) {
    const std::wstring full = Classes(path);
    LSTATUS status = RegDeleteTreeW(root, full.c_str());
    if (status == ERROR_SUCCESS) status = RegDeleteKeyW(root, full.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

SYSKIND NativeSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

std::wstring ReadText(HKEY root, const std::wstring& path, REGSAM view, const wchar_t* name = nullptr) {
    std::wstring text;
    RegKey::Open(root, Classes(path), KEY_QUERY_VALUE | view).ReadString(name, &text);
    return text;
}

// Whether the class key in `view` names a server, in process or out: someone's registration.
bool ClassHasServer(HKEY root, REGSAM view, const std::wstring& clsid) {
    return !ReadText(root, clsid + L"\\LocalServer32", view).empty() ||
           !ReadText(root, clsid + L"\\InprocServer32", view).empty();
}

// The class key is this exe's registration as Register writes it (the quoted path first), or
// one that starts nothing at all.
bool ClassIsOurs(HKEY root, const std::wstring& clsid, const std::wstring& exe) {
    const std::wstring command = ReadText(root, clsid + L"\\LocalServer32", KEY_WOW64_64KEY);
    const std::wstring quoted = L"\"" + exe + L"\"";
    if (command.empty()) return !ClassHasServer(root, KEY_WOW64_64KEY, clsid);
    return command.size() >= quoted.size() && SameIgnoringCase(command.substr(0, quoted.size()), quoted);
}

// The type library registered under its id is the one in this exe.
bool TypeLibraryIsOurs(const std::wstring& exe) {
    BSTR path = nullptr;
    if (FAILED(QueryPathOfRegTypeLib(TYPE_LIB_ID, TYPE_LIB_MAJOR, TYPE_LIB_MINOR, LOCALE_NEUTRAL, &path))) return false;
    std::wstring registered(path, SysStringLen(path));
    SysFreeString(path);
    while (!registered.empty() && registered.back() == L'\0') registered.pop_back();
    return SameIgnoringCase(registered, exe);
}

}  // namespace

HRESULT Registrar::Register(bool machine, bool scripted) {
    const std::wstring exe = OwnImagePath();
    if (exe.empty()) return E_FAIL;
    const std::wstring command = L"\"" + exe + L"\"" + (scripted ? L" /scripted" : L"");
    const std::wstring clsid = std::wstring(L"CLSID\\") + REQUEST_CLSID_TEXT_W;
    const std::wstring iface = std::wstring(L"Interface\\") + EVENT_IID_TEXT_W;
    const std::wstring progId = agentproto::PROG_ID_W;
    const HKEY root = RootOf(machine);

    // Type library first: registering it rewrites the interface keys, which ours then refine.
    HRESULT hr = RegisterTypeLibrary(machine, exe);
    const std::pair<std::wstring, std::wstring> values[] = {
        {clsid, DESCRIPTION},
        {clsid + L"\\LocalServer32", command},
        {clsid + L"\\ProgID", progId},
        {clsid + L"\\VersionIndependentProgID", progId},
        {clsid + L"\\TypeLib", TYPE_LIB_ID_TEXT_W},
        {progId, DESCRIPTION},
        {progId + L"\\CLSID", REQUEST_CLSID_TEXT_W},
        {iface, EVENT_NAME},
        {iface + L"\\ProxyStubClsid32", DISPATCH_MARSHALLER},
        {iface + L"\\TypeLib", TYPE_LIB_ID_TEXT_W},
    };
    for (const auto& value : values)
        if (SUCCEEDED(hr)) hr = SetDefault(root, value.first, value.second);
    if (SUCCEEDED(hr)) hr = SetDefault(root, iface + L"\\TypeLib", L"1.0", L"Version");
    return hr;
}

// Only what is this exe's goes: the real agent shares the class id and the ProgID, and the
// ProgID key is shared between the registry views, so a 32-bit agent's registration may stand
// on the same keys.
HRESULT Registrar::Unregister(bool machine) {
    const HKEY root = RootOf(machine);
    const std::wstring exe = OwnImagePath();
    if (exe.empty()) return E_FAIL;
    const std::wstring clsid = std::wstring(L"CLSID\\") + REQUEST_CLSID_TEXT_W;
    const std::wstring progId = agentproto::PROG_ID_W;
    const std::wstring iface = std::wstring(L"Interface\\") + EVENT_IID_TEXT_W;

    if (TypeLibraryIsOurs(exe)) UnregisterTypeLibrary(machine);
    const bool classOurs = ClassIsOurs(root, clsid, exe);
    HRESULT hr = classOurs ? DeleteTree(root, clsid) : S_OK;
    // The ProgID leads to our class id, no CurVer leads on to another one, and no server of the
    // class is left in either view.
    const std::wstring curVer = ReadText(root, progId + L"\\CurVer", KEY_WOW64_64KEY);
    if (SUCCEEDED(hr) && SameIgnoringCase(ReadText(root, progId + L"\\CLSID", KEY_WOW64_64KEY), REQUEST_CLSID_TEXT_W) &&
        (curVer.empty() || SameIgnoringCase(curVer, progId)) && !ClassHasServer(root, KEY_WOW64_64KEY, clsid) &&
        !ClassHasServer(root, KEY_WOW64_32KEY, clsid))
        hr = DeleteTree(root, progId);
    // The event interface goes with our class, and only while it belongs to our type library.
    if (SUCCEEDED(hr) && classOurs &&
        SameIgnoringCase(ReadText(root, iface + L"\\TypeLib", KEY_WOW64_64KEY), TYPE_LIB_ID_TEXT_W))
        hr = DeleteTree(root, iface);
    return hr;
}

HRESULT Registrar::RegisterTypeLibrary(bool machine, const std::wstring& exe) {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(exe.c_str(), REGKIND_NONE, library.Put());
    if (FAILED(hr)) return hr;
    std::wstring path = exe;  // the registering calls take a writable text
    if (machine) return RegisterTypeLib(library.Get(), &path[0], nullptr);
    auto registerForUser = reinterpret_cast<RegisterForUserFn>(OleAutFunction("RegisterTypeLibForUser"));
    return registerForUser ? registerForUser(library.Get(), &path[0], nullptr) : E_NOTIMPL;
}

HRESULT Registrar::UnregisterTypeLibrary(bool machine) {
    if (machine) return UnRegisterTypeLib(TYPE_LIB_ID, TYPE_LIB_MAJOR, TYPE_LIB_MINOR, LOCALE_NEUTRAL, NativeSysKind());
    auto unregisterForUser = reinterpret_cast<UnregisterForUserFn>(OleAutFunction("UnRegisterTypeLibForUser"));
    return unregisterForUser
               ? unregisterForUser(TYPE_LIB_ID, TYPE_LIB_MAJOR, TYPE_LIB_MINOR, LOCALE_NEUTRAL, NativeSysKind())
               : E_NOTIMPL;
}

}  // namespace standin

#include "CallLog.h"

#include "win/UniqueHandle.h"

namespace standin {

namespace {

std::string Utf8(BSTR text) {
    if (!text) return "(null)";
    const int length = static_cast<int>(SysStringLen(text));
    if (length == 0) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], size, nullptr, nullptr);
    // Keeps one call on one line with its fields apart.
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

std::string CallLog::Argument(const VARIANT& v) {
    std::string out = std::to_string(v.vt) + ":";
    const bool r = (v.vt & VT_BYREF) != 0;
    if (r && !v.byref) return out;
    switch (v.vt & ~VT_BYREF) {
    case VT_BSTR: return out + Utf8(r ? *v.pbstrVal : v.bstrVal);
    case VT_VARIANT: return r ? out + std::to_string(v.pvarVal->vt) : out;
    case VT_I1: return out + std::to_string(r ? *v.pcVal : v.cVal);
    case VT_I2: return out + std::to_string(r ? *v.piVal : v.iVal);
    case VT_I4: return out + std::to_string(r ? *v.plVal : v.lVal);
    case VT_INT: return out + std::to_string(r ? *v.pintVal : v.intVal);
    case VT_I8: return out + std::to_string(r ? *v.pllVal : v.llVal);
    case VT_UI1: return out + std::to_string(r ? *v.pbVal : v.bVal);
    case VT_UI2: return out + std::to_string(r ? *v.puiVal : v.uiVal);
    case VT_UI4: return out + std::to_string(r ? *v.pulVal : v.ulVal);
    case VT_UINT: return out + std::to_string(r ? *v.puintVal : v.uintVal);
    case VT_UI8: return out + std::to_string(r ? *v.pullVal : v.ullVal);
    case VT_BOOL: return out + std::to_string(r ? *v.pboolVal : v.boolVal);
    case VT_ERROR: return out + std::to_string(r ? *v.pscode : v.scode);
    default: break;
    }
    VARIANT text;
    VariantInit(&text);
    if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&v), 0, VT_BSTR))) out += Utf8(text.bstrVal);
    VariantClear(&text);
    return out;
}

std::string CallLog::Format(DISPID id, WORD flags, LCID lcid, const DISPPARAMS& params) {
    std::string line = "dispid=" + std::to_string(id) + "\tflags=" + std::to_string(flags) +
                       "\tlcid=" + std::to_string(lcid) + "\tnamed=" + std::to_string(params.cNamedArgs) +
                       "\targc=" + std::to_string(params.cArgs);
    for (UINT i = params.cArgs; i > 0; --i) line += "\t" + Argument(params.rgvarg[i - 1]);
    return line;
}

void CallLog::Append(const std::wstring& path, const std::string& line) {
    UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return;
    const std::string data = line + "\n";
    DWORD written = 0;
    WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
}

}  // namespace standin

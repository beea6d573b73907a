// One line per call for scripted tests: TAB-separated, UTF-8, arguments in declared order.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <string>

namespace standin {

class CallLog {
public:
    static std::string Format(DISPID id, WORD flags, LCID lcid, const DISPPARAMS& params);
    // Opened and closed per line, so a reader sees each line as soon as the call is made.
    static void Append(const std::wstring& path, const std::string& line);

private:
    static std::string Argument(const VARIANT& v);
};

}  // namespace standin

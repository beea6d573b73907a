// A registry value set for one test and put back as it was afterwards (removed when it was
// not there before).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class ScopedRegValue {
public:
    ScopedRegValue(HKEY root, std::string key, std::string name, const std::string& text);
    ScopedRegValue(HKEY root, std::string key, std::string name, const std::wstring& text);
    ScopedRegValue(HKEY root, std::string key, std::string name, DWORD number);
    ~ScopedRegValue();
    ScopedRegValue(const ScopedRegValue&) = delete;
    ScopedRegValue& operator=(const ScopedRegValue&) = delete;

private:
    void Keep();

    HKEY root_;
    std::string key_, name_;
    std::vector<BYTE> previous_;
    DWORD previousType_ = REG_NONE;
    bool had_ = false;
};

#include "tests/support/ScopedRegValue.h"

#include "tests/support/Files.h"

ScopedRegValue::ScopedRegValue(HKEY root, std::string key, std::string name, const std::string& text)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    Keep();
    RegSetKeyValueA(root_, key_.c_str(), name_.c_str(), REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

ScopedRegValue::ScopedRegValue(HKEY root, std::string key, std::string name, const std::wstring& text)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    Keep();
    RegSetKeyValueW(root_, FromUtf8(key_).c_str(), FromUtf8(name_).c_str(), REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

ScopedRegValue::ScopedRegValue(HKEY root, std::string key, std::string name, DWORD number)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    Keep();
    RegSetKeyValueA(root_, key_.c_str(), name_.c_str(), REG_DWORD, &number, sizeof number);
}

ScopedRegValue::~ScopedRegValue() {
    if (had_)
        RegSetKeyValueA(root_, key_.c_str(), name_.c_str(), previousType_, previous_.data(),
                        static_cast<DWORD>(previous_.size()));
    else
        RegDeleteKeyValueA(root_, key_.c_str(), name_.c_str());
}

void ScopedRegValue::Keep() {
    DWORD size = 0;
    had_ = RegGetValueA(root_, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &previousType_, nullptr,
                        &size) == ERROR_SUCCESS;
    if (!had_) return;
    previous_.resize(size);
    RegGetValueA(root_, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &previousType_, previous_.data(), &size);
}

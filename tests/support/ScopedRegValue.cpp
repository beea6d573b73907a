#include "tests/support/ScopedRegValue.h"

#include "tests/support/Files.h"
#include "tests/support/Registry.h"

ScopedRegValue::ScopedRegValue(HKEY root, std::string key, std::string name, const std::string& text)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    Keep();
    RegSetKeyValueA(root_, key_.c_str(), name_.c_str(), REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

ScopedRegValue::ScopedRegValue(HKEY root, std::string key, std::string name, const std::wstring& text)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    Keep();
    SetRegText(root_, key_, name_.c_str(), text);
}

ScopedRegValue::ScopedRegValue(HKEY root, std::string key, std::string name, DWORD number)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    Keep();
    SetRegNumber(root_, key_, name_.c_str(), number);
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

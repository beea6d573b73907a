#include "tests/settings/PrivateHive.h"

namespace {
const char TESTS_KEY[] = "Software\\Parcelo Tests";
}

PrivateHive::PrivateHive() : path_(std::string(TESTS_KEY) + "\\" + std::to_string(GetCurrentProcessId())) {
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_, nullptr) ==
        ERROR_SUCCESS)
        RegOverridePredefKey(HKEY_CURRENT_USER, root_);
}

PrivateHive::~PrivateHive() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (root_) RegCloseKey(root_);
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, TESTS_KEY);  // refused while another process still has its own
}

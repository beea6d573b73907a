#include "tests/support/PrivateHive.h"

namespace {
const char TESTS_KEY[] = "Software\\Parcelo Tests";
}

PrivateHive::PrivateHive() : path_(std::string(TESTS_KEY) + "\\" + std::to_string(GetCurrentProcessId())) {
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    HKEY root = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr) ==
        ERROR_SUCCESS) {
        root_.Reset(root);
        RegOverridePredefKey(HKEY_CURRENT_USER, root);
    }
}

PrivateHive::~PrivateHive() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    root_.Reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, TESTS_KEY);  // refused while another process still has its own
}

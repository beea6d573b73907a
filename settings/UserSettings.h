// The settings the program keeps between runs, held in memory during a run.
#pragma once

#include <cstdint>
#include <string>

struct UserSettings {
    int useProxy = 0;
    std::wstring proxyIP;
    std::wstring userName;
    std::wstring password;
    int autoLogin = 0;       // exactly 1 means on
    int32_t remindTime = 0;  // C time of the last upgrade reminder; 0 = never
};

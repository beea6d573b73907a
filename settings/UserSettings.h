// The settings the program keeps between runs, held in memory during a run.
#pragma once

#include <cstdint>
#include <string>

struct UserSettings {
    int useProxy = 0;
    std::string proxyIP;
    std::string userName;
    std::string password;
    int autoLogin = 0;       // exactly 1 means on
    int32_t remindTime = 0;  // C time of the last upgrade reminder; 0 = never
};

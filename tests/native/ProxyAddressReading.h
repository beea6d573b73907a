// A second, deliberately plain reading of the proxy address rule, for the fuzz target
// (tests/fuzz/proxy_address.cpp) to hold IsValidProxyAddress against. No windows.h here.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

// Split at every full stop; four groups of digits only, none empty, none above 255 once its
// leading zeros are dropped; at most 15 characters in all.
inline bool PlainProxyReading(const std::string& text) {
    if (text.size() > 15) return false;
    std::vector<std::string> groups(1);
    for (char c : text) {
        if (c == '.')
            groups.emplace_back();
        else
            groups.back() += c;
    }
    if (groups.size() != 4) return false;
    for (const std::string& group : groups) {
        if (group.empty() || group.find_first_not_of("0123456789") != std::string::npos) return false;
        const std::string significant = group.substr(std::min(group.find_first_not_of('0'), group.size()));
        if (significant.size() > 3 || (significant.size() == 3 && significant > "255")) return false;
    }
    return true;
}

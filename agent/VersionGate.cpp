#include "agent/VersionGate.h"

#include <cstring>

bool IsCompatibleVersion(const char* versionText) {
    if (!versionText || !*versionText) return false;
    return std::strncmp("1.6.000", versionText, 5) <= 0;
}

#include "app/CommandLine.h"

#include <cstring>

namespace {

struct SwitchEntry {
    const char* text;
    StartSwitch effect;
};

const SwitchEntry SWITCHES[] = {
    {" /registeruser", StartSwitch::RegisterUser},
    {" /showparcelo", StartSwitch::ShowParcelo},
    {" /clearreg", StartSwitch::ClearSettings},
};

}  // namespace

StartSwitch FindStartSwitch(const char* commandLine) {
    if (!commandLine) return StartSwitch::None;
    for (const SwitchEntry& entry : SWITCHES)
        if (std::strstr(commandLine, entry.text)) return entry.effect;
    return StartSwitch::None;
}

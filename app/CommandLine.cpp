#include "app/CommandLine.h"

#include <cwchar>

namespace {

struct SwitchEntry {
    const wchar_t* text;
    StartSwitch effect;
};

const SwitchEntry SWITCHES[] = {
    {L" /registeruser", StartSwitch::RegisterUser},
    {L" /showparcelo", StartSwitch::ShowParcelo},
    {L" /clearreg", StartSwitch::ClearSettings},
};

}  // namespace

StartSwitch FindStartSwitch(const wchar_t* commandLine) {
    if (!commandLine) return StartSwitch::None;
    for (const SwitchEntry& entry : SWITCHES)
        if (std::wcsstr(commandLine, entry.text)) return entry.effect;
    return StartSwitch::None;
}

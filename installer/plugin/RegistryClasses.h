// The class registrations as the registry holds them: <hive>\Software\Classes in the 64-bit or
// the 32-bit view (KEY_WOW64_64KEY / KEY_WOW64_32KEY, so that Windows decides which keys the
// views share).
#pragma once

#include "installer/plugin/AgentLookup.h"

namespace setup {

class RegistryClasses final : public ClassesReader {
public:
    std::optional<std::wstring> Text(Hive hive, View view, const std::wstring& key,
                                     const std::wstring& name) const override;
    bool ProgramExists(const std::wstring& path) const override;
};

}  // namespace setup

// Which agent Parcelo would reach, read from the class registrations the way COM finds a
// server: the ProgID (and each ProgID its CurVer names) leads to class ids, and each class id
// is looked for in both hives and both registry views, as a local server, an in-process
// server or a service (its AppID's LocalService). Plain C++ over a reader, so that the
// decision is tested without a registry.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "agent/ServerPath.h"  // StartsAgentIn: whether a registration is an own folder's

namespace setup {

enum class Hive { User, Machine };
// The view 64-bit programs see, and the one 32-bit programs see (their CLSID keys are apart).
enum class View { Native, Wow32 };

// Values under <hive>\Software\Classes in one view.
class ClassesReader {
public:
    virtual ~ClassesReader() = default;
    // A REG_SZ or REG_EXPAND_SZ value as stored ("" names the key's default value); nothing
    // when the key or the value is missing or holds no text.
    virtual std::optional<std::wstring> Text(Hive hive, View view, const std::wstring& key,
                                             const std::wstring& name) const = 0;
    // Whether the program a server's registration names is there; one that cannot be told
    // (no folder in its name, a search on the path) counts as there.
    virtual bool ProgramExists(const std::wstring& path) const {
        (void)path;
        return true;
    }
};

struct AgentRegistration {
    Hive hive = Hive::User;
    View view = View::Native;
    std::wstring classId;
    std::wstring server;  // the server's command, or the service's name
    bool service = false;
};

// The first live registration of the agent (its program is there; a service always counts)
// that is not the UploadAgent.exe of one of `ownFolders` (empty ones are skipped): per user first, as COM prefers it, then machine-wide.
// `machineOnly` looks at the machine-wide ones alone.
std::optional<AgentRegistration> FindOtherAgent(const ClassesReader& reader, const std::wstring& progId,
                                                const std::wstring& classId,
                                                const std::vector<std::wstring>& ownFolders, bool machineOnly);

// One line for the setup's details, e.g. `"C:\A\UploadAgent.exe" (32-bit, for all users)`.
std::wstring Describe(const AgentRegistration& agent);

}  // namespace setup

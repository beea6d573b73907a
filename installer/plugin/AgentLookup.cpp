#include "installer/plugin/AgentLookup.h"

#include "agent/ServerPath.h"

namespace setup {

namespace {

// A CurVer chain longer than this is broken, or a loop.
constexpr int CUR_VER_STEPS = 4;
const View BOTH_VIEWS[] = {View::Native, View::Wow32};

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

void AddOnce(std::vector<std::wstring>& ids, const std::wstring& id) {
    const std::wstring trimmed = Trimmed(id);
    if (trimmed.empty()) return;
    for (const std::wstring& known : ids)
        if (SameFileName(known, trimmed)) return;
    ids.push_back(trimmed);
}

// The class ids a ProgID leads to in one hive and view: its own, and those of the ProgIDs its
// CurVer names.
void ClassIdsOf(const ClassesReader& reader, Hive hive, View view, std::wstring progId,
                std::vector<std::wstring>& ids) {
    for (int step = 0; step <= CUR_VER_STEPS && !progId.empty(); ++step) {
        if (const auto id = reader.Text(hive, view, progId + L"\\CLSID", L"")) AddOnce(ids, *id);
        const auto next = reader.Text(hive, view, progId + L"\\CurVer", L"");
        if (!next || SameFileName(Trimmed(*next), progId)) break;
        progId = Trimmed(*next);
    }
}

// The server that one class key names in one hive and view, if it names any.
std::optional<AgentRegistration> ServerOf(const ClassesReader& reader, Hive hive, View view,
                                          const std::wstring& classId) {
    const std::wstring key = L"CLSID\\" + classId;
    AgentRegistration found;
    found.hive = hive;
    found.view = view;
    found.classId = classId;
    for (const wchar_t* kind : {L"\\LocalServer32", L"\\InprocServer32"}) {
        const auto command = reader.Text(hive, view, key + kind, L"");
        // A registration whose program is gone starts nothing: it is no agent.
        if (command && !Trimmed(*command).empty() && reader.ProgramExists(ServerImagePath(Trimmed(*command)))) {
            found.server = Trimmed(*command);
            return found;
        }
    }
    // A service is started by the service manager, whatever the class key says besides.
    const auto appId = reader.Text(hive, view, key, L"AppID");
    if (!appId || Trimmed(*appId).empty()) return std::nullopt;
    for (View appView : {view, view == View::Native ? View::Wow32 : View::Native}) {
        const auto service = reader.Text(hive, appView, L"AppID\\" + Trimmed(*appId), L"LocalService");
        if (service && !Trimmed(*service).empty()) {
            found.server = Trimmed(*service);
            found.service = true;
            return found;
        }
    }
    return std::nullopt;
}

bool IsOwn(const AgentRegistration& agent, const std::vector<std::wstring>& ownFolders) {
    if (agent.service) return false;
    for (const std::wstring& folder : ownFolders)
        if (!folder.empty() && StartsAgentIn(agent.server, folder)) return true;
    return false;
}

}  // namespace

std::wstring Describe(const AgentRegistration& agent) {
    std::wstring where = agent.view == View::Wow32 ? L"32-bit, " : L"";
    where += agent.hive == Hive::User ? L"for this user" : L"for all users";
    if (agent.service) return L"the service \"" + agent.server + L"\" (" + where + L")";
    return agent.server + L" (" + where + L")";
}

std::optional<AgentRegistration> FindOtherAgent(const ClassesReader& reader, const std::wstring& progId,
                                                const std::wstring& classId,
                                                const std::vector<std::wstring>& ownFolders, bool machineOnly) {
    const std::vector<Hive> hives =
        machineOnly ? std::vector<Hive>{Hive::Machine} : std::vector<Hive>{Hive::User, Hive::Machine};
    // The stand-in shares the agent's class id, so that id counts even where no ProgID names it.
    std::vector<std::wstring> ids;
    for (Hive hive : hives)
        for (View view : BOTH_VIEWS) ClassIdsOf(reader, hive, view, progId, ids);
    AddOnce(ids, classId);
    for (Hive hive : hives)
        for (const std::wstring& id : ids)
            for (View view : BOTH_VIEWS) {
                const auto agent = ServerOf(reader, hive, view, id);
                if (agent && !IsOwn(*agent, ownFolders)) return agent;
            }
    return std::nullopt;
}

}  // namespace setup

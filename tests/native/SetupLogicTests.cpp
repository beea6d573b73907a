// The setup plugin's window-free decisions: which registered agent is another one, how Parcelo
// may be started by a setup that runs as administrator, which account may install it, and
// Windows' own switch for its start at sign-in; and Parcelo's own: whether its Local Locker
// hides an agent installed since.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "app/HiddenAgent.h"
#include "installer/plugin/AgentLookup.h"
#include "installer/plugin/Elevation.h"
#include "installer/plugin/StartupMark.h"

using namespace setup;

namespace {

const std::wstring PROG_ID = L"Velorex2.Request2";
const std::wstring AGENT_ID = L"{3E6889A5-4443-43F8-9306-B167252B7FFB}";
const std::wstring OWN = L"C:\\Users\\Me\\AppData\\Local\\Programs\\Parcelo";
const std::wstring OWN_SERVER = L"\"C:\\users\\me\\AppData\\Local\\Programs\\Parcelo\\UploadAgent.exe\"";

// The registry as a map: (hive, view, key, value name) to text.
class FakeClasses final : public ClassesReader {
public:
    FakeClasses& Set(Hive hive, View view, const std::wstring& key, const std::wstring& name,
                     const std::wstring& text) {
        values_[std::make_tuple(hive, view, key, name)] = text;
        return *this;
    }
    std::optional<std::wstring> Text(Hive hive, View view, const std::wstring& key,
                                     const std::wstring& name) const override {
        const auto found = values_.find(std::make_tuple(hive, view, key, name));
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    bool ProgramExists(const std::wstring& path) const override { return gone.count(path) == 0; }
    std::set<std::wstring> gone;  // programs that registrations name and that are not there

private:
    std::map<std::tuple<Hive, View, std::wstring, std::wstring>, std::wstring> values_;
};

std::optional<AgentRegistration> Other(const FakeClasses& classes, bool machineOnly = false,
                                       const std::wstring& earlier = L"") {
    return FindOtherAgent(classes, PROG_ID, AGENT_ID, {OWN, earlier}, machineOnly);
}

}  // namespace

TEST(AgentLookup, OnlyTheUploadAgentExeOfAnOwnFolderIsOurs) {
    EXPECT_TRUE(StartsAgentIn(OWN_SERVER, OWN));
    EXPECT_TRUE(StartsAgentIn(OWN_SERVER + L" /scripted", OWN + L"\\"));
    EXPECT_TRUE(StartsAgentIn(L"C:/Users/Me/AppData/Local/Programs/Parcelo/uploadagent.exe", OWN));
    EXPECT_FALSE(StartsAgentIn(OWN_SERVER, OWN + L"2"));
    EXPECT_FALSE(StartsAgentIn(L"\"C:\\Users\\Me\\AppData\\Local\\Programs\\Parcelo2\\UploadAgent.exe\"", OWN));
    EXPECT_FALSE(StartsAgentIn(L"\"" + OWN + L"\\Other.exe\"", OWN));
    EXPECT_FALSE(StartsAgentIn(OWN_SERVER, L""));
    EXPECT_FALSE(StartsAgentIn(L"", OWN));
    const std::wstring cyrillic = L"C:\\Users\\\x0414\x043c\x0438\x0442\x0440\x0438\x0439\\Parcelo";
    EXPECT_TRUE(StartsAgentIn(L"\"" + cyrillic + L"\\UploadAgent.exe\"", cyrillic));
    EXPECT_FALSE(StartsAgentIn(L"\"C:\\Users\\???????\\Parcelo\\UploadAgent.exe\"", cyrillic));
}

TEST(AgentLookup, OursAnywhereIsNoOtherAgentNorIsAKeyWithoutServer) {
    FakeClasses classes;
    EXPECT_FALSE(Other(classes));
    const std::wstring earlier = L"D:\\Old Parcelo";
    classes.Set(Hive::User, View::Native, PROG_ID + L"\\CLSID", L"", AGENT_ID)
        .Set(Hive::User, View::Native, L"CLSID\\" + AGENT_ID + L"\\LocalServer32", L"", OWN_SERVER)
        .Set(Hive::Machine, View::Native, PROG_ID + L"\\CLSID", L"", L" " + AGENT_ID + L" ")
        .Set(Hive::Machine, View::Native, L"CLSID\\" + AGENT_ID + L"\\LocalServer32", L"",
             L"\"" + earlier + L"\\UploadAgent.exe\" /scripted")
        .Set(Hive::Machine, View::Wow32, L"CLSID\\" + AGENT_ID, L"", L"Velorex UploadAgent Request")
        .Set(Hive::Machine, View::Wow32, L"CLSID\\" + AGENT_ID + L"\\LocalServer32", L"", L"  ");
    EXPECT_FALSE(Other(classes, false, earlier));
    const auto elsewhere = Other(classes);  // without the earlier folder, its agent is another's
    ASSERT_TRUE(elsewhere);
    EXPECT_EQ(elsewhere->hive, Hive::Machine);
    EXPECT_EQ(Describe(*elsewhere), L"\"" + earlier + L"\\UploadAgent.exe\" /scripted (for all users)");
}

TEST(AgentLookup, EveryHiveViewAndKindOfServerCounts) {
    // A 32-bit agent: the ProgID shared, its class in the 32-bit view only.
    FakeClasses thirtyTwo;
    thirtyTwo.Set(Hive::Machine, View::Native, PROG_ID + L"\\CLSID", L"", AGENT_ID)
        .Set(Hive::Machine, View::Wow32, L"CLSID\\" + AGENT_ID + L"\\LocalServer32", L"", L"C:\\x86\\UploadAgent.exe");
    const auto agent = Other(thirtyTwo);
    ASSERT_TRUE(agent);
    EXPECT_EQ(agent->view, View::Wow32);
    EXPECT_EQ(Describe(*agent), L"C:\\x86\\UploadAgent.exe (32-bit, for all users)");

    // Our per-user stand-in must not hide a machine-wide agent behind the same class id.
    FakeClasses hidden;
    hidden.Set(Hive::User, View::Native, L"CLSID\\" + AGENT_ID + L"\\LocalServer32", L"", OWN_SERVER)
        .Set(Hive::Machine, View::Native, L"CLSID\\" + AGENT_ID + L"\\InprocServer32", L"", L"C:\\V\\agent.dll");
    ASSERT_TRUE(Other(hidden));
    EXPECT_EQ(Other(hidden)->server, L"C:\\V\\agent.dll");
    EXPECT_TRUE(Other(hidden, true));

    // A per-user agent of someone else's, reached by its class id alone; not machine-wide.
    FakeClasses perUser;
    perUser.Set(Hive::User, View::Wow32, L"CLSID\\" + AGENT_ID + L"\\LocalServer32", L"", L"C:\\V\\a.exe");
    EXPECT_TRUE(Other(perUser));
    EXPECT_FALSE(Other(perUser, true));

    // A registration whose program is gone is no agent: the live one behind it counts.
    perUser.gone.insert(L"C:\\V\\a.exe");
    EXPECT_FALSE(Other(perUser));
    hidden.gone.insert(L"C:\\V\\agent.dll");
    EXPECT_FALSE(Other(hidden));
}

TEST(AgentLookup, AServiceIsFoundThroughCurVerAndItsAppIdInEitherView) {
    const std::wstring service = L"{5B0C3F52-7A4E-4D8B-9C61-2E7F0D3A9B14}";
    FakeClasses classes;
    classes.Set(Hive::Machine, View::Native, PROG_ID + L"\\CurVer", L"", PROG_ID + L".3")
        .Set(Hive::Machine, View::Native, PROG_ID + L".3\\CurVer", L"", PROG_ID + L".4")
        .Set(Hive::Machine, View::Native, PROG_ID + L".4\\CLSID", L"", service)
        .Set(Hive::Machine, View::Native, L"CLSID\\" + service, L"AppID", service)
        .Set(Hive::Machine, View::Wow32, L"AppID\\" + service, L"LocalService", L"VelorexAgent");
    const auto agent = Other(classes, true);
    ASSERT_TRUE(agent);
    EXPECT_TRUE(agent->service);
    EXPECT_EQ(Describe(*agent), L"the service \"VelorexAgent\" (for all users)");

    // An AppID without a service is no server; a CurVer loop ends.
    FakeClasses loop;
    loop.Set(Hive::User, View::Native, PROG_ID + L"\\CurVer", L"", PROG_ID + L".1")
        .Set(Hive::User, View::Native, PROG_ID + L".1\\CurVer", L"", PROG_ID)
        .Set(Hive::User, View::Native, PROG_ID + L".1\\CLSID", L"", service)
        .Set(Hive::User, View::Native, L"CLSID\\" + service, L"AppID", service)
        .Set(Hive::User, View::Native, L"AppID\\" + service, L"RunAs", L"Interactive User");
    EXPECT_FALSE(Other(loop));
    loop.Set(Hive::User, View::Native, PROG_ID + L"\\CurVer", L"", PROG_ID);  // names itself
    EXPECT_FALSE(Other(loop));
}

TEST(Elevation, ParceloStartsOnlyWithTheSignedInUsersNormalRights) {
    const TokenFacts normal{false, L"S-1-5-21-1-2-3-1001"};
    const TokenFacts elevated{true, L"S-1-5-21-1-2-3-1001"};
    const TokenFacts administrator{true, L"S-1-5-21-1-2-3-500"};
    EXPECT_EQ(ChooseStartRoute(normal, std::nullopt), StartRoute::Direct);
    EXPECT_EQ(ChooseStartRoute(normal, administrator), StartRoute::Direct);
    EXPECT_EQ(ChooseStartRoute(elevated, normal), StartRoute::AsShell);
    EXPECT_EQ(ChooseStartRoute(elevated, elevated), StartRoute::Direct);  // the whole desktop runs elevated
    EXPECT_EQ(ChooseStartRoute(elevated, std::nullopt), StartRoute::NoShell);
    EXPECT_EQ(ChooseStartRoute(administrator, normal), StartRoute::OtherAccount);
    EXPECT_EQ(ChooseStartRoute(administrator, TokenFacts{true, L"S-1-5-21-1-2-3-1001"}), StartRoute::OtherAccount);
    EXPECT_EQ(ChooseStartRoute(elevated, TokenFacts{false, L""}), StartRoute::OtherAccount);

    EXPECT_TRUE(NotStartedReason(StartRoute::Direct).empty());
    EXPECT_TRUE(NotStartedReason(StartRoute::AsShell).empty());
    EXPECT_NE(NotStartedReason(StartRoute::NoShell).find(L"administrator"), std::wstring::npos);
    EXPECT_NE(NotStartedReason(StartRoute::OtherAccount).find(L"another account"), std::wstring::npos);
}

TEST(Elevation, OnlyTheSignedInUserInstalls) {
    const TokenFacts user{true, L"S-1-5-21-1-2-3-1001"};
    EXPECT_EQ(CheckAccount(user, TokenFacts{false, user.user}), AccountFit::SignedInUser);
    EXPECT_EQ(CheckAccount(user, std::nullopt), AccountFit::SignedInUser);  // no one to ask
    EXPECT_EQ(CheckAccount(user, TokenFacts{false, L""}), AccountFit::SignedInUser);
    EXPECT_EQ(CheckAccount(TokenFacts{true, L"S-1-5-21-1-2-3-500"}, TokenFacts{false, user.user}),
              AccountFit::OtherAccount);
    for (const wchar_t* service : {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20"}) {
        EXPECT_EQ(CheckAccount(TokenFacts{true, service}, std::nullopt), AccountFit::ServiceAccount);
        EXPECT_EQ(CheckAccount(TokenFacts{true, service}, TokenFacts{true, service}), AccountFit::ServiceAccount);
    }
    EXPECT_TRUE(WrongAccountText(AccountFit::SignedInUser).empty());
    EXPECT_NE(WrongAccountText(AccountFit::ServiceAccount).find(L"system account"), std::wstring::npos);
    EXPECT_NE(WrongAccountText(AccountFit::OtherAccount).find(L"another account"), std::wstring::npos);
}

TEST(StartupMark, AnOddFirstByteTurnsTheStartOff) {
    EXPECT_FALSE(MarkTurnsStartOff({}));
    EXPECT_FALSE(MarkTurnsStartOff({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(MarkTurnsStartOff({6, 0, 0, 0}));
    EXPECT_TRUE(MarkTurnsStartOff({3, 0, 0, 0, 0x10, 0x2a, 0x5b, 0x7c, 0x12, 0x4d, 0xdb, 0x01}));
    EXPECT_TRUE(MarkTurnsStartOff({7}));
}

namespace {

class FakeServers final : public ClassServers {
public:
    std::wstring Command(ClassPlace place) const override {
        ++reads;
        const auto found = commands.find(place);
        return found == commands.end() ? std::wstring() : found->second;
    }
    bool ProgramExists(const std::wstring& path) const override { return gone.count(path) == 0; }
    std::map<ClassPlace, std::wstring> commands;
    std::set<std::wstring> gone;
    mutable int reads = 0;
};

}  // namespace

TEST(HiddenAgent, TheLockerStepsAsideOnlyForAnotherLiveServer) {
    FakeServers servers;
    EXPECT_EQ(AgentHiddenByLocker(servers, OWN), L"");
    EXPECT_EQ(servers.reads, 1);  // no per-user Locker: nothing else is read
    servers.commands[ClassPlace::UserNative] = L"\"C:\\V\\UploadAgent.exe\"";
    servers.commands[ClassPlace::MachineNative] = L"\"C:\\Program Files\\V\\UploadAgent.exe\"";
    EXPECT_EQ(AgentHiddenByLocker(servers, OWN), L"");  // someone else's per-user agent

    servers.reads = 0;
    servers.commands[ClassPlace::UserNative] = OWN_SERVER + L" /scripted";
    EXPECT_EQ(AgentHiddenByLocker(servers, OWN), L"\"C:\\Program Files\\V\\UploadAgent.exe\"");
    EXPECT_EQ(servers.reads, 2);

    // Gone, or this folder's Locker again: the 32-bit views count then.
    servers.gone.insert(L"C:\\Program Files\\V\\UploadAgent.exe");
    EXPECT_EQ(AgentHiddenByLocker(servers, OWN), L"");
    servers.commands[ClassPlace::MachineNative] = OWN_SERVER;
    servers.commands[ClassPlace::UserWow32] = L"C:\\x86\\UploadAgent.exe /automation";
    EXPECT_EQ(AgentHiddenByLocker(servers, OWN), L"C:\\x86\\UploadAgent.exe /automation");
    servers.commands[ClassPlace::MachineWow32] = L"C:\\x86b\\agent.exe";
    EXPECT_EQ(AgentHiddenByLocker(servers, OWN), L"C:\\x86b\\agent.exe");
}

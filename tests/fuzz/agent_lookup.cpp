// The class registrations the setup reads can be written by any program and any registry
// editor: any text in any value, CurVer chains that loop, AppIDs without a service. The input
// is a list of values, each one byte that picks the key, hive and view, one byte of length and
// that many UTF-16 units of text; a text of one digit names the n-th class id or ProgID
// instead, so that chains form.
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "agent/ServerPath.h"
#include "installer/plugin/AgentLookup.h"

using namespace setup;

namespace {

const std::wstring PROG_ID = L"Velorex2.Request2";
const std::wstring AGENT_ID = L"{3E6889A5-4443-43F8-9306-B167252B7FFB}";
const std::wstring OWN = L"C:\\P";
const std::wstring IDS[] = {AGENT_ID, L"{1}", L"{2}", L"{3}"};
const std::wstring PROG_IDS[] = {PROG_ID, PROG_ID + L".1", PROG_ID + L".2", L"Other"};

class Classes final : public ClassesReader {
public:
    void Set(Hive hive, View view, const std::wstring& key, const std::wstring& name, const std::wstring& text) {
        values_[Where(hive, view, key, name)] = text;
    }
    std::optional<std::wstring> Text(Hive hive, View view, const std::wstring& key,
                                     const std::wstring& name) const override {
        ++reads;
        const auto found = values_.find(Where(hive, view, key, name));
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    mutable int reads = 0;

private:
    static std::wstring Where(Hive hive, View view, const std::wstring& key, const std::wstring& name) {
        return std::wstring(1, static_cast<wchar_t>(L'0' + 2 * static_cast<int>(hive) + static_cast<int>(view))) + key +
               L'|' + name;
    }
    std::map<std::wstring, std::wstring> values_;
};

// Letters folded as file names fold them here, slashes as backslashes.
std::wstring Folded(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c == L'/') c = L'\\';
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 512) return 0;  // a few dozen values: every key the lookup reads, several times over
    Classes classes;
    std::vector<std::wstring> texts;
    for (std::size_t at = 0; at + 2 <= size;) {
        const uint8_t pick = data[at], length = data[at + 1];
        at += 2;
        std::wstring text;
        for (int i = 0; i < length && at + 2 <= size; ++i, at += 2)
            text.push_back(static_cast<wchar_t>(data[at] | data[at + 1] << 8));
        text = text.substr(0, text.find(L'\0'));  // as the registry reader gives it
        if (text.size() == 1 && text[0] >= L'0' && text[0] <= L'3')
            text = (pick & 0x80) ? PROG_IDS[text[0] - L'0'] : IDS[text[0] - L'0'];
        texts.push_back(text);
        const Hive hive = (pick & 0x08) ? Hive::Machine : Hive::User;
        const View view = (pick & 0x10) ? View::Wow32 : View::Native;
        const std::wstring& id = IDS[(pick >> 5) & 3];
        const std::wstring& progId = PROG_IDS[(pick >> 5) & 3];
        switch (pick & 7) {
        case 0: classes.Set(hive, view, progId + L"\\CLSID", L"", text); break;
        case 1: classes.Set(hive, view, progId + L"\\CurVer", L"", text); break;
        case 2: classes.Set(hive, view, L"CLSID\\" + id + L"\\LocalServer32", L"", text); break;
        case 3: classes.Set(hive, view, L"CLSID\\" + id + L"\\InprocServer32", L"", text); break;
        case 4: classes.Set(hive, view, L"CLSID\\" + id, L"AppID", text); break;
        case 5: classes.Set(hive, view, L"AppID\\" + id, L"LocalService", text); break;
        default: texts.pop_back(); break;
        }
    }

    for (const bool machineOnly : {false, true}) {
        classes.reads = 0;
        const auto other = FindOtherAgent(classes, PROG_ID, AGENT_ID, {OWN, L""}, machineOnly);
        // Bounded: every ProgID of the chain, every class id, every hive and view, a few values each.
        FUZZ_CHECK(classes.reads < 2000);
        if (!other) continue;
        FUZZ_CHECK(!machineOnly || other->hive == Hive::Machine);
        FUZZ_CHECK(other->service || !StartsAgentIn(other->server, OWN));
        FUZZ_CHECK(!other->server.empty());
        for (const wchar_t end : {other->server.front(), other->server.back()}) FUZZ_CHECK(end != L' ' && end != L'\t');
        FUZZ_CHECK(Describe(*other).find(other->server) != std::wstring::npos);
        bool given = false;  // the server is one of the texts, trimmed
        for (const std::wstring& text : texts) given = given || text.find(other->server) != std::wstring::npos;
        FUZZ_CHECK(given);
    }
    for (const std::wstring& text : texts) {
        if (StartsAgentIn(text, OWN)) FUZZ_CHECK(Folded(ServerImagePath(text)) == L"c:\\p\\uploadagent.exe");
    }
    return 0;
}

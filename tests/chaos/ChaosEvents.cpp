// The events of a schedule, each as a user, another program or the agent brings it about.
#include "tests/chaos/ChaosRun.h"

#include "tests/support/Clipboard.h"
#include "tests/support/DropFilesBlock.h"
#include "tests/support/Input.h"

using namespace agentproto;
using namespace chaos;

std::vector<std::wstring> ChaosTest::MakeFiles(int count, int script) {
    std::vector<std::wstring> files;
    for (int i = 0; i < count; ++i) {
        const int n = nextName_++;
        files.push_back(Wide(folder_) + L"\\" + std::to_wstring(n) + L"-" + NAME_STEMS[(script + i) % 8] +
                        EXTENSIONS[n % 4]);
        WriteBytes(files.back(), "ID3 chaos");
    }
    return files;
}

bool ChaosTest::Drop(std::vector<OfferedFormat> formats, const std::vector<std::wstring>& items) {
    if (!SetShown(true)) {
        Fault("the window did not show again");
        return false;
    }
    // Written down before the drop: a box about an item may come before the drag has ended.
    for (const std::wstring& item : items) ledger_.Dropped(Utf8(item));
    const POINT centre = CentreOf(window_);
    drags_.Start(centre, std::move(formats));
    const ULONGLONG began = GetTickCount64();
    int nudges = 0;
    if (!PumpUntil(
            [&] {
                Service();
                // Wine's drag loop can wait for a mouse message that never comes: the cursor
                // is moved a pixel, as a hand would.
                if (GetTickCount64() - began > 2000u * (nudges + 1)) MoveMouse({centre.x + (++nudges % 2), centre.y});
                return drags_.Ended();
            },
            WAIT_MS)) {
        DWORD_PTR ignored = 0;
        const bool answers = SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored) != 0;
        const std::vector<std::string> log = script.Log();
        std::string tail;
        for (std::size_t i = log.size() > 4 ? log.size() - 4 : 0; i < log.size(); ++i) tail += "\n      " + log[i];
        Fault(std::string("a drag did not end; the window ") + (answers ? "answers" : "does not answer") +
              " WM_NULL; the agent's log ends:" + tail);
        return false;
    }
    const DragOutcome& outcome = drags_.Outcome();
    if (outcome.effect != DROPEFFECT_COPY) {
        ledger_.Withdraw(items.size());
        Note("    not taken (effect " + std::to_string(outcome.effect) + ")");
        return false;
    }
    Note("    taken: " + std::to_string(items.size()) + " from #" + std::to_string(ledger_.Items() - items.size()));
    return true;
}

void ChaosTest::Paste(int count, int script) {
    const std::vector<std::wstring> files = MakeFiles(count, script);
    if (!SetShown(true)) {
        Fault("the window did not show again");
        return;
    }
    std::vector<std::u16string> names;
    for (const std::wstring& file : files) names.emplace_back(file.begin(), file.end());
    const std::vector<unsigned char> list = DropFilesBlock(names);
    if (!PutOnClipboard(CF_HDROP, list.data(), list.size())) {
        Note("    the clipboard could not be had");
        return;
    }
    for (const std::wstring& file : files) ledger_.Dropped(Utf8(file));
    Post(ID_CMD_PASTE);
    if (!SetShown(false) || !SetShown(true)) Fault("the program did not take its Ctrl+V command");
    Note("    pasted: " + std::to_string(files.size()) + " from #" + std::to_string(ledger_.Items() - files.size()));
}

bool ChaosTest::WaitForLog(const std::string& prefix, std::size_t before, DWORD timeoutMs) {
    ULONGLONG checked = 0;
    return PumpUntil(
        [&] {
            Service();
            if (GetTickCount64() - checked < 200) return false;
            checked = GetTickCount64();
            return Lines(script.Log(), prefix) > before;
        },
        timeoutMs);
}

void ChaosTest::Execute(const ChaosEvent& event) {
    switch (event.kind) {
    case ChaosKind::DropFiles: DropFiles(event.count, event.param); break;
    case ChaosKind::DropText: {
        const int n = nextName_++;
        const std::wstring text = event.param == 0
                                      ? L"http://127.0.0.1:9/chaos/" + std::to_wstring(n) + L"/track.mp3"
                                      : L"chaos " + std::to_wstring(n) + L" \x041f\x0440\x0438\x0432\x0435\x0442 " +
                                            NAME_STEMS[n % 8];
        Drop({Text(Narrow(text)), WideText(text)}, {text});
        break;
    }
    case ChaosKind::DropBigFile: {
        const std::wstring path = Wide(folder_) + L"\\" + std::to_wstring(nextName_++) + L"-big.mp3";
        {
            UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            LARGE_INTEGER size;
            size.QuadPart = BIG_FILE_BYTES;
            SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN);
            SetEndOfFile(file.Get());
        }
        Drop({Files({path})}, {path});
        break;
    }
    case ChaosKind::Paste: Paste(event.count, event.param); break;
    case ChaosKind::AgentSignsOut:
        // The agent says it is signed out, and is from now on asked, until it says otherwise.
        script.Set("12.vt", VT_I4);
        script.Set("12.value", 0);
        Note(AgentScript::Fire(EventStatus, 10) ? "    status 10" : "    no agent running");
        break;
    case ChaosKind::AgentSignsIn:
        script.Remove("12.vt");
        script.Remove("12.value");
        Note(AgentScript::Fire(EventStatus, 12) && AgentScript::Fire(EventStatus, 19) &&
                     AgentScript::Fire(EventStatus, 11)
                 ? "    status 12, 19, 11"
                 : "    no agent running");
        break;
    case ChaosKind::SlowCalls:
        script.Set(std::to_string(event.param) + ".delay", static_cast<DWORD>(event.count));
        slowLeft_ = 3;  // this event's pause and the next two events
        break;
    case ChaosKind::HungCall: {
        BaseScript();
        hung_ = true;
        StopProbe();
        endAgent_ = event.param == 1;
        const std::size_t before = Lines(script.Log(), Called(DispIsSignedIn));
        script.Set("12.delay", HUNG_MS);
        DropFiles(1, 0);
        if (WaitForLog(Called(DispIsSignedIn), before, WAIT_MS)) {
            script.Remove("12.delay");
            Serve(HUNG_MS + 2000);  // the question comes, is answered, and the call returns
        } else {
            script.Remove("12.delay");
        }
        hung_ = false;
        endAgent_ = false;
        break;
    }
    case ChaosKind::FailingUpload: {
        BaseScript();
        const HRESULT code = static_cast<HRESULT>(CHAOS_UPLOAD_FAILURES[event.param]);
        const std::size_t before = Lines(script.Log(), Answered(DispUpload, code));
        script.Set("1.hr", static_cast<DWORD>(code));
        DropFiles(2, event.param);
        WaitForLog(Answered(DispUpload, code), before, FAULT_WAIT_MS);
        script.Set("1.hr", S_OK);
        break;
    }
    case ChaosKind::RejectedCall: {
        BaseScript();
        const std::size_t before = Lines(script.Log(), Answered(DispIsSignedIn, CALL_REJECTED));
        script.Set("12.hr", static_cast<DWORD>(CALL_REJECTED));
        DropFiles(1, 3);
        WaitForLog(Answered(DispIsSignedIn, CALL_REJECTED), before, FAULT_WAIT_MS);
        script.Remove("12.hr");
        break;
    }
    case ChaosKind::AgentDiesBetweenCalls: Note(AgentScript::KillServer() ? "    ended" : "    none running"); break;
    case ChaosKind::AgentDiesInCall: {
        BaseScript();
        const std::size_t before = Lines(script.Log(), Called(DispUpload));
        if (event.param == 1) {
            // It ends on its own right after answering the next Upload, as a server that
            // shuts down does: the next connection meets it on its way out.
            const LONG count = AgentScript::CallCount(DispUpload);
            script.Set("1.exitafter", static_cast<DWORD>((count < 0 ? 0 : count) + 1));
            DropFiles(3, 5);
            Note(WaitForLog(Answered(DispUpload, S_OK), Lines(script.Log(), Answered(DispUpload, S_OK)), 8000)
                     ? "    ends after an answer"
                     : "    no Upload came");
            Serve(500);
            script.Remove("1.exitafter");
            break;
        }
        script.Set("1.delay", 4000);
        DropFiles(2, 5);
        const bool inCall = WaitForLog(Called(DispUpload), before, 8000);
        Note(AgentScript::KillServer() ? (inCall ? "    ended inside an Upload" : "    ended, no Upload came")
                                       : "    none running");
        script.Remove("1.delay");
        break;
    }
    case ChaosKind::Restart:
        if (!Exit(true)) return;
        if (event.param == 1) StoreAutomaticSignIn(account_, PASSWORD);
        else DeleteProductKey();
        if (!Start()) return;
        WarmUp();
        break;
    case ChaosKind::GotoLocker: Post(ID_CMD_GOTO_LOCKER); break;
    case ChaosKind::SignOut: Post(ID_CMD_SIGN_OUT); break;
    case ChaosKind::Display:
        SetShown(false);
        Serve(150);
        SetShown(true);
        break;
    }
}

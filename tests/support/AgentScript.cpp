#include "tests/support/AgentScript.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "standin/ControlWindow.h"
#include "standin/StandinIds.h"
#include "tests/support/Files.h"
#include "tests/support/Owned.h"

using standin::SCRIPT_KEY;

AgentScript::AgentScript(bool logCalls)
    : logPath_(TempFolder() + "agent-calls-" + std::to_string(GetCurrentProcessId()) + ".log") {
    RegDeleteTreeA(HKEY_CURRENT_USER, SCRIPT_KEY);
    DeleteFileA(logPath_.c_str());
    if (logCalls) SetText("LogFile", logPath_);
}

LONG AgentScript::CallCount(long dispid) {
    const HWND control = ControlWindow();
    DWORD_PTR count = 0;
    if (!control || !SendMessageTimeoutA(control, standin::ControlWindow::MSG_CALL_COUNT, static_cast<WPARAM>(dispid),
                                         0, SMTO_BLOCK, 10000, &count))
        return -1;
    return static_cast<LONG>(count);
}

AgentScript::~AgentScript() {
    RegDeleteTreeA(HKEY_CURRENT_USER, SCRIPT_KEY);
    DeleteFileA(logPath_.c_str());
}

void AgentScript::Set(const std::string& name, DWORD value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, SCRIPT_KEY, name.c_str(), REG_DWORD, &value, sizeof value);
}

void AgentScript::SetText(const std::string& name, const std::string& value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, SCRIPT_KEY, name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

void AgentScript::Remove(const std::string& name) { RegDeleteKeyValueA(HKEY_CURRENT_USER, SCRIPT_KEY, name.c_str()); }

void AgentScript::ClearLog() const { DeleteFileW(Wide(logPath_).c_str()); }

std::vector<std::string> AgentScript::Log() const {
    std::vector<std::string> lines;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> AgentScript::LoggedCalls(long dispid) const {
    std::vector<std::string> found;
    const std::string prefix = "dispid=" + std::to_string(dispid) + "\t";
    for (const std::string& line : Log())
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    return found;
}

std::vector<long> AgentScript::CallOrder(const std::vector<long>& ids) const {
    std::vector<long> order;
    for (const std::string& line : Log()) {
        long id = -1;
        if (sscanf(line.c_str(), "dispid=%ld", &id) == 1 && std::find(ids.begin(), ids.end(), id) != ids.end())
            order.push_back(id);
    }
    return order;
}

HWND AgentScript::ControlWindow() { return FindWindowExW(HWND_MESSAGE, nullptr, standin::ControlWindow::CLASS_NAME, nullptr); }

DWORD AgentScript::AgentPid() {
    DWORD pid = 0;
    if (HWND control = ControlWindow()) GetWindowThreadProcessId(control, &pid);
    return pid;
}

bool AgentScript::Fire(long eventId, int value) {
    HWND control = ControlWindow();
    return control &&
           PostMessageA(control, standin::ControlWindow::MSG_FIRE, static_cast<WPARAM>(eventId), static_cast<LPARAM>(value));
}

bool AgentScript::KillServer() {
    HWND control = ControlWindow();
    const DWORD pid = AgentPid();
    UniqueHandle process(pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr);
    if (!control || !process.Valid()) return false;
    PostMessageA(control, standin::ControlWindow::MSG_DIE, 0, 0);
    return WaitForSingleObject(process.Get(), 10000) == WAIT_OBJECT_0;
}

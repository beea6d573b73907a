#include "tests/integration/AgentScript.h"

#include <fstream>

namespace {

const char SCRIPT_KEY[] = "Software\\Velorex\\UploadAgent\\Script";
const char CONTROL_CLASS[] = "VelorexUploadAgentControl";

}  // namespace

AgentScript::AgentScript() {
    RegDeleteTreeA(HKEY_CURRENT_USER, SCRIPT_KEY);
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    logPath_ = std::string(dir) + "agent-calls-" + std::to_string(GetCurrentProcessId()) + ".log";
    DeleteFileA(logPath_.c_str());
    SetText("LogFile", logPath_);
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

HWND AgentScript::ControlWindow() { return FindWindowExA(HWND_MESSAGE, nullptr, CONTROL_CLASS, nullptr); }

bool AgentScript::Fire(long eventId, int value) {
    HWND control = ControlWindow();
    return control && PostMessageA(control, WM_APP + 1, static_cast<WPARAM>(eventId), static_cast<LPARAM>(value));
}

bool AgentScript::KillServer() {
    HWND control = ControlWindow();
    if (!control) return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(control, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    PostMessageA(control, WM_APP + 2, 0, 0);
    const bool gone = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}


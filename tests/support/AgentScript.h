// Drives the stand-in agent's scripted mode from a test: its answers through the registry,
// its notifications and its death through its control window, its call log from a file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class AgentScript {
public:
    // Starts from an empty script, with a fresh log of the agent's calls unless told not to
    // (a benchmark keeps the agent's own cost down).
    explicit AgentScript(bool logCalls = true);
    ~AgentScript();  // removes the script, so later tests meet the default agent
    AgentScript(const AgentScript&) = delete;
    AgentScript& operator=(const AgentScript&) = delete;

    void Set(const std::string& name, DWORD value);
    void SetText(const std::string& name, const std::string& value);
    void Remove(const std::string& name);

    // The call log, one line a call, TAB-separated fields.
    void ClearLog() const;
    std::vector<std::string> Log() const;
    std::vector<std::string> LoggedCalls(long dispid) const;
    // The logged calls among `ids`, in the order the log has them.
    std::vector<long> CallOrder(const std::vector<long>& ids) const;

    // The agent's control window and process; null and 0 when no agent runs.
    static HWND ControlWindow();
    static DWORD AgentPid();
    static bool Fire(long eventId, int value);
    // Calls with this dispatch id the running agent has had since it started; -1 for none.
    static LONG CallCount(long dispid);
    // Makes the server end at once and waits until its process is gone.
    static bool KillServer();

private:
    std::string logPath_;
};

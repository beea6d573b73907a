// Driving the real parcelo.exe from outside, the way a person at the screen would: processes
// started and ended by id, the mouse and keys through SendInput, Linux programs (xdotool, a
// native X11 drag source) through the shell, the screen read back as pixels, and the settings
// and Locker folder the program and the stand-in agent leave behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

constexpr DWORD WAIT_MS = 20000;  // a cold agent start alone takes a second under Wine

extern const char PRODUCT_KEY[];  // HKCU\Software\Sonavo Inc.\Parcelo
extern const char AGENT_KEY[];    // HKCU\Software\Velorex\UploadAgent

// Dispatches this thread's messages until `done` holds or `timeoutMs` passes.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = WAIT_MS);

// A Windows process the test started; ended by its handle when the test is over, so a failed
// test never leaves it to the next one.
class Process {
public:
    Process() = default;
    explicit Process(const std::string& commandLine) { Start(commandLine); }
    ~Process() { End(); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Start(const std::string& commandLine);
    bool Started() const { return started_; }
    DWORD Pid() const { return info_.dwProcessId; }
    bool Running() const;
    // The exit code, or 0xFFFFFFFF when it is still running after `timeoutMs`.
    DWORD WaitForExit(DWORD timeoutMs = WAIT_MS) const;
    void End();

    // A visible top-level window of this process with that class (and title, when given).
    HWND FindWindowOf(const char* className, const char* title = nullptr) const;
    HWND WaitForWindow(const char* className, const char* title = nullptr, DWORD timeoutMs = WAIT_MS) const;
    // Every visible top-level window of the process.
    std::vector<HWND> VisibleWindows() const;

private:
    PROCESS_INFORMATION info_ = {};
    bool started_ = false;
};

// parcelo.exe with `switches` appended to its quoted path, as a shortcut would start it.
class Parcelo : public Process {
public:
    explicit Parcelo(const std::string& switches = " /showparcelo");
    // The drop window, shown or not, once it exists.
    HWND Window(DWORD timeoutMs = WAIT_MS) const;
    HWND Dialog(const char* title, DWORD timeoutMs = WAIT_MS) const { return WaitForWindow("#32770", title, timeoutMs); }
    HWND Menu(DWORD timeoutMs = WAIT_MS) const { return WaitForWindow("#32768", nullptr, timeoutMs); }
};

std::string ProgramPath();  // Z:\...\parcelo.exe
std::string AgentPath();    // Z:\...\UploadAgent.exe
std::string WindowsPath(const std::string& unixPath);

// The stand-in agent's process, found by its control window; 0 when none runs.
DWORD AgentPid();
// True once the process with that id has ended, within `timeoutMs`.
bool WaitForProcessEnd(DWORD pid, DWORD timeoutMs = WAIT_MS);

// ---- input: what a person's mouse and keyboard would send

POINT CentreOf(HWND window);
void MoveMouse(POINT to);
// Moves in `steps` even steps from where the cursor is, with a short pause after each, so
// every program on the way sees the pointer travel.
void GlideMouse(POINT to, int steps = 8);
void PressLeft();
void ReleaseLeft();
void ClickLeft(POINT at);
void DoubleClickLeft(POINT at);
void ClickRight(POINT at);
void PressKey(WORD vk);
// True once `window` is the active window of its thread and that thread is in neither a menu
// nor a move loop (which would take keys meant for the window), within `timeoutMs`.
bool WaitUntilReadyForKeys(HWND window, DWORD timeoutMs = WAIT_MS);
void PressKeys(const std::vector<WORD>& chord);  // e.g. {VK_CONTROL, 'D'}: down in order, up in reverse

// ---- Linux programs on the same X display

// Runs `script` with /bin/sh; its exit code once it has finished, or -1 after `timeoutMs`.
int RunShell(const std::string& script, DWORD timeoutMs = WAIT_MS);
// A Linux program started in the background, ended by its process id.
class LinuxProcess {
public:
    explicit LinuxProcess(const std::string& commandLine);
    ~LinuxProcess() { End(); }
    LinuxProcess(const LinuxProcess&) = delete;
    LinuxProcess& operator=(const LinuxProcess&) = delete;
    int Pid() const { return pid_; }
    bool Running() const;
    void End();

private:
    std::string pidFile_;
    int pid_ = 0;
};

// ---- the screen

using Pixels = std::vector<uint32_t>;  // 0x00RRGGBB, top row first

Pixels CaptureScreen(const RECT& area);
// What the drop window looks like with skin frame `frame` (0..3) and these two status lines,
// drawn the way the program should draw them, from the program's own bitmaps.
Pixels ExpectedWindow(int frame, const std::string& line1, const std::string& line2);
// Which animation frame the window at `area` shows with those lines (0..2), or -1.
int ShownFrame(const RECT& area, const std::string& line1, const std::string& line2);
// Tells which of many possible pairs of status lines the window shows, with the expected
// pictures drawn once up front rather than at every look.
class StatusMatcher {
public:
    int Add(const std::string& line1, const std::string& line2);  // the pair's index
    // The index of the pair the window at `area` shows, or -1 for none of them; `captured`
    // tells whether the screen could be read at all.
    int Match(const RECT& area, bool* captured = nullptr) const;
    const std::string& Line1(int index) const { return pairs_[index].line1; }
    const std::string& Line2(int index) const { return pairs_[index].line2; }

private:
    struct Pair {
        std::string line1, line2;
        Pixels frames[3];
    };
    std::vector<Pair> pairs_;
};

// Saves pixels of `width` x `height` as a 24-bit BMP (a picture of a failure, or for the docs).
bool SaveBitmap(const Pixels& pixels, int width, int height, const std::string& path);

// ---- files and the registry

std::string ReadText(HKEY root, const std::string& key, const char* name);  // "(absent)" when missing
DWORD ReadNumber(HKEY root, const std::string& key, const char* name);       // 0xFFFFFFFF when missing
std::string Contents(const std::string& path);                               // "(missing)" when missing
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
void RemoveTree(const std::string& folder);

// A value of the agent's key set for one test and put back as it was afterwards.
class AgentValue {
public:
    AgentValue(const char* name, const std::string& text);
    AgentValue(const char* name, DWORD number);
    ~AgentValue();
    AgentValue(const AgentValue&) = delete;
    AgentValue& operator=(const AgentValue&) = delete;

private:
    std::string name_;
    std::vector<BYTE> previous_;
    DWORD previousType_ = REG_NONE;
    bool had_ = false;
};

}  // namespace e2e

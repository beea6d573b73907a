#include "tests/e2e/E2eDriver.h"
#include "tests/support/MessagePump.h"
#include "tests/support/ScreenPixels.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace e2e {

const char PRODUCT_KEY[] = "Software\\Sonavo Inc.\\Parcelo";
const char AGENT_KEY[] = "Software\\Velorex\\UploadAgent";

namespace {

std::string ToWindows(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Sent input reaches the other programs through the server's queue; a short pause after each
// step lets them see the pointer where it is before the next step moves it on.
void Settle() { Sleep(40); }

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

}  // namespace


bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) { return PumpUntil(done, timeoutMs); }

// ---- processes

bool Process::Start(const std::string& commandLine) {
    End();
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_) != FALSE;
    return started_;
}

bool Process::Running() const { return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

DWORD Process::WaitForExit(DWORD timeoutMs) const {
    if (!started_ || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Process::End() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
    started_ = false;
}

HWND Process::FindWindowOf(const char* className, const char* title) const {
    if (!started_) return nullptr;
    for (HWND window = FindWindowExA(nullptr, nullptr, className, title); window;
         window = FindWindowExA(nullptr, window, className, title)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == info_.dwProcessId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

HWND Process::WaitForWindow(const char* className, const char* title, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(className, title)) != nullptr; }, timeoutMs);
    return found;
}

std::vector<HWND> Process::VisibleWindows() const {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{info_.dwProcessId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == s->pid && IsWindowVisible(window)) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Parcelo::Parcelo(const std::string& switches) { Start("\"" + ProgramPath() + "\"" + switches); }

HWND Parcelo::Window(DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window = FindWindowExA(nullptr, nullptr, "Sonavo", nullptr); window;
                 window = FindWindowExA(nullptr, window, "Sonavo", nullptr)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                if (pid == Pid()) return (found = window) != nullptr;
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::string ProgramPath() { return ToWindows(std::string("Z:") + PARCELO_EXE); }
std::string AgentPath() { return ToWindows(std::string("Z:") + UPLOAD_AGENT_EXE); }
std::string WindowsPath(const std::string& unixPath) { return ToWindows("Z:" + unixPath); }

DWORD AgentPid() {
    HWND control = FindWindowExA(HWND_MESSAGE, nullptr, "VelorexUploadAgentControl", nullptr);
    DWORD pid = 0;
    if (control) GetWindowThreadProcessId(control, &pid);
    return pid;
}

bool WaitForProcessEnd(DWORD pid, DWORD timeoutMs) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return true;  // already gone
    const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// ---- input

POINT CentreOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void MoveMouse(POINT to) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return;  // no screen to move on: the case fails on what it then sees
    // Rounded up, so that the server's scaling back to pixels lands on the pixel itself.
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (to.x * 65536 + width - 1) / width,
              (to.y * 65536 + height - 1) / height);
    Settle();
}

void GlideMouse(POINT to, int steps) {
    POINT from = {};
    GetCursorPos(&from);
    for (int i = 1; i <= steps; ++i)
        MoveMouse({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
}

void PressLeft() {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Settle();
}

void ReleaseLeft() {
    SendMouse(MOUSEEVENTF_LEFTUP);
    Settle();
}

void ClickLeft(POINT at) {
    MoveMouse(at);
    PressLeft();
    ReleaseLeft();
}

void DoubleClickLeft(POINT at) {
    MoveMouse(at);
    // One batch, so that both clicks fall well inside the double-click time.
    INPUT clicks[4] = {};
    const DWORD flags[4] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = flags[i];
    }
    SendInput(4, clicks, sizeof clicks[0]);
    Settle();
}

void ClickRight(POINT at) {
    MoveMouse(at);
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    Settle();
    SendMouse(MOUSEEVENTF_RIGHTUP);
    Settle();
}

void PressKeys(const std::vector<WORD>& chord) {
    std::vector<INPUT> inputs;
    for (WORD vk : chord) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        inputs.push_back(input);
    }
    for (auto it = chord.rbegin(); it != chord.rend(); ++it) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle();
}

void PressKey(WORD vk) { PressKeys({vk}); }

bool WaitUntilReadyForKeys(HWND window, DWORD timeoutMs) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    GUITHREADINFO info = {};
    const bool ready = WaitUntil(
        [&] {
            info = {};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(thread, &info) && info.hwndActive == window && GetForegroundWindow() == window &&
                   !(info.flags & (GUI_INMOVESIZE | GUI_INMENUMODE | GUI_POPUPMENUMODE));
        },
        timeoutMs);
    if (!ready)
        fprintf(stderr, "not ready for keys: active %p focus %p capture %p flags 0x%lx, foreground %p\n",
                static_cast<void*>(info.hwndActive), static_cast<void*>(info.hwndFocus),
                static_cast<void*>(info.hwndCapture), info.flags, static_cast<void*>(GetForegroundWindow()));
    return ready;
}

// ---- Linux programs

namespace {

// Wine starts a Linux program detached, without a handle to wait on: the shell around it
// writes what the test needs to know into files under /tmp.
std::string ScratchName(const char* what) {
    static int counter = 0;
    return "/tmp/parcelo-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "." + what;
}

bool StartShell(const std::string& script) {
    // Wine splits the command line the Windows way: the script must hold no double quote.
    if (script.find('"') != std::string::npos) return false;
    std::string line = "Z:\\bin\\sh -c \"" + script + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    // For a Linux program Wine's CreateProcess gives no handles back: the record held a
    // thread "handle" of 1 and made-up ids. Closing what it held, from a record with no room
    // to spare, was followed in the optimised build by this process reading the screen's size
    // as 0 for the rest of its life; so nothing in it is closed, and it has room to spare.
    struct {
        PROCESS_INFORMATION info;
        unsigned char spare[4096];
    } record = {};
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &record.info) !=
           FALSE;
}

bool ProcessAlive(int pid) {
    // A finished child that nobody has reaped yet still has its folder, marked Z.
    const std::string stat = Contents(WindowsPath("/proc/" + std::to_string(pid) + "/stat"));
    if (stat == "(missing)" || stat.empty()) return false;
    const size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z' && stat[close + 2] != 'X';
}

}  // namespace

int RunShell(const std::string& script, DWORD timeoutMs) {
    const std::string done = ScratchName("done");
    if (!StartShell("( " + script + " ); echo $? > " + done + ".part; mv " + done + ".part " + done)) return -1;
    int code = -1;
    const std::string windowsDone = WindowsPath(done);
    if (WaitUntil([&] { return Exists(windowsDone); }, timeoutMs)) code = std::atoi(Contents(windowsDone).c_str());
    DeleteFileA(windowsDone.c_str());
    return code;
}

LinuxProcess::LinuxProcess(const std::string& commandLine) : pidFile_(ScratchName("pid")) {
    if (!StartShell("echo $$ > " + pidFile_ + ".part; mv " + pidFile_ + ".part " + pidFile_ + "; exec " + commandLine))
        return;
    const std::string windowsPid = WindowsPath(pidFile_);
    if (WaitUntil([&] { return Exists(windowsPid) && !Contents(windowsPid).empty(); }, WAIT_MS))
        pid_ = std::atoi(Contents(windowsPid).c_str());
    DeleteFileA(windowsPid.c_str());
}

bool LinuxProcess::Running() const { return pid_ > 0 && ProcessAlive(pid_); }

void LinuxProcess::End() {
    if (pid_ <= 0) return;
    if (ProcessAlive(pid_)) {
        RunShell("kill " + std::to_string(pid_), 5000);
        WaitUntil([&] { return !ProcessAlive(pid_); }, 5000);
    }
    pid_ = 0;
}

// ---- the screen

namespace {

// The program's own resources, read as data: the test draws with the very bitmaps it shows.
HMODULE ProgramResources() {
    static HMODULE module = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

constexpr int WINDOW_WIDTH = 116, WINDOW_HEIGHT = 96;
constexpr int FIRST_SKIN_FRAME = 252;  // IDB_SKIN_FRAME0

}  // namespace

// Read from the X server itself: under Wine a program's screen DC holds only its own windows.
Pixels CaptureScreen(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    const std::string file = ScratchName("ppm");
    const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "+" +
                                 std::to_string(area.left) + "+" + std::to_string(area.top);
    if (RunShell("import -window root -crop " + geometry + " +repage -depth 8 ppm:" + file) != 0) return {};
    const std::string image = Contents(WindowsPath(file));
    DeleteFileA(WindowsPath(file).c_str());
    // Binary PPM: "P6", width, height, maximum value, one white-space byte, then RGB triples.
    std::istringstream header(image);
    std::string magic;
    int w = 0, h = 0, maximum = 0;
    header >> magic >> w >> h >> maximum;
    const size_t start = static_cast<size_t>(header.tellg()) + 1;
    if (magic != "P6" || w != width || h != height || maximum != 255 || image.size() < start + 3u * w * h) return {};
    Pixels pixels(static_cast<size_t>(w) * h);
    const auto* rgb = reinterpret_cast<const unsigned char*>(image.data() + start);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
    return pixels;
}

Pixels ExpectedWindow(int frame, const std::string& line1, const std::string& line2) {
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, WINDOW_WIDTH, WINDOW_HEIGHT);
    HGDIOBJ oldTarget = SelectObject(canvas, target);
    HDC frameDc = CreateCompatibleDC(screen);
    HBITMAP skin = LoadBitmapA(ProgramResources(), MAKEINTRESOURCEA(FIRST_SKIN_FRAME + frame));
    HGDIOBJ oldFrame = SelectObject(frameDc, skin);
    BitBlt(canvas, 0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, frameDc, 0, 0, SRCCOPY);
    HFONT font = CreateFontA(-10, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial Narrow");
    HGDIOBJ oldFont = SelectObject(canvas, font);
    RECT first = {2, 54, 108, 68}, second = {2, 67, 108, 80};
    DrawTextA(canvas, line1.c_str(), -1, &first, DT_CENTER);
    DrawTextA(canvas, line2.c_str(), -1, &second, DT_CENTER);
    SelectObject(canvas, oldFont);
    Pixels pixels = ReadPixels(canvas, 0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    DeleteObject(font);
    SelectObject(frameDc, oldFrame);
    DeleteObject(skin);
    DeleteDC(frameDc);
    SelectObject(canvas, oldTarget);
    DeleteObject(target);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
    return skin ? pixels : Pixels();
}

namespace {

// The part of the window on the screen, as it is there now: under Wine the window's default
// place reaches below the bottom edge, and only what is on the screen can be compared.
struct VisiblePart {
    explicit VisiblePart(const RECT& area) {
        const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (area.right - area.left != WINDOW_WIDTH || area.bottom - area.top != WINDOW_HEIGHT) return;
        RECT visible = {};
        if (!IntersectRect(&visible, &area, &screen)) return;
        width = visible.right - visible.left;
        height = visible.bottom - visible.top;
        dx = visible.left - area.left;
        dy = visible.top - area.top;
        shown = CaptureScreen(visible);
        if (shown.size() != static_cast<size_t>(width) * height) shown.clear();
    }
    bool Shows(const Pixels& expected) const {
        if (shown.empty() || expected.size() != static_cast<size_t>(WINDOW_WIDTH) * WINDOW_HEIGHT) return false;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (shown[y * width + x] != expected[(y + dy) * WINDOW_WIDTH + x + dx]) return false;
        return true;
    }
    Pixels shown;
    int width = 0, height = 0, dx = 0, dy = 0;
};

}  // namespace

int ShownFrame(const RECT& area, const std::string& line1, const std::string& line2) {
    const VisiblePart part(area);
    for (int frame = 0; frame < 3; ++frame)
        if (part.Shows(ExpectedWindow(frame, line1, line2))) return frame;
    return -1;
}

int StatusMatcher::Add(const std::string& line1, const std::string& line2) {
    Pair pair{line1, line2, {}};
    for (int frame = 0; frame < 3; ++frame) pair.frames[frame] = ExpectedWindow(frame, line1, line2);
    pairs_.push_back(std::move(pair));
    return static_cast<int>(pairs_.size()) - 1;
}

int StatusMatcher::Match(const RECT& area, bool* captured) const {
    const VisiblePart part(area);
    if (captured) *captured = !part.shown.empty();
    for (size_t i = 0; i < pairs_.size(); ++i)
        for (const Pixels& frame : pairs_[i].frames)
            if (part.Shows(frame)) return static_cast<int>(i);
    return -1;
}

bool SaveBitmap(const Pixels& pixels, int width, int height, const std::string& path) {
    if (pixels.size() != static_cast<size_t>(width) * height) return false;
    const int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom row first
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = rowBytes * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int row = height - 1; row >= 0; --row) {
        std::string line(rowBytes, '\0');
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[row * width + x];
            line[x * 3] = static_cast<char>(p & 0xFF);
            line[x * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
            line[x * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
        bytes += line;
    }
    WriteFile(path, bytes);
    return Exists(path);
}

// ---- files and the registry

std::string ReadText(HKEY root, const std::string& key, const char* name) {
    char text[512] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return "(absent)";
    return text;
}

DWORD ReadNumber(HKEY root, const std::string& key, const char* name) {
    DWORD value = 0xFFFFFFFF;
    DWORD size = sizeof value;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return value;
}

std::string Contents(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(missing)";
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

AgentValue::AgentValue(const char* name, const std::string& text) : name_(name) {
    DWORD size = 0;
    had_ = RegGetValueA(HKEY_CURRENT_USER, AGENT_KEY, name, RRF_RT_ANY, &previousType_, nullptr, &size) == ERROR_SUCCESS;
    if (had_) {
        previous_.resize(size);
        RegGetValueA(HKEY_CURRENT_USER, AGENT_KEY, name, RRF_RT_ANY | RRF_NOEXPAND, &previousType_, previous_.data(),
                     &size);
    }
    RegSetKeyValueA(HKEY_CURRENT_USER, AGENT_KEY, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

AgentValue::AgentValue(const char* name, DWORD number) : name_(name) {
    DWORD size = 0;
    had_ = RegGetValueA(HKEY_CURRENT_USER, AGENT_KEY, name, RRF_RT_ANY, &previousType_, nullptr, &size) == ERROR_SUCCESS;
    if (had_) {
        previous_.resize(size);
        RegGetValueA(HKEY_CURRENT_USER, AGENT_KEY, name, RRF_RT_ANY | RRF_NOEXPAND, &previousType_, previous_.data(),
                     &size);
    }
    RegSetKeyValueA(HKEY_CURRENT_USER, AGENT_KEY, name, REG_DWORD, &number, sizeof number);
}

AgentValue::~AgentValue() {
    if (had_)
        RegSetKeyValueA(HKEY_CURRENT_USER, AGENT_KEY, name_.c_str(), previousType_, previous_.data(),
                        static_cast<DWORD>(previous_.size()));
    else
        RegDeleteKeyValueA(HKEY_CURRENT_USER, AGENT_KEY, name_.c_str());
}

}  // namespace e2e

// A console demonstration of the upload client against whatever agent is registered:
// signs in, uploads the files named on the command line (or a generated tone), prints the
// status lines as they change and opens the Locker.
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "agent/AgentHost.h"
#include "agent/AgentLink.h"
#include "agent/DeferredLogin.h"
#include "agent/FileReceiver.h"
#include "settings/UserSettings.h"

namespace {

class DemoHost : public AgentHost, public StatusDisplay {
public:
    HWND MainWindowHandle() override { return nullptr; }
    int ShowMessage(HWND owner, const char* text, const char* caption, UINT type) override {
        std::printf("[%s] %s\n", caption, text);
        return (type & MB_YESNO) ? IDNO : MessageBoxA(owner, text, caption, type);
    }
    int32_t Now() override { return static_cast<int32_t>(time(nullptr)); }
    StatusDisplay& Display() override { return *this; }
    int RunSignInDialog() override {
        receiver.RequestSignIn("demo@example.com", "demo", 0, true);
        return IDOK;
    }
    UserSettings& Settings() override { return settings; }
    DeferredLogin& Deferred() override { return deferred; }
    FileReceiver& Receiver() override { return receiver; }
    AgentClient* GetAgentClient() override { return link.Get(); }

    void SetStatus(const char* line1, const char* line2) override {
        line1_ = line1;
        if (line2) line2_ = line2;
        Print();
    }
    void SetUploadingStatus(const char* name) override {
        std::string text(name);
        line1_ = "Uploading " + (text.size() > 10 ? "..." + text.substr(text.size() - 10) : text);
        Print();
    }
    void SetProgress(int percent) override {
        int toGo = 0;
        if (percent != -1 && link.Current()) link.Current()->GetFilesToGo(&toGo);
        line2_ = percent == -1 ? "" : std::to_string(percent) + "% done (" + std::to_string(toGo) + " to go)";
        Print();
    }
    void ShowBusyStatus() override { SetStatus("One moment, please...", nullptr); }
    void ShowCannotConnectStatus() override { SetStatus("Can't connect to Sonavo", "Please try again"); }

    std::string line1_, line2_;
    UserSettings settings;
    DeferredLogin deferred;
    FileReceiver receiver{*this};
    AgentLink link{*this, &CreateAgentObject};

private:
    void Print() { std::printf("  | %-24s | %-24s |\n", line1_.c_str(), line2_.c_str()); }
};

std::string MakeTone() {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "Parcelo demo tone.wav";
    const int rate = 8000, samples = rate * 2;
    std::vector<short> pcm(samples);
    for (int i = 0; i < samples; ++i) pcm[i] = static_cast<short>(8000 * std::sin(i * 2 * 3.14159265 * 440 / rate));
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return path;
    auto put = [out](const void* bytes, size_t size) { std::fwrite(bytes, 1, size, out); };
    const unsigned data = samples * 2, riff = 36 + data, fmt = 16, byteRate = rate * 2;
    const unsigned short pcmFormat = 1, channels = 1, align = 2, bits = 16;
    put("RIFF", 4), put(&riff, 4), put("WAVEfmt ", 8), put(&fmt, 4), put(&pcmFormat, 2), put(&channels, 2);
    put(&rate, 4), put(&byteRate, 4), put(&align, 2), put(&bits, 2), put("data", 4), put(&data, 4);
    put(pcm.data(), data);
    std::fclose(out);
    return path;
}

void Pump(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now; (now = GetTickCount64()) < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    {
        DemoHost host;
        std::vector<std::string> items(argv + 1, argv + argc);
        if (items.empty()) items.push_back(MakeTone());
        std::printf("Connecting to the agent...\n");
        if (AgentClient* client = host.GetAgentClient()) {
            std::printf("Agent version %s\n", client->GetVersion());
            if (host.receiver.BeginFiles() == 1)
                for (const std::string& item : items) host.receiver.AddFile(item.c_str());
            Pump(5000);
            client = host.GetAgentClient();
            if (client) client->OpenLocker();
            Pump(1000);
        }
    }
    OleUninitialize();
    return 0;
}

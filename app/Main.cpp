// Process entry: OLE, the drop window, the message loop, and an orderly end.
#include <windows.h>
#include <ole2.h>
#include <new>

#include "app/CommandLine.h"
#include "app/LockerStepAside.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "ui/AppModule.h"
#include "ui/MainWindow.h"

namespace {

// Between two messages of this loop no handler of the program runs: the one place where a
// replaced agent client cannot be in use any more.
void ReleaseRetiredAgentClients() {
    if (MainWindow* main = GetMainWindow()) main->Session().ReleaseRetired();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A file on an empty drive must never raise the system's own "No disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const StartSwitch start = FindStartSwitch(GetCommandLineW());
    OleInitialize(nullptr);
    GetAppModule().Init(instance);

    // The object's life is its drop-target reference count; the window takes the first
    // reference in WM_CREATE, and the release after the loop ends it.
    MainWindow* window =
        new (std::nothrow) MainWindow({start == StartSwitch::RegisterUser, start == StartSwitch::ShowParcelo});
    // Clearing the settings is all this start does: no window, no agent.
    if (start == StartSwitch::ClearSettings) DeleteStoredSettings();
    const bool starting = window && start != StartSwitch::ClearSettings;
    // Before anything asks COM for the agent.
    const std::wstring lockerNotice = starting ? StepAsideForInstalledAgent() : std::wstring();
    if (starting && window->CreateDropWindow()) {
        if (!lockerNotice.empty())
            MainWindow::seams.messageBox(window->windowHandle, lockerNotice.c_str(), L"Parcelo",
                                         MB_OK | MB_ICONINFORMATION);
        RunMessageLoop(window->windowHandle, LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS)),
                       &ReleaseRetiredAgentClients);
        window->Release();
    } else if (window) {
        // No window: give back the reference a failed WM_CREATE kept, or give the object the
        // one it needs to end.
        if (window->AddRef() > 1) window->Release();
        window->Release();
    }
    OleUninitialize();
    return 0;
}

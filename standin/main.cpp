// UploadAgent stand-in: a COM local server started by COM (/Embedding), or run with
// /RegServer or /UnregServer [/machine] [/scripted] to (un)register itself.
#include <windows.h>
#include <objbase.h>
#include <cctype>
#include <string>

#include "Agent.h"
#include "ClassFactory.h"
#include "ControlWindow.h"
#include "Notifier.h"
#include "Registrar.h"
#include "ScriptedCall.h"
#include "ServerModule.h"

namespace {

constexpr UINT UNUSED_CHECK_MS = 8000;

void CALLBACK CheckUsed(HWND, UINT, UINT_PTR, DWORD) { standin::ServerModule::StopIfUnused(); }

struct Switches {
    bool regServer = false;
    bool unregServer = false;
    bool machine = false;
    bool scripted = false;
};

// COM appends -Embedding or /Embedding; anything unknown is ignored.
Switches Parse(const char* commandLine) {
    Switches s;
    std::string word;
    for (const char* p = commandLine;; ++p) {
        if (*p && !isspace(static_cast<unsigned char>(*p))) {
            word += static_cast<char>(tolower(static_cast<unsigned char>(*p)));
            continue;
        }
        if (word.size() > 1 && (word[0] == '/' || word[0] == '-')) {
            const std::string name = word.substr(1);
            if (name == "regserver") s.regServer = true;
            if (name == "unregserver") s.unregServer = true;
            if (name == "machine") s.machine = true;
            if (name == "scripted") s.scripted = true;
        }
        word.clear();
        if (!*p) break;
    }
    return s;
}

int Serve(HINSTANCE instance, bool scripted) {
    using namespace standin;
    ServerModule::SetScripted(scripted);
    ControlWindow control;
    if (!control.Create(instance)) return 1;
    short status = 10;
    if (scripted) ScriptedCall::InitialStatus(&status);
    Notifier::SetStatus(status);
    Notifier::Attach(control.hwnd());
    Agent agent;

    ClassFactory* factory = new ClassFactory();
    const HRESULT hr = ServerModule::RegisterClassObject(factory);
    factory->Release();
    if (FAILED(hr)) return 1;
    const UINT_PTR unusedTimer = SetTimer(nullptr, 0, UNUSED_CHECK_MS, &CheckUsed);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, unusedTimer);
    ServerModule::RevokeClassObject();
    agent.Shutdown();
    Notifier::Attach(nullptr);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    const Switches switches = Parse(commandLine ? commandLine : "");
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int code = 0;
    if (switches.regServer) {
        code = SUCCEEDED(standin::Registrar::Register(switches.machine, switches.scripted)) ? 0 : 1;
    } else if (switches.unregServer) {
        code = SUCCEEDED(standin::Registrar::Unregister(switches.machine)) ? 0 : 1;
    } else {
        code = Serve(instance, switches.scripted);
    }
    CoUninitialize();
    return code;
}

// The process-wide module record: instance handles, and the bindings of windows that are
// being created, matched to their objects by thread.
#pragma once

#include <windows.h>

class BoundObject;

// Embedded in each window or dialog object. Until the window's first message it links the
// object into the pending list; from then on it holds the object's message procedure.
struct WindowBinding {
    using Procedure = LRESULT (*)(BoundObject* object, UINT message, WPARAM wParam, LPARAM lParam);

    BoundObject* object = nullptr;
    DWORD threadId = 0;
    WindowBinding* next = nullptr;
    Procedure procedure = nullptr;
};

class AppModule {
public:
    AppModule() = default;
    AppModule(const AppModule&) = delete;
    AppModule& operator=(const AppModule&) = delete;
    ~AppModule();

    void Init(HINSTANCE module);
    void PushBinding(WindowBinding& binding, BoundObject* object);
    BoundObject* TakeBinding();
    // Unlinks a record that no window took, e.g. when creation failed before any message.
    void CancelBinding(WindowBinding& binding);

    HINSTANCE instance = nullptr;
    HINSTANCE resourceInstance = nullptr;
    CRITICAL_SECTION windowCreationLock;

private:
    friend class CreationLock;
    bool initialised_ = false;
    WindowBinding* pendingBindings_ = nullptr;
};

AppModule& GetAppModule();

// The program's message loop, until WM_QUIT: keys go through `accelerators` to `window` first.
// `afterEach`, when given, runs after every message, when no handler is on the stack.
void RunMessageLoop(HWND window, HACCEL accelerators, void (*afterEach)() = nullptr);

// Holds the module's creation lock for one scope.
class CreationLock {
public:
    explicit CreationLock(AppModule& module) : lock_(module.windowCreationLock) { EnterCriticalSection(&lock_); }
    CreationLock(const CreationLock&) = delete;
    CreationLock& operator=(const CreationLock&) = delete;
    ~CreationLock() { LeaveCriticalSection(&lock_); }

private:
    CRITICAL_SECTION& lock_;
};

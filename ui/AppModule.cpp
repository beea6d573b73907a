#include "ui/AppModule.h"

AppModule& GetAppModule() {
    static AppModule module;
    return module;
}

AppModule::~AppModule() {
    if (initialised_) DeleteCriticalSection(&windowCreationLock);
}

void AppModule::Init(HINSTANCE module) {
    instance = module;
    resourceInstance = module;
    if (!initialised_) InitializeCriticalSection(&windowCreationLock);
    initialised_ = true;
    pendingBindings_ = nullptr;
}

void AppModule::PushBinding(WindowBinding& binding, BoundObject* object) {
    binding.object = object;
    binding.threadId = GetCurrentThreadId();
    CreationLock hold(*this);
    binding.next = pendingBindings_;
    pendingBindings_ = &binding;
}

BoundObject* AppModule::TakeBinding() {
    const DWORD thread = GetCurrentThreadId();
    CreationLock hold(*this);
    for (WindowBinding** link = &pendingBindings_; *link; link = &(*link)->next) {
        WindowBinding* found = *link;
        if (found->threadId != thread) continue;
        *link = found->next;
        found->next = nullptr;
        return found->object;
    }
    return nullptr;
}

void AppModule::CancelBinding(WindowBinding& binding) {
    CreationLock hold(*this);
    for (WindowBinding** link = &pendingBindings_; *link; link = &(*link)->next) {
        if (*link != &binding) continue;
        *link = binding.next;
        binding.next = nullptr;
        return;
    }
}

void RunMessageLoop(HWND window, HACCEL accelerators, void (*afterEach)()) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(window, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (afterEach) afterEach();
    }
}

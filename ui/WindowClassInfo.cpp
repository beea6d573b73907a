#include "ui/WindowClassInfo.h"

#include "ui/AppModule.h"

ATOM WindowClassInfo::EnsureRegistered() {
    if (atom != 0) return atom;
    AppModule& module = GetAppModule();
    CreationLock hold(module);
    if (atom != 0) return atom;
    classData.hCursor = LoadCursorW(systemCursor ? nullptr : module.instance, cursorId);
    classData.hInstance = module.instance;
    classData.style &= ~CS_GLOBALCLASS;
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    const ATOM found = static_cast<ATOM>(GetClassInfoExW(module.instance, classData.lpszClassName, &existing));
    atom = found ? found : RegisterClassExW(&classData);
    return atom;
}

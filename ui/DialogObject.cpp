#include "ui/DialogObject.h"

namespace {

INT_PTR CALLBACK DialogEntry(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = reinterpret_cast<BoundObject*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!object) return FALSE;
    return object->binding.procedure(object, message, wParam, lParam);
}

// Messages whose dialog procedure result is the answer itself, not a handled flag.
bool ReturnsValueDirectly(UINT message) {
    switch (message) {
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_INITDIALOG: return true;
    default: return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    }
}

}  // namespace

INT_PTR DialogObject::RunModal(int templateId, HWND parent) {
    AppModule& module = GetAppModule();
    module.PushBinding(binding, this);
    const INT_PTR result = DialogBoxParamW(module.resourceInstance, MAKEINTRESOURCEW(templateId), parent,
                                           &DialogBindingProcedure, 0);
    // A template that failed to load never sent a message: take back the pending binding.
    module.CancelBinding(binding);
    windowHandle = nullptr;
    binding.procedure = nullptr;
    return result;
}

INT_PTR CALLBACK DialogObject::DialogBindingProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    BoundObject* object = GetAppModule().TakeBinding();
    if (!object) return FALSE;
    static_cast<DialogObject*>(object)->Bind(dialog);
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(object));
    SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&DialogEntry));
    return DialogEntry(dialog, message, wParam, lParam);
}

LRESULT DialogObject::DialogMessageProcedure(BoundObject* object, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND dialog = object->windowHandle;
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = object->HandleMessage(dialog, message, wParam, lParam, result, 0);
    } catch (...) {
        handled = false;
    }
    if (handled) {
        if (ReturnsValueDirectly(message)) return result;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        object->windowHandle = nullptr;
        object->OnWindowGone(dialog);
    }
    return FALSE;
}

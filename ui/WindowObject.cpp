#include "ui/WindowObject.h"

namespace {

// The procedure every bound window has: one read of the window's own data, no search.
LRESULT CALLBACK WindowEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = reinterpret_cast<BoundObject*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!object) return DefWindowProcW(window, message, wParam, lParam);
    return object->binding.procedure(object, message, wParam, lParam);
}

// Nothing a handler throws may unwind into the system's code. A creation handler that threw
// has left the window half made: its creation fails, as if the window could not be made.
bool SafeHandle(BoundObject& object, HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    try {
        return object.HandleMessage(window, message, wParam, lParam, result, 0);
    } catch (...) {
        if (message != WM_CREATE && message != WM_NCCREATE) return false;
        result = message == WM_CREATE ? -1 : FALSE;
        return true;
    }
}

}  // namespace

void BoundObject::Bind(HWND window) {
    windowHandle = window;
    binding.procedure = MessageProcedure();
}

HWND WindowObject::Create(HWND parent, const RECT& rect, const wchar_t* name, DWORD style, DWORD exStyle,
                          HMENU menuOrId, ATOM classAtom, void* param) {
    if (classAtom == 0) return nullptr;
    AppModule& module = GetAppModule();
    module.PushBinding(binding, this);
    HWND window = CreateWindowExW(exStyle, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(classAtom)), name, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, menuOrId, module.instance,
                                  param);
    if (!window) module.CancelBinding(binding);
    return window;
}

LRESULT CALLBACK WindowObject::WindowBindingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    BoundObject* object = GetAppModule().TakeBinding();
    if (!object) return DefWindowProcW(window, message, wParam, lParam);
    static_cast<WindowObject*>(object)->Bind(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowEntry));
    return WindowEntry(window, message, wParam, lParam);
}

LRESULT WindowObject::WindowMessageProcedure(BoundObject* bound, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = static_cast<WindowObject*>(bound);
    HWND window = object->windowHandle;
    LRESULT result = 0;
    if (SafeHandle(*object, window, message, wParam, lParam, result)) return result;
    if (message != WM_NCDESTROY) return CallWindowProcW(object->defaultProcedure, window, message, wParam, lParam);

    const LONG_PTR current = GetWindowLongPtrW(window, GWLP_WNDPROC);
    result = CallWindowProcW(object->defaultProcedure, window, message, wParam, lParam);
    if (object->defaultProcedure != &DefWindowProcW && GetWindowLongPtrW(window, GWLP_WNDPROC) == current)
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(object->defaultProcedure));
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    object->windowHandle = nullptr;
    object->OnWindowGone(window);
    return result;
}

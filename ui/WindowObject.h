// Base of every window object: creates its window and receives all of its messages.
#pragma once

#include "ui/BoundObject.h"

class WindowObject : public BoundObject {
public:
    WindowObject() = default;

    WindowBinding::Procedure MessageProcedure() override { return &WindowMessageProcedure; }

    HWND Create(HWND parent, const RECT& rect, const wchar_t* name, DWORD style, DWORD exStyle, HMENU menuOrId,
                ATOM classAtom, void* param);

    static LRESULT CALLBACK WindowBindingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT WindowMessageProcedure(BoundObject* object, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC defaultProcedure = &DefWindowProcW;

protected:
    ~WindowObject() = default;
};

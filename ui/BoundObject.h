// What windows and modal dialogs share: an object bound to one native window at a time,
// which sees every message of that window through its message table.
#pragma once

#include <windows.h>

#include "ui/AppModule.h"

class BoundObject {
public:
    BoundObject() = default;
    BoundObject(const BoundObject&) = delete;
    BoundObject& operator=(const BoundObject&) = delete;

    virtual bool HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                               DWORD tableId) = 0;
    virtual WindowBinding::Procedure MessageProcedure() = 0;
    virtual void OnWindowGone(HWND) {}

    HWND windowHandle = nullptr;
    WindowBinding binding;

protected:
    ~BoundObject() = default;
    // Common to both binding procedures: attach, and return the entry to install.
    void Bind(HWND window);
};

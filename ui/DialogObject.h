// Base of every modal dialog object.
#pragma once

#include "ui/BoundObject.h"

class DialogObject : public BoundObject {
public:
    DialogObject() = default;

    WindowBinding::Procedure MessageProcedure() override { return &DialogMessageProcedure; }

    // Shows the dialog from the template and returns what it passed to EndDialog.
    INT_PTR RunModal(int templateId, HWND parent);

    static INT_PTR CALLBACK DialogBindingProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT DialogMessageProcedure(BoundObject* object, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    ~DialogObject() = default;
};

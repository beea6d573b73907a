// Drives this thread's modal dialogs without depending on focus or timing: a hook sees
// each dialog right after its WM_INITDIALOG, and a timer, which only the dialog's own
// modal loop dispatches, hands it to the test once that loop runs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class DialogDriver {
public:
    using OnInit = std::function<void(HWND dialog, LRESULT initResult)>;
    using OnRunning = std::function<void(HWND dialog)>;

    DialogDriver(OnInit onInit, OnRunning onRunning);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    int dialogs = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Tick(HWND dialog, UINT, UINT_PTR id, DWORD);

    OnInit onInit_;
    OnRunning onRunning_;
    HHOOK hook_;
};

// Presses a dialog's button the way a click does.
void Click(HWND dialog, int id);
std::string TextOf(HWND window);

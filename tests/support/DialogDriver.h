// Drives this thread's modal dialogs without depending on focus or timing: a hook sees each
// dialog right after its WM_INITDIALOG, and a timer, which only the dialog's own modal loop
// dispatches, runs the script's next step each time that loop has nothing else to do.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "tests/support/Owned.h"

class DialogDriver {
public:
    using Step = std::function<void(HWND dialog)>;
    using OnInit = std::function<void(HWND dialog, LRESULT initResult)>;

    // The steps run in order, across every dialog that opens while the driver lives; a dialog
    // still open when they have all run, or steps left over at the end, fail the test.
    explicit DialogDriver(std::vector<Step> steps, OnInit onInit = nullptr);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // The owner of each dialog that opened, in order.
    std::vector<HWND> owners;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Tick(HWND dialog, UINT, UINT_PTR id, DWORD);

    std::vector<Step> steps_;
    OnInit onInit_;
    size_t next_ = 0;
    OwnedHook hook_;
};

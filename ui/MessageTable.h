// Message tables: entries tried in order, the first match handles the message. A handler
// starts with `handled` set and may clear it to let default processing run as well.
#pragma once

#include <windows.h>
#include <cstddef>

template <class T>
struct MessageEntry {
    using MessageHandler = LRESULT (T::*)(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    using CommandHandler = LRESULT (T::*)(WORD code, WORD id, HWND control, bool& handled);

    UINT message;
    int commandId;   // WM_COMMAND entries: the id to match
    int notifyCode;  // WM_COMMAND entries: the code to match, or -1 for any
    MessageHandler onMessage;
    CommandHandler onCommand;
};

template <class T>
constexpr MessageEntry<T> OnMessage(UINT message, typename MessageEntry<T>::MessageHandler handler) {
    return {message, -1, -1, handler, nullptr};
}

template <class T>
constexpr MessageEntry<T> OnCommand(int id, typename MessageEntry<T>::CommandHandler handler, int code = -1) {
    return {WM_COMMAND, id, code, nullptr, handler};
}

template <class T, std::size_t N>
bool RunMessageTable(T& object, const MessageEntry<T> (&table)[N], UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT& result) {
    for (const MessageEntry<T>& entry : table) {
        if (entry.message != message) continue;
        bool handled = true;
        if (entry.onCommand) {
            const WORD id = LOWORD(wParam), code = HIWORD(wParam);
            if (entry.commandId != id || (entry.notifyCode != -1 && entry.notifyCode != code)) continue;
            result = (object.*entry.onCommand)(code, id, reinterpret_cast<HWND>(lParam), handled);
        } else {
            result = (object.*entry.onMessage)(message, wParam, lParam, handled);
        }
        return handled;
    }
    return false;
}

// The pieces of the bare start-up program that the step-by-step profile and the benchmarks
// repeat: COM objects that count no references (a drop target, a sink that drops the agent's
// notifications, a dispatch object), one Invoke, and a window of the drop window's class
// styles, size, place and window styles. COM for a thread is win/ComScope.h.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ole2.h>

#include "agent/AgentProtocol.h"
#include "ui/DropLayout.h"
#include "win/ComScope.h"

namespace bare {

// A COM object that lives as long as what it serves (its window, the run): nothing to count.
// It answers for IUnknown, its interface and whatever AlsoAnswers names.
template <class I>
class Uncounted : public I {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(I)) || AlsoAnswers(riid)) {
            *out = static_cast<I*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

protected:
    virtual bool AlsoAnswers(REFIID) const { return false; }
};

using UncountedDropTarget = Uncounted<IDropTarget>;

// A dispatch object called by DISPID alone: it has no type information or names to give.
class UncountedDispatch : public Uncounted<IDispatch> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// The agent insists on a sink that takes its event interface.
class IgnoringSink final : public UncountedDispatch {
public:
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return S_OK;
    }

private:
    bool AlsoAnswers(REFIID riid) const override { return IsEqualIID(riid, agentproto::EVENT_IID) != FALSE; }
};

inline HRESULT Call(IDispatch* agent, DISPID id, VARIANT* args, UINT count) {
    DISPPARAMS params = {args, nullptr, count, 0};
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr =
        agent->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    VariantClear(&result);
    return hr;
}

inline LRESULT CALLBACK QuitOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Registers the class and creates the hidden window at the drop window's first place; null
// when either fails.
inline HWND CreateDropSizedWindow(HINSTANCE instance, WNDPROC procedure, const char* className) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = className;
    const ATOM atom = RegisterClassExA(&windowClass);
    if (!atom) return nullptr;
    const int right = GetSystemMetrics(SM_CXFULLSCREEN), bottom = GetSystemMetrics(SM_CYFULLSCREEN);
    const int left = right - SKIN_SIZE.width, top = bottom - SKIN_SIZE.height;
    return CreateWindowExA(WS_EX_TOPMOST, MAKEINTATOM(atom), nullptr, WS_POPUP | WS_SYSMENU, left, top, right - left,
                           bottom - top, nullptr, nullptr, instance, nullptr);
}

}  // namespace bare

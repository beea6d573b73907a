// The drop window as a screen reader sees it: a status bar named "Parcelo" whose two
// children are the status lines as drawn. Reads the window and its lines while the window
// lives; once told the window is gone, every call fails as a disconnected object's does.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "ui/StatusLines.h"
#include "win/ComPtr.h"
#include "win/CountedObject.h"

// Child ids of the two lines; CHILDID_SELF (0) is the status bar itself.
constexpr LONG STATUS_LINE1_CHILD = 1;
constexpr LONG STATUS_LINE2_CHILD = 2;

class AccessibleStatus final : public CountedObject<IAccessible> {
public:
    // `standard` is the system's object for the window's client area, asked for what this
    // object does not answer itself (parent, focus, selection).
    AccessibleStatus(HWND window, const StatusLines& lines, ComPtr<IAccessible> standard);

    void WindowGone();
    // The text a reader is given for a line (1 or 2), and for both together.
    std::wstring LineText(LONG child) const;
    std::wstring StatusText() const;

    // IDispatch: no type information; readers use the IAccessible methods.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* focus) override;
    STDMETHODIMP get_accSelection(VARIANT* selection) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT, BSTR) override;
    STDMETHODIMP put_accValue(VARIANT, BSTR) override;

private:
    ~AccessibleStatus() override = default;
    bool Answers(REFIID riid) const override;
    // S_OK with `id` the child id when the window lives and `child` names this object or a
    // line; otherwise the failure to return.
    HRESULT Check(const VARIANT& child, LONG& id) const;
    // The part's rectangle on the screen.
    RECT ScreenRect(LONG id) const;
    static HRESULT Text(const std::wstring& text, BSTR* out);

    HWND window_;
    const StatusLines* lines_;
    ComPtr<IAccessible> standard_;
};

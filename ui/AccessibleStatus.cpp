#include "ui/AccessibleStatus.h"

#include <new>
#include <utility>

#include "ui/StatusText.h"

namespace {

// What a call about an object whose window has gone answers, as the system's own objects do.
constexpr HRESULT GONE = RPC_E_DISCONNECTED;

void SetChild(VARIANT* out, LONG id) {
    out->vt = VT_I4;
    out->lVal = id;
}

}  // namespace

AccessibleStatus::AccessibleStatus(HWND window, const StatusLines& lines, ComPtr<IAccessible> standard)
    : window_(window), lines_(&lines), standard_(std::move(standard)) {}

void AccessibleStatus::WindowGone() {
    window_ = nullptr;
    lines_ = nullptr;
    standard_.Reset();
}

std::wstring AccessibleStatus::LineText(LONG child) const {
    if (!lines_) return std::wstring();
    return DrawnText(child == STATUS_LINE1_CHILD ? lines_->statusLine1 : lines_->statusLine2);
}

std::wstring AccessibleStatus::StatusText() const {
    const std::wstring first = LineText(STATUS_LINE1_CHILD), second = LineText(STATUS_LINE2_CHILD);
    if (first.empty() || second.empty()) return first + second;
    return first + L"\r\n" + second;
}

HRESULT AccessibleStatus::Check(const VARIANT& child, LONG& id) const {
    if (!window_) return GONE;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal != CHILDID_SELF && child.lVal != STATUS_LINE1_CHILD && child.lVal != STATUS_LINE2_CHILD)
        return E_INVALIDARG;
    id = child.lVal;
    return S_OK;
}

RECT AccessibleStatus::ScreenRect(LONG id) const {
    RECT rect = {0, 0, 0, 0};
    if (id == CHILDID_SELF) {
        GetWindowRect(window_, &rect);
        return rect;
    }
    rect = id == STATUS_LINE1_CHILD ? lines_->line1Rect : lines_->line2Rect;
    MapWindowPoints(window_, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HRESULT AccessibleStatus::Text(const std::wstring& text, BSTR* out) {
    *out = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// ---- IUnknown and IDispatch

bool AccessibleStatus::Answers(REFIID riid) const {
    return IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, __uuidof(IAccessible));
}

STDMETHODIMP AccessibleStatus::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
STDMETHODIMP AccessibleStatus::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP AccessibleStatus::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
STDMETHODIMP AccessibleStatus::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// ---- IAccessible

STDMETHODIMP AccessibleStatus::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    return standard_ ? standard_->get_accParent(parent) : GONE;
}

STDMETHODIMP AccessibleStatus::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    if (!window_) return GONE;
    *count = 2;
    return S_OK;
}

// The lines are simple elements: a reader asks this object about them by child id.
STDMETHODIMP AccessibleStatus::get_accChild(VARIANT child, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    return FAILED(checked) ? checked : S_FALSE;
}

STDMETHODIMP AccessibleStatus::get_accName(VARIANT child, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (FAILED(checked)) return checked;
    try {
        return Text(id == CHILDID_SELF ? std::wstring(L"Parcelo") : LineText(id), name);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP AccessibleStatus::get_accValue(VARIANT child, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (FAILED(checked)) return checked;
    if (id != CHILDID_SELF) return DISP_E_MEMBERNOTFOUND;
    try {
        return Text(StatusText(), value);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP AccessibleStatus::get_accDescription(VARIANT, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    return window_ ? DISP_E_MEMBERNOTFOUND : GONE;
}

STDMETHODIMP AccessibleStatus::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    VariantInit(role);
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (FAILED(checked)) return checked;
    SetChild(role, id == CHILDID_SELF ? ROLE_SYSTEM_STATUSBAR : ROLE_SYSTEM_STATICTEXT);
    return S_OK;
}

STDMETHODIMP AccessibleStatus::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    VariantInit(state);
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (FAILED(checked)) return checked;
    LONG flags = STATE_SYSTEM_READONLY;
    if (!IsWindowVisible(window_)) flags |= STATE_SYSTEM_INVISIBLE;
    if (id == CHILDID_SELF && GetFocus() == window_) flags |= STATE_SYSTEM_FOCUSED;
    if (id == CHILDID_SELF) flags |= STATE_SYSTEM_FOCUSABLE;
    SetChild(state, flags);
    return S_OK;
}

STDMETHODIMP AccessibleStatus::get_accHelp(VARIANT, BSTR* help) {
    if (!help) return E_POINTER;
    *help = nullptr;
    return window_ ? DISP_E_MEMBERNOTFOUND : GONE;
}

STDMETHODIMP AccessibleStatus::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return window_ ? DISP_E_MEMBERNOTFOUND : GONE;
}

STDMETHODIMP AccessibleStatus::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
    if (!shortcut) return E_POINTER;
    *shortcut = nullptr;
    return window_ ? DISP_E_MEMBERNOTFOUND : GONE;
}

STDMETHODIMP AccessibleStatus::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    return standard_ ? standard_->get_accFocus(focus) : GONE;
}

STDMETHODIMP AccessibleStatus::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    return window_ ? S_FALSE : GONE;  // nothing here is selected
}

STDMETHODIMP AccessibleStatus::get_accDefaultAction(VARIANT, BSTR* action) {
    if (!action) return E_POINTER;
    *action = nullptr;
    return window_ ? DISP_E_MEMBERNOTFOUND : GONE;
}

STDMETHODIMP AccessibleStatus::accSelect(long flags, VARIANT child) {
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (FAILED(checked)) return checked;
    if (id != CHILDID_SELF) return DISP_E_MEMBERNOTFOUND;
    return standard_->accSelect(flags, child);  // taking the focus, as for any window
}

STDMETHODIMP AccessibleStatus::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    LONG id = 0;
    const HRESULT checked = Check(child, id);
    if (FAILED(checked)) return checked;
    const RECT rect = ScreenRect(id);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

STDMETHODIMP AccessibleStatus::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    VariantInit(end);
    LONG id = 0;
    const HRESULT checked = Check(start, id);
    if (FAILED(checked)) return checked;
    LONG to = 0;
    if (id == CHILDID_SELF) {
        if (direction == NAVDIR_FIRSTCHILD) to = STATUS_LINE1_CHILD;
        else if (direction == NAVDIR_LASTCHILD) to = STATUS_LINE2_CHILD;
        else return standard_->accNavigate(direction, start, end);  // the window's neighbours
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) {
        to = id == STATUS_LINE1_CHILD ? STATUS_LINE2_CHILD : 0;
    } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) {
        to = id == STATUS_LINE2_CHILD ? STATUS_LINE1_CHILD : 0;
    }
    if (to == 0) return S_FALSE;
    SetChild(end, to);
    return S_OK;
}

STDMETHODIMP AccessibleStatus::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    VariantInit(child);
    if (!window_) return GONE;
    const POINT at = {x, y};
    for (LONG id : {STATUS_LINE1_CHILD, STATUS_LINE2_CHILD, static_cast<LONG>(CHILDID_SELF)}) {
        const RECT rect = ScreenRect(id);
        if (PtInRect(&rect, at)) {
            SetChild(child, id);
            return S_OK;
        }
    }
    return S_FALSE;
}

STDMETHODIMP AccessibleStatus::accDoDefaultAction(VARIANT) { return window_ ? DISP_E_MEMBERNOTFOUND : GONE; }
STDMETHODIMP AccessibleStatus::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
STDMETHODIMP AccessibleStatus::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

// The host's custom controls as a dialog procedure sees them: spinners,
// which tell their dialog of every change the user makes, and list boxes
// with a selected item.
#pragma once

#include "host/Win.h"

// Sent to a dialog while the user changes a spinner: LOWORD(wParam) is the
// spinner's id, lParam the ISpinnerControl.
constexpr UINT CC_SPINNER_CHANGE = 0x0401;
constexpr UINT CC_SPINNER_BUTTONUP = 0x0403;

class ISpinnerControl {
public:
    explicit ISpinnerControl(HWND w) : window_(w) {}
    HWND GetHwnd() const { return window_; }
    float GetFVal() const { return window_ ? window_->value : 0.0f; }
    int GetIVal() const { return static_cast<int>(GetFVal()); }
    // With notify set, the dialog the spinner sits in hears of the change as
    // from the user.
    void SetValue(float v, BOOL notify) {
        if (!window_) return;
        window_->value = v;
        HWND dialog = window_->parent ? window_->parent : window_;
        if (notify)
            SendMessage(dialog, CC_SPINNER_CHANGE, MAKEWPARAM(static_cast<WORD>(window_->id), FALSE),
                        reinterpret_cast<LPARAM>(this));
    }
    void SetValue(int v, BOOL notify) { SetValue(static_cast<float>(v), notify); }

private:
    HWND window_;
};

// Inline, so that a loaded plug-in module finds them whatever the executable
// links (docs/architecture.md).

// Null for a missing control; release what you get.
inline ISpinnerControl* GetISpinner(HWND w) { return w ? new ISpinnerControl(w) : nullptr; }
inline void ReleaseISpinner(ISpinnerControl* spinner) { delete spinner; }

// The user drags a spinner to a value: the dialog hears CC_SPINNER_CHANGE.
inline void UserSetSpinner(HWND spinner, float v) { ISpinnerControl(spinner).SetValue(v, TRUE); }

// List boxes (the names of the window system's own helpers).
inline int ListBox_GetCurSel(HWND list) { return list ? list->curSel : -1; }
inline int ListBox_SetCurSel(HWND list, int index) {
    if (!list) return -1;
    list->curSel = index < 0 ? -1 : index;
    return list->curSel;
}

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
    // With notify set, the dialog hears of the change as from the user.
    void SetValue(float v, BOOL notify);
    void SetValue(int v, BOOL notify) { SetValue(static_cast<float>(v), notify); }

private:
    HWND window_;
};

// Null for a missing control; release what you get.
ISpinnerControl* GetISpinner(HWND w);
void ReleaseISpinner(ISpinnerControl* spinner);

// The user drags a spinner to a value: the dialog hears CC_SPINNER_CHANGE.
void UserSetSpinner(HWND spinner, float v);

// List boxes (the names of the window system's own helpers).
int ListBox_GetCurSel(HWND list);
int ListBox_SetCurSel(HWND list, int index);

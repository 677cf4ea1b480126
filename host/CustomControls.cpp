#include "host/CustomControls.h"

void ISpinnerControl::SetValue(float v, BOOL notify) {
    if (!window_) return;
    window_->value = v;
    // A control tells the dialog it sits in.
    HWND dialog = window_->parent ? window_->parent : window_;
    if (notify) SendMessage(dialog, CC_SPINNER_CHANGE, MAKEWPARAM(static_cast<WORD>(window_->id), FALSE),
                            reinterpret_cast<LPARAM>(this));
}

ISpinnerControl* GetISpinner(HWND w) { return w ? new ISpinnerControl(w) : nullptr; }
void ReleaseISpinner(ISpinnerControl* spinner) { delete spinner; }

void UserSetSpinner(HWND spinner, float v) {
    ISpinnerControl control(spinner);
    control.SetValue(v, TRUE);
}

int ListBox_GetCurSel(HWND list) { return list ? list->curSel : -1; }

int ListBox_SetCurSel(HWND list, int index) {
    if (!list) return -1;
    list->curSel = index < 0 ? -1 : index;
    return list->curSel;
}

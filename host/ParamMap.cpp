#include "host/ParamMap.h"

#include "host/ClassDesc.h"

IParamMap2::IParamMap2(IParamBlock2* pb, const RolloutDesc& rollout, ClassDesc2* cd)
    : pb_(pb), rollout_(rollout), proc_(rollout.dlgProc) {
    window_.id = rollout.dialogId;
    if (cd && rollout.titleId) window_.text = cd->GetRsrcString(rollout.titleId);
    ParamBlockDesc2* desc = pb->GetDesc();
    for (int i = 0; i < desc->Count(); ++i) {
        const ParamDef& d = desc->GetParamDefByIndex(i);
        if (d.map != rollout.mapId) continue;
        MSTR label = (cd && d.localName) ? cd->GetRsrcString(d.localName) : FromUtf8(d.name);
        for (int ctrl : d.ui.ctrlIds)
            if (ctrl && !window_.Child(ctrl)) window_.AddChild(ctrl, label);
    }
    window_.proc = [this](HWND h, UINT msg, WPARAM w, LPARAM l) -> INT_PTR {
        return proc_ ? proc_->DlgProc(0, this, h, msg, w, l) : 0;
    };
    pb_->SetMap(this, rollout.mapId);
    Send(WM_INITDIALOG);
}

IParamMap2::~IParamMap2() {
    Send(WM_DESTROY);
    if (pb_ && pb_->GetMap(rollout_.mapId) == this) pb_->SetMap(nullptr, rollout_.mapId);
}

INT_PTR IParamMap2::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc_ ? proc_->DlgProc(0, this, &window_, msg, wParam, lParam) : 0;
}

void IParamMap2::SetThing(ReferenceTarget* thing) {
    if (proc_) proc_->SetThing(thing);
}

std::vector<HWND> IParamMap2::ControlsOf(ParamID id) {
    std::vector<HWND> out;
    if (!pb_) return out;
    const ParamDef* d = pb_->GetParamDef(id);
    // Rollouts reuse control ids; another rollout's parameter has none here.
    if (!d || d->map != rollout_.mapId) return out;
    for (int ctrl : d->ui.ctrlIds)
        if (HWND w = window_.Child(ctrl)) out.push_back(w);
    return out;
}

void IParamMap2::Enable(ParamID id, BOOL onOff, int) {
    for (HWND w : ControlsOf(id)) EnableWindow(w, onOff);
}

void IParamMap2::Show(ParamID id, BOOL showHide, int) {
    for (HWND w : ControlsOf(id)) ShowWindow(w, showHide ? SW_SHOW : SW_HIDE);
}

void IParamMap2::SetText(ParamID id, const MCHAR* text, int) {
    for (HWND w : ControlsOf(id)) SetWindowText(w, text);
}

BOOL IParamMap2::IsEnabled(ParamID id) {
    auto ws = ControlsOf(id);
    return !ws.empty() && ws.front()->enabled;
}

BOOL IParamMap2::IsShown(ParamID id) {
    auto ws = ControlsOf(id);
    return !ws.empty() && ws.front()->visible;
}

void IParamMap2::Invalidate(ParamID) {
    ++invalidations_;
    Send(WM_PAINT);
}

IAutoMParamDlg::~IAutoMParamDlg() {
    for (IParamMap2* m : maps_) delete m;
}

IParamMap2* CreateRollupParamMap(IParamBlock2* pb, const RolloutDesc& rollout, ClassDesc2* cd) {
    return new IParamMap2(pb, rollout, cd);
}

void DestroyParamMap2(IParamMap2* map) { delete map; }

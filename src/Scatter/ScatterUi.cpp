#include "Scatter/ScatterUi.h"

#include "Resources.h"
#include "Scatter/Scatter.h"

namespace Nimbal {

namespace {

Scatter* scatterOf(IParamMap2* map) {
    IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
    return pb ? dynamic_cast<Scatter*>(pb->GetOwner()) : nullptr;
}

// A list, the spinner under it and the table the spinner edits.
struct ListSpinner {
    int list;
    int spinner;
    ParamID values;
};
constexpr ListSpinner LIST_SPINNERS[] = {
    {IDC_DIST_LIST, IDC_DIST_DENSITY_SPIN, scatter_distributionObjectsDensity},
    {IDC_SCAT_LIST, IDC_SCAT_FREQUENCY_SPIN, scatter_scatteredObjectsFrequency},
};

// The template's own controls, beside those of the parameters.
void addTemplateControls(HWND hWnd, int dialogId) {
    if (const DialogResource* dialog = findDialogResource(dialogId)) {
        for (const ControlResource& c : dialog->controls)
            if (!GetDlgItem(hWnd, c.id)) hWnd->AddChild(c.id, FromUtf8(c.text));
    }
}

// The y and z controls of the scale triples.
constexpr int SCALE_YZ_CONTROLS[] = {IDC_SCALE_MIN_Y, IDC_SCALE_MIN_Y_SPIN, IDC_SCALE_MIN_Z, IDC_SCALE_MIN_Z_SPIN,
                                     IDC_SCALE_MAX_Y, IDC_SCALE_MAX_Y_SPIN, IDC_SCALE_MAX_Z, IDC_SCALE_MAX_Z_SPIN};

}  // namespace

INT_PTR ScatterObjectsDlgProc::DlgProc(TimeValue, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam,
                                       LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        addTemplateControls(hWnd, SCATTER_DIALOG_OBJECTS);
        refreshSpinners(map, hWnd);
        return TRUE;
    case WM_SETCURSOR:
        // The host says nothing when a list's selection moves; the mouse
        // passing over the rollout is the moment to catch up.
        refreshSpinners(map, hWnd);
        return FALSE;
    case CC_SPINNER_CHANGE: {
        Scatter* scatter = scatterOf(map);
        IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
        if (!scatter || !pb) return FALSE;
        for (const ListSpinner& ls : LIST_SPINNERS) {
            if (LOWORD(wParam) != ls.spinner) continue;
            const int selected = ListBox_GetCurSel(GetDlgItem(hWnd, ls.list));
            if (selected < 0 || selected >= pb->Count(ls.values)) return TRUE;
            auto* spinner = reinterpret_cast<ISpinnerControl*>(lParam);
            const float value = spinner ? spinner->GetFVal() : GetDlgItem(hWnd, ls.spinner)->value;
            const TimeValue now = GetCOREInterface()->GetTime();
            scatter->requestRegeneration(now, false);
            pb->SetValue(ls.values, now, value, selected);
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_DIST_ADD: editList(map, scatter_distributionObjects); return TRUE;
        case IDC_SCAT_ADD: editList(map, scatter_scatteredObjects); return TRUE;
        case IDC_CONVERT:
            if (Scatter* scatter = scatterOf(map)) confirmAndConvert(scatter, hWnd);
            return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

void ScatterObjectsDlgProc::refreshSpinners(IParamMap2* map, HWND hWnd) {
    IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
    if (!pb) return;
    const TimeValue now = GetCOREInterface()->GetTime();
    for (const ListSpinner& ls : LIST_SPINNERS) {
        const int selected = ListBox_GetCurSel(GetDlgItem(hWnd, ls.list));
        if (selected < 0 || selected >= pb->Count(ls.values)) continue;
        if (ISpinnerControl* spinner = GetISpinner(GetDlgItem(hWnd, ls.spinner))) {
            spinner->SetValue(pb->GetFloat(ls.values, now, selected), FALSE);
            ReleaseISpinner(spinner);
        }
    }
}

void ScatterObjectsDlgProc::editList(IParamMap2* map, ParamID nodes) {
    IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
    if (!pb) return;
    ExclList list;
    for (int i = 0; i < pb->Count(nodes); ++i)
        if (INode* node = pb->GetINode(nodes, 0, i)) list.Append(node);
    if (!GetCOREInterface()->DoExclusionListDialog(&list, FALSE)) return;

    // From the end, so that the indices still to visit stay put.
    for (int i = pb->Count(nodes) - 1; i >= 0; --i) {
        INode* node = pb->GetINode(nodes, 0, i);
        if (!node || list.FindNode(node) < 0) pb->Delete(nodes, i, 1);
    }
    for (int k = 0; k < list.Count(); ++k) {
        INode* node = list[k];
        bool listed = false;
        for (int i = 0; i < pb->Count(nodes) && !listed; ++i) listed = pb->GetINode(nodes, 0, i) == node;
        if (!node || listed) continue;
        // The dialog offers every node; the list keeps only what it accepts.
        PB2Value v(static_cast<ReferenceTarget*>(node));
        if (!pb->Validate(nodes, v, pb->Count(nodes))) continue;
        pb->Append(nodes, 1, &v);
    }
    map->Invalidate();
}

void ScatterObjectsDlgProc::confirmAndConvert(Scatter* scatter, HWND owner) {
    const MSTR text = getResourceString(IDS_SCATTER_CONVERT_CONFIRM);
    const MSTR caption = getResourceString(IDS_SCATTER_CONVERT_CAPTION);
    if (MessageBox(owner, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONWARNING) != IDOK) return;
    scatter->convertToGeometry(GetCOREInterface()->GetTime());
}

INT_PTR ScatterTransformDlgProc::DlgProc(TimeValue, IParamMap2* map, HWND hWnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: applyUniformScaling(map, hWnd); return TRUE;
    case WM_PAINT: applyUniformScaling(map, hWnd); return FALSE;
    default: return FALSE;
    }
}

void ScatterTransformDlgProc::applyUniformScaling(IParamMap2* map, HWND hWnd) {
    IParamBlock2* pb = map ? map->GetParamBlock() : nullptr;
    if (!pb) return;
    const BOOL perAxis = pb->GetInt(scatter_uniformScaling, GetCOREInterface()->GetTime()) == 0;
    for (int id : SCALE_YZ_CONTROLS) EnableWindow(GetDlgItem(hWnd, id), perAxis);
    map->Enable(scatter_scaleMapY, perAxis);
    map->Enable(scatter_scaleMapZ, perAxis);
}

}  // namespace Nimbal

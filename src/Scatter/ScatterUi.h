// The scatter's rollouts: the control ids of their dialog templates and the
// dialog procedures of "Objects" and "Transformations".
#pragma once

#include "host/Max.h"

namespace Nimbal {

class Scatter;

enum : MapID {
    SCATTER_MAP_OBJECTS = 0,
    SCATTER_MAP_SCATTERING = 1,
    SCATTER_MAP_TRANSFORMATIONS = 2,
    SCATTER_MAP_DISPLAY = 3,
};

// The convert button's confirmation box.
inline constexpr int IDS_SCATTER_CONVERT_CONFIRM = 10080;
inline constexpr int IDS_SCATTER_CONVERT_CAPTION = 10081;

// Dialog templates, one per rollout.
enum : int {
    SCATTER_DIALOG_OBJECTS = 1708,
    SCATTER_DIALOG_SCATTERING,
    SCATTER_DIALOG_TRANSFORMATIONS,
    SCATTER_DIALOG_DISPLAY,
};

// Control ids; each rollout has its own template, the numbers do not clash
// across the whole block either.
enum : int {
    // "Objects"
    IDC_DIST_LIST = 1001,
    IDC_DIST_PICK,
    IDC_DIST_ADD,
    IDC_DIST_REMOVE,
    IDC_DIST_DENSITY,
    IDC_DIST_DENSITY_SPIN,
    IDC_SCAT_LIST,
    IDC_SCAT_PICK,
    IDC_SCAT_ADD,
    IDC_SCAT_REMOVE,
    IDC_SCAT_FREQUENCY,
    IDC_SCAT_FREQUENCY_SPIN,
    IDC_CONVERT,
    // "Scattering"
    IDC_DENSITY_MAP = 1101,
    IDC_COUNT,
    IDC_COUNT_SPIN,
    IDC_SEED,
    IDC_SEED_SPIN,
    IDC_RANDOM_CONGRUENT,
    IDC_RANDOM_HALTON,
    IDC_ON_SURFACES,
    IDC_IN_BOUNDING_BOX,
    IDC_COLLISION_DETECT,
    // "Transformations"
    IDC_SCALE_MAP_X = 1201,
    IDC_SCALE_MAP_Y,
    IDC_SCALE_MAP_Z,
    IDC_ALIGN_NORMALS,
    IDC_TRANSLATE_MIN_X,
    IDC_TRANSLATE_MIN_X_SPIN,
    IDC_TRANSLATE_MIN_Y,
    IDC_TRANSLATE_MIN_Y_SPIN,
    IDC_TRANSLATE_MIN_Z,
    IDC_TRANSLATE_MIN_Z_SPIN,
    IDC_TRANSLATE_MAX_X,
    IDC_TRANSLATE_MAX_X_SPIN,
    IDC_TRANSLATE_MAX_Y,
    IDC_TRANSLATE_MAX_Y_SPIN,
    IDC_TRANSLATE_MAX_Z,
    IDC_TRANSLATE_MAX_Z_SPIN,
    IDC_ROTATE_MIN_X,
    IDC_ROTATE_MIN_X_SPIN,
    IDC_ROTATE_MIN_Y,
    IDC_ROTATE_MIN_Y_SPIN,
    IDC_ROTATE_MIN_Z,
    IDC_ROTATE_MIN_Z_SPIN,
    IDC_ROTATE_MAX_X,
    IDC_ROTATE_MAX_X_SPIN,
    IDC_ROTATE_MAX_Y,
    IDC_ROTATE_MAX_Y_SPIN,
    IDC_ROTATE_MAX_Z,
    IDC_ROTATE_MAX_Z_SPIN,
    IDC_SCALE_MIN_X,
    IDC_SCALE_MIN_X_SPIN,
    IDC_SCALE_MIN_Y,
    IDC_SCALE_MIN_Y_SPIN,
    IDC_SCALE_MIN_Z,
    IDC_SCALE_MIN_Z_SPIN,
    IDC_SCALE_MAX_X,
    IDC_SCALE_MAX_X_SPIN,
    IDC_SCALE_MAX_Y,
    IDC_SCALE_MAX_Y_SPIN,
    IDC_SCALE_MAX_Z,
    IDC_SCALE_MAX_Z_SPIN,
    IDC_UNIFORM_SCALING,
    // "Display"
    IDC_PREVIZ_NONE = 1301,
    IDC_PREVIZ_DOT,
    IDC_PREVIZ_BOX,
    IDC_PREVIZ_WIRE_BOX,
    IDC_PREVIZ_FULL,
    IDC_DISPLAYED_FRACTION,
    IDC_DISPLAYED_FRACTION_SPIN,
    IDC_ICON_SIZE,
    IDC_ICON_SIZE_SPIN,
};

// "Objects": the density and frequency spinners follow the lists' selected
// items, the list buttons edit a list through the include/exclude dialog, and
// the convert button asks before it converts.
class ScatterObjectsDlgProc : public ParamMap2UserDlgProc {
public:
    INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The spinners show the selected entries' values.
    static void refreshSpinners(IParamMap2* map, HWND hWnd);
    // Brings a node table in line with the include/exclude dialog's answer.
    static void editList(IParamMap2* map, ParamID nodes);
    static void confirmAndConvert(Scatter* scatter, HWND owner);
};

// "Transformations": uniform scaling disables the y and z scale controls.
class ScatterTransformDlgProc : public ParamMap2UserDlgProc {
public:
    INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    static void applyUniformScaling(IParamMap2* map, HWND hWnd);
};

}  // namespace Nimbal

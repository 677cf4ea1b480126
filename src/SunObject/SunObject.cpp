#include "SunObject/SunObject.h"

#include <limits>

#include "Resources.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();

enum : int {
    IDS_SUNOBJECT_PB = 7000,
    IDS_SUNOBJECT_ROLLOUT_0 = 7001,
    IDS_SUNOBJECT_ROLLOUT_1 = 7002,
    // Parameter labels.
    IDS_ON = 7010,
    IDS_VISIBLE_DIRECTLY,
    IDS_VISIBLE_REFL,
    IDS_VISIBLE_REFR,
    IDS_INTENSITY,
    IDS_COLOR_MODE,
    IDS_COLOR_DIRECT,
    IDS_BLACKBODY_TEMPERATURE,
    IDS_SIZE,
    IDS_DISPLAY_SIZE,
    IDS_IS_STANDALONE,
    IDS_SEPARATE_SAMPLING,
    IDS_TEXTURED,
    IDS_EXCLUDE_LIST,
    IDS_EXCLUDE_INCLUDE_MODE,
    IDS_ROTATION,
    IDS_ANGLE,
    // Radio items.
    IDS_MODE_DIRECT = 7050,
    IDS_MODE_KELVIN,
    IDS_MODE_REALISTIC,
    IDS_INCLUDE_EXCLUDE = 7060,
    IDS_ADD_SKY,
    // Tooltips.
    IDS_TIP_INTENSITY = 7100,
    IDS_TIP_SIZE,
    IDS_TIP_DISPLAY_SIZE,
    IDS_TIP_TEXTURED,
    IDS_TIP_ROTATION,
    IDS_TIP_HEIGHT,
    IDS_TIP_VISIBLE_DIRECTLY,
};

// Control ids of dialog template 1706 (main rollout).
enum : int {
    IDC_ON = 1001,
    IDC_VISIBLE_DIRECTLY,
    IDC_VISIBLE_REFL,
    IDC_VISIBLE_REFR,
    IDC_INTENSITY,
    IDC_INTENSITY_SPIN,
    IDC_MODE_DIRECT,
    IDC_MODE_KELVIN,
    IDC_MODE_REALISTIC,
    IDC_COLOR_DIRECT,
    IDC_TEMP,
    IDC_TEMP_SPIN,
    IDC_TEMP_SWATCH,
    IDC_SIZE,
    IDC_SIZE_SPIN,
    IDC_DISPLAY_SIZE,
    IDC_DISPLAY_SIZE_SPIN,
    IDC_SEPARATE_SAMPLING,
    IDC_TEXTURED,
    IDC_EXCLUDE_BUTTON,
    IDC_ADD_SKY,
};

// Control ids of dialog template 1707 (position rollout).
enum : int {
    IDC_ROTATION = 1101,
    IDC_ROTATION_SPIN,
    IDC_ANGLE,
    IDC_ANGLE_SPIN,
};

enum : MapID { MAP_MAIN = 0, MAP_POSITION = 1 };

const StringTable strings{
    {IDS_SUNOBJECT_PB, "Sun paramblock"},
    {IDS_SUNOBJECT_ROLLOUT_0, "Nimbal Sun"},
    {IDS_SUNOBJECT_ROLLOUT_1, "Sun position"},
    {IDS_ON, "On"},
    {IDS_VISIBLE_DIRECTLY, "Visible directly"},
    {IDS_VISIBLE_REFL, "Visible in reflections"},
    {IDS_VISIBLE_REFR, "Visible in refractions"},
    {IDS_INTENSITY, "Intensity:"},
    {IDS_COLOR_MODE, "colorMode"},
    {IDS_COLOR_DIRECT, "colorDirect"},
    {IDS_BLACKBODY_TEMPERATURE, "blackbodyTemperature"},
    {IDS_SIZE, "Size:"},
    {IDS_DISPLAY_SIZE, "Display size:"},
    {IDS_IS_STANDALONE, "isStandalone"},
    {IDS_SEPARATE_SAMPLING, "Separate sampling"},
    {IDS_TEXTURED, "Textured"},
    {IDS_EXCLUDE_LIST, "excludeList"},
    {IDS_EXCLUDE_INCLUDE_MODE, "excludeListIncludeMod"},
    {IDS_ROTATION, "Rotation [deg]:"},
    {IDS_ANGLE, "Angle [deg]:"},
    {IDS_MODE_DIRECT, "Direct input"},
    {IDS_MODE_KELVIN, "Kelvin temp"},
    {IDS_MODE_REALISTIC, "Realistic"},
    {IDS_INCLUDE_EXCLUDE, "Include/Exclude..."},
    {IDS_ADD_SKY, "Add NimbalSky environment"},
    {IDS_TIP_INTENSITY,
     "Relative intensity of the sun object. Value of 1 creates the physically correct sun illumination."},
    {IDS_TIP_SIZE,
     "Size of the emissive disk, relative to the real world Sun. The physically plausible Sun or Moon objects have "
     "value 1"},
    {IDS_TIP_DISPLAY_SIZE, "Size of the viewport gizmo for standalone sun object"},
    {IDS_TIP_TEXTURED,
     "When disabled, the sun disk has uniform color on its entire surface. When enabled, there are subtle color "
     "differences towards its borders/horizon. Enabling this option can slow down rendering and produces no visible "
     "difference except when the sun is viewed directly in detail, so there is usually no need to enable it."},
    {IDS_TIP_ROTATION,
     "Sets the world-space rotation of the sun, in degrees. Used only with the standalone Sun object, not when it is "
     "a part of the Daylight assembly."},
    {IDS_TIP_HEIGHT,
     "Sets the world-space elevation of the sun from zenith, in degrees. Used only with the standalone Sun object, "
     "not when it is a part of the Daylight assembly."},
    {IDS_TIP_VISIBLE_DIRECTLY, "Makes the light directly visible to the camera."},
};

const DialogTable dialogs{
    {1706, "Nimbal Sun",
     {{IDC_ON, "check", "On"},
      {IDC_INTENSITY, "spinner", "Intensity:"},
      {IDC_MODE_DIRECT, "radio", "Direct input"},
      {IDC_COLOR_DIRECT, "color", ""},
      {IDC_MODE_KELVIN, "radio", "Kelvin temp"},
      {IDC_TEMP, "spinner", ""},
      // Display only: shows the colour of the temperature.
      {IDC_TEMP_SWATCH, "color", ""},
      {IDC_MODE_REALISTIC, "radio", "Realistic"},
      {IDC_SIZE, "spinner", "Size:"},
      {IDC_DISPLAY_SIZE, "spinner", "Display size:"},
      {IDC_VISIBLE_DIRECTLY, "check", "Visible directly"},
      {IDC_VISIBLE_REFL, "check", "Visible in reflections"},
      {IDC_VISIBLE_REFR, "check", "Visible in refractions"},
      {IDC_SEPARATE_SAMPLING, "check", "Separate sampling"},
      {IDC_TEXTURED, "check", "Textured"},
      {IDC_EXCLUDE_BUTTON, "button", "Include/Exclude..."},
      {IDC_ADD_SKY, "button", "Add NimbalSky environment"}}},
    {1707, "Sun position",
     {{IDC_ROTATION, "spinner", "Rotation [deg]:"},
      {IDC_ANGLE, "spinner", "Angle [deg]:"}}},
};

class SunObjectCd : public ClassDescCommon {
public:
    SunObjectCd() : ClassDescCommon("Nimbal", "NimbalSun", LIGHT_CLASS_ID, Class_ID(0x7C3A3C80, 0x09CF576F)) {}
    void* Create(BOOL) override { return new (std::nothrow) SunObject(); }
};

SunObjectCd sunObjectCd;

// Angles are stored in radians: defaults and ranges are given as stored.
// Blocks saved with another version hold degrees and are converted after
// loading, so the version number is part of the stored-data contract.
ParamBlockDesc2 sunObjectPbDesc(
    BlockDesc{0, "NimbalSunPb", IDS_SUNOBJECT_PB, &sunObjectCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP | P_VERSION, 1000, 0,
             {
             RolloutDesc{MAP_MAIN, 1706, IDS_SUNOBJECT_ROLLOUT_0, 0, nullptr},
             RolloutDesc{MAP_POSITION, 1707, IDS_SUNOBJECT_ROLLOUT_1, 0, nullptr}
             }},
    {
        {.id = 100, .name = "on", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_ON}},
         .map = MAP_MAIN, .localName = IDS_ON},
        {.id = 105, .name = "visibleDirectly", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_DIRECTLY}}, .map = MAP_MAIN, .localName = IDS_VISIBLE_DIRECTLY,
         .tooltip = IDS_TIP_VISIBLE_DIRECTLY},
        {.id = 115, .name = "visibleRefl", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_REFL}}, .map = MAP_MAIN, .localName = IDS_VISIBLE_REFL},
        {.id = 116, .name = "visibleRefr", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_REFR}}, .map = MAP_MAIN, .localName = IDS_VISIBLE_REFR},
        {.id = 101, .name = "intensity", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 9999}, .ui = {TYPE_SPINNER, {IDC_INTENSITY, IDC_INTENSITY_SPIN}, 0.01f},
         .map = MAP_MAIN, .localName = IDS_INTENSITY, .tooltip = IDS_TIP_INTENSITY},
        // Scenes of older versions may hold 3 or 4 here; they are rewritten
        // to 2 when first evaluated, so the range stays 0-2.
        {.id = 107, .name = "colorMode", .type = TYPE_INT, .def = 2, .range = ParamRange{0, 2},
         .ui = {TYPE_RADIO, {IDC_MODE_DIRECT, IDC_MODE_KELVIN, IDC_MODE_REALISTIC}, 0.0f,
                {{IDS_MODE_DIRECT, 0}, {IDS_MODE_KELVIN, 1}, {IDS_MODE_REALISTIC, 2}}},
         .map = MAP_MAIN, .localName = IDS_COLOR_MODE},
        {.id = 108, .name = "colorDirect", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 0.95f, 0.9f),
         .ui = {TYPE_COLORSWATCH, {IDC_COLOR_DIRECT}}, .map = MAP_MAIN, .localName = IDS_COLOR_DIRECT},
        {.id = 109, .name = "blackbodyTemperature", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 6500.0f,
         .range = ParamRange{1000, 99999}, .ui = {TYPE_SPINNER, {IDC_TEMP, IDC_TEMP_SPIN}, 10.0f}, .map = MAP_MAIN,
         .localName = IDS_BLACKBODY_TEMPERATURE},
        {.id = 104, .name = "sizeMultiplier", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0.1, 64}, .ui = {TYPE_SPINNER, {IDC_SIZE, IDC_SIZE_SPIN}, 0.01f}, .map = MAP_MAIN,
         .localName = IDS_SIZE, .tooltip = IDS_TIP_SIZE},
        {.id = 106, .name = "displaySize", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 10.0f,
         .range = ParamRange{0.001, INF}, .ui = {TYPE_SPINNER, {IDC_DISPLAY_SIZE, IDC_DISPLAY_SIZE_SPIN}, 0.1f},
         .map = MAP_MAIN, .localName = IDS_DISPLAY_SIZE, .tooltip = IDS_TIP_DISPLAY_SIZE},
        {.id = 112, .name = "isStandalone", .type = TYPE_BOOL, .def = false, .map = MAP_MAIN,
         .localName = IDS_IS_STANDALONE},
        {.id = 113, .name = "separateSampling", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_SEPARATE_SAMPLING}}, .map = MAP_MAIN, .localName = IDS_SEPARATE_SAMPLING},
        {.id = 114, .name = "textured", .type = TYPE_BOOL, .def = false, .ui = {TYPE_SINGLECHECKBOX, {IDC_TEXTURED}},
         .map = MAP_MAIN, .localName = IDS_TEXTURED, .tooltip = IDS_TIP_TEXTURED},
        {.id = 117, .name = "excludeList", .type = TabOf(TYPE_INODE), .flags = P_VARIABLE_SIZE,
         .ui = {TYPE_NODELISTBOX, {IDC_EXCLUDE_BUTTON}}, .map = MAP_MAIN, .localName = IDS_EXCLUDE_LIST},
        // True turns the list into an include list.
        {.id = 118, .name = "excludeListIncludeMod", .type = TYPE_BOOL, .def = false, .map = MAP_MAIN,
         .localName = IDS_EXCLUDE_INCLUDE_MODE},
        {.id = 102, .name = "sunRotation", .type = TYPE_ANGLE, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{-INF, INF}, .ui = {TYPE_SPINNER, {IDC_ROTATION, IDC_ROTATION_SPIN}, 0.5f},
         .map = MAP_POSITION, .localName = IDS_ROTATION, .tooltip = IDS_TIP_ROTATION, .dim = DIM_ANGLE},
        // Measured from the zenith.
        {.id = 103, .name = "height", .type = TYPE_ANGLE, .flags = P_ANIMATABLE, .def = PI / 4.0f,
         .range = ParamRange{0, PI / 2.0}, .ui = {TYPE_SPINNER, {IDC_ANGLE, IDC_ANGLE_SPIN}, 0.5f},
         .map = MAP_POSITION, .localName = IDS_ANGLE, .tooltip = IDS_TIP_HEIGHT, .dim = DIM_ANGLE},
    });
}  // namespace

ClassDesc2* SunObjectTraits::classDesc() { return &sunObjectCd; }
ClassDescCommon* sunObjectClassDesc() { return &sunObjectCd; }

SunObject::SunObject() {
    // A new sun differs from the block defaults, which loading and reset use.
    pblock->SetValue(112, 0, FALSE);
    pblock->SetValue(106, 0, 2.0f);
}

}  // namespace Nimbal

#include "camera-modifier/CameraMod.h"

#include <limits>

#include "Resources.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();

enum : int {
    IDS_CAMERAMOD_PB = 16000,
    IDS_CAMERAMOD_ROLLOUT_0 = 16001,
    // Parameter names, in declaration order.
    IDS_OVERRIDE_TYPE = 16010,
    IDS_USE_OVERRIDE_TYPE,
    IDS_FSTOP,
    IDS_SENSOR_WIDTH,
    IDS_ISO,
    IDS_REMOVED_PARAM,
    IDS_USE_OVERRIDE_FOCUS,
    IDS_OVERRIDE_FOCUS_DISTANCE,
    IDS_SHUTTER_SPEED,
    IDS_CYLINDER_HEIGHT,
    IDS_HIGHLIGHT_COMPRESSION,
    IDS_CONTRAST,
    IDS_WHITE_BALANCE,
    IDS_EXPOSURE_EV,
    IDS_COLOR_TINT,
    IDS_TONE_MAPPING_OVERRIDE,
    IDS_FORCE_DOF_OFF,
    // Radio items.
    IDS_SPHERICAL = 16050,
    IDS_CYLINDRICAL,
    // Tooltips.
    IDS_TIP_USE_OVERRIDE_TYPE = 16100,
    IDS_TIP_OVERRIDE_TONE_MAPPING,
};

// Control ids of dialog template 1714.
enum : int {
    IDC_USE_TYPE_OVERRIDE = 1001,
    IDC_TYPE_SPHERICAL,
    IDC_TYPE_CYLINDRICAL,
    IDC_CYLINDER_HEIGHT,
    IDC_CYLINDER_HEIGHT_SPIN,
    IDC_FSTOP,
    IDC_FSTOP_SPIN,
    IDC_SENSOR_WIDTH,
    IDC_SENSOR_WIDTH_SPIN,
    IDC_ISO,
    IDC_ISO_SPIN,
    IDC_SHUTTER_SPEED,
    IDC_SHUTTER_SPEED_SPIN,
    IDC_USE_OVERRIDE_FOCUS,
    IDC_FOCUS_DISTANCE,
    IDC_FOCUS_DISTANCE_SPIN,
    IDC_DOF_OFF,
    IDC_OVERRIDE_TONE_MAPPING,
    IDC_HIGHLIGHT_COMPRESSION,
    IDC_HIGHLIGHT_COMPRESSION_SPIN,
    IDC_CONTRAST,
    IDC_CONTRAST_SPIN,
    IDC_WHITE_BALANCE,
    IDC_WHITE_BALANCE_SPIN,
    IDC_COLOR_TINT,
    IDC_SIMPLE_EXPOSURE,
    IDC_SIMPLE_EXPOSURE_SPIN,
};

const StringTable strings{
    {IDS_CAMERAMOD_PB, "Camera modifier paramblock"},
    {IDS_CAMERAMOD_ROLLOUT_0, "Nimbal Camera Modifier"},
    {IDS_OVERRIDE_TYPE, "overrideType"},
    {IDS_USE_OVERRIDE_TYPE, "useOverrideType"},
    {IDS_FSTOP, "fStop"},
    {IDS_SENSOR_WIDTH, "sensorWidth"},
    {IDS_ISO, "iso"},
    {IDS_REMOVED_PARAM, "removedParam"},
    {IDS_USE_OVERRIDE_FOCUS, "useOverrideFocus"},
    {IDS_OVERRIDE_FOCUS_DISTANCE, "overrideFocusDistance"},
    {IDS_SHUTTER_SPEED, "shutterSpeed"},
    {IDS_CYLINDER_HEIGHT, "cylindricalCameraHeight"},
    {IDS_HIGHLIGHT_COMPRESSION, "highlightCompression"},
    {IDS_CONTRAST, "contrast"},
    {IDS_WHITE_BALANCE, "whiteBalance"},
    {IDS_EXPOSURE_EV, "exposureEv"},
    {IDS_COLOR_TINT, "colorTint"},
    {IDS_TONE_MAPPING_OVERRIDE, "toneMapping_enableOverride"},
    {IDS_FORCE_DOF_OFF, "forceDofOffInThisView"},
    {IDS_SPHERICAL, "Spherical"},
    {IDS_CYLINDRICAL, "Cylindrical"},
    {IDS_TIP_USE_OVERRIDE_TYPE, "Overrides the camera type with a special projection type"},
    {IDS_TIP_OVERRIDE_TONE_MAPPING,
     "When enabled, the tone mapping values below will be used. When disabled, the global settings will be used "
     "instead."},
};

const DialogTable dialogs{
    {1714, "Nimbal Camera Modifier",
     {{IDC_USE_TYPE_OVERRIDE, "check", "Override camera type"},
      {IDC_TYPE_SPHERICAL, "radio", "Spherical"},
      {IDC_TYPE_CYLINDRICAL, "radio", "Cylindrical"},
      {IDC_CYLINDER_HEIGHT, "spinner", "Cylinder height:"},
      {IDC_FSTOP, "spinner", "F-stop:"},
      {IDC_SENSOR_WIDTH, "spinner", "Sensor width:"},
      {IDC_ISO, "spinner", "ISO:"},
      {IDC_SHUTTER_SPEED, "spinner", "Shutter speed:"},
      {IDC_USE_OVERRIDE_FOCUS, "check", "Override focus distance"},
      {IDC_FOCUS_DISTANCE, "spinner", "Focus distance:"},
      {IDC_DOF_OFF, "check", "Disable DOF in this view"},
      {IDC_OVERRIDE_TONE_MAPPING, "check", "Override tone mapping"},
      {IDC_HIGHLIGHT_COMPRESSION, "spinner", "Highlight compression:"},
      {IDC_CONTRAST, "spinner", "Contrast:"},
      {IDC_WHITE_BALANCE, "spinner", "White balance [K]:"},
      {IDC_COLOR_TINT, "color", "Color tint:"},
      {IDC_SIMPLE_EXPOSURE, "spinner", "Simple exposure [EV]:"}}},
};

class CameraModCd : public ClassDescCommon {
public:
    CameraModCd() : ClassDescCommon("Camera Modifiers", "NimbalCameraMod", OSM_CLASS_ID, Class_ID(0xA387449C, 0x1DEDED8F)) {}
    void* Create(BOOL) override { return new (std::nothrow) CameraMod(); }
};

CameraModCd cameraModCd;

// Stored scenes know this block as id 6; it is still reference 0.
ParamBlockDesc2 cameraModPbDesc(
    BlockDesc{6, "CameraModPb", IDS_CAMERAMOD_PB, &cameraModCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1714, IDS_CAMERAMOD_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 200, .name = "typeOverride", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 2, .range = ParamRange{2, 3},
         .ui = {TYPE_RADIO, {IDC_TYPE_SPHERICAL, IDC_TYPE_CYLINDRICAL}, 0.0f, {{IDS_SPHERICAL, 2}, {IDS_CYLINDRICAL, 3}}},
         .localName = IDS_OVERRIDE_TYPE},
        {.id = 201, .name = "useTypeOverride", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_USE_TYPE_OVERRIDE}}, .localName = IDS_USE_OVERRIDE_TYPE,
         .tooltip = IDS_TIP_USE_OVERRIDE_TYPE},
        {.id = 203, .name = "fStop", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 16.0f, .range = ParamRange{0.01, 50},
         .ui = {TYPE_SPINNER, {IDC_FSTOP, IDC_FSTOP_SPIN}, 0.1f}, .localName = IDS_FSTOP},
        {.id = 204, .name = "sensorWidth", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 35.0f,
         .range = ParamRange{0.001, 999999}, .ui = {TYPE_SPINNER, {IDC_SENSOR_WIDTH, IDC_SENSOR_WIDTH_SPIN}, 0.1f},
         .localName = IDS_SENSOR_WIDTH},
        {.id = 202, .name = "iso", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 100.0f,
         .range = ParamRange{0.00001, INF}, .ui = {TYPE_SPINNER, {IDC_ISO, IDC_ISO_SPIN}, 1.0f}, .localName = IDS_ISO},
        // Retired; kept so that older scenes load.
        {.id = 100, .name = "removedParam", .type = TYPE_BOOL, .flags = P_OBSOLETE, .localName = IDS_REMOVED_PARAM},
        {.id = 101, .name = "useOverrideFocus", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_USE_OVERRIDE_FOCUS}}, .localName = IDS_USE_OVERRIDE_FOCUS},
        {.id = 102, .name = "overrideFocusDistance", .type = TYPE_WORLD, .flags = P_ANIMATABLE, .def = 100.0f,
         .range = ParamRange{0.001, INF}, .ui = {TYPE_SPINNER, {IDC_FOCUS_DISTANCE, IDC_FOCUS_DISTANCE_SPIN}, 0.1f},
         .localName = IDS_OVERRIDE_FOCUS_DISTANCE, .dim = DIM_WORLD},
        {.id = 206, .name = "shutterSpeed", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 50.0f,
         .range = ParamRange{0.001, 99999}, .ui = {TYPE_SPINNER, {IDC_SHUTTER_SPEED, IDC_SHUTTER_SPEED_SPIN}, 1.0f},
         .localName = IDS_SHUTTER_SPEED},
        {.id = 207, .name = "cylinderHeight", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 2.0f,
         .range = ParamRange{0.001, 99999}, .ui = {TYPE_SPINNER, {IDC_CYLINDER_HEIGHT, IDC_CYLINDER_HEIGHT_SPIN}, 0.01f},
         .localName = IDS_CYLINDER_HEIGHT},
        {.id = 208, .name = "removedParam", .type = TYPE_BOOL, .flags = P_OBSOLETE, .localName = IDS_REMOVED_PARAM},
        {.id = 211, .name = "highlightCompression", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0.01, 999},
         .ui = {TYPE_SPINNER, {IDC_HIGHLIGHT_COMPRESSION, IDC_HIGHLIGHT_COMPRESSION_SPIN}, 0.01f},
         .localName = IDS_HIGHLIGHT_COMPRESSION},
        {.id = 213, .name = "contrast", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f, .range = ParamRange{1, 99},
         .ui = {TYPE_SPINNER, {IDC_CONTRAST, IDC_CONTRAST_SPIN}, 0.01f}, .localName = IDS_CONTRAST},
        {.id = 214, .name = "whiteBalance", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 6500.0f,
         .range = ParamRange{1000, 99999}, .ui = {TYPE_SPINNER, {IDC_WHITE_BALANCE, IDC_WHITE_BALANCE_SPIN}, 10.0f},
         .localName = IDS_WHITE_BALANCE},
        {.id = 215, .name = "simpleExposure", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{-20, 20}, .ui = {TYPE_SPINNER, {IDC_SIMPLE_EXPOSURE, IDC_SIMPLE_EXPOSURE_SPIN}, 0.1f},
         .localName = IDS_EXPOSURE_EV},
        {.id = 212, .name = "colorTint", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_COLOR_TINT}}, .localName = IDS_COLOR_TINT},
        {.id = 216, .name = "overrideToneMapping", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_OVERRIDE_TONE_MAPPING}}, .localName = IDS_TONE_MAPPING_OVERRIDE,
         .tooltip = IDS_TIP_OVERRIDE_TONE_MAPPING},
        {.id = 217, .name = "overrideDofOff", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_DOF_OFF}}, .localName = IDS_FORCE_DOF_OFF},
    });
}  // namespace

ClassDesc2* CameraModTraits::classDesc() { return &cameraModCd; }
ClassDescCommon* cameraModClassDesc() { return &cameraModCd; }

CameraMod::CameraMod() = default;

}  // namespace Nimbal

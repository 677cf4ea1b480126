#include "Light/Light.h"

#include <limits>

#include "Resources.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();

enum : int {
    IDS_LIGHT_PB = 2000,
    IDS_LIGHT_ROLLOUT_0 = 2001,
    IDS_LIGHT_ROLLOUT_1 = 2002,
    // Parameter labels.
    IDS_ON = 2010,
    IDS_SHAPE,
    IDS_VISIBLE_DIRECTLY,
    IDS_VISIBLE_REFL,
    IDS_VISIBLE_REFR,
    IDS_OCCLUDE_OTHER_LIGHTS,
    IDS_DIRECT_INPUT,
    IDS_INTENSITY,
    IDS_COLOR_MODE,
    IDS_INTENSITY_UNITS,
    IDS_KELVIN_TEMP,
    IDS_EXCLUDE_LIST,
    IDS_EXCLUDE_INCLUDE_MODE,
    IDS_TARGETED,
    IDS_TARGET_DISTANCE,
    IDS_HEIGHT,
    IDS_WIDTH_RADIUS,
    IDS_DIRECTIONALITY,
    IDS_SEGMENTS,
    IDS_IES_FILE,
    IDS_KEEP_SHARP_PATTERNS,
    IDS_GIZMO_SIZE,
    IDS_TEXMAP,
    IDS_SHADOWCATCHER_ILLUMINATOR,
    IDS_EMIT_BOTH_SIDES,
    IDS_WIREFRAME,
    // List items.
    IDS_SHAPE_SPHERE = 2050,
    IDS_SHAPE_RECTANGLE,
    IDS_SHAPE_DISK,
    IDS_SHAPE_CYLINDER,
    IDS_UNITS_DEFAULT,
    IDS_UNITS_CANDELA,
    IDS_UNITS_LUMEN,
    IDS_UNITS_LUX,
    // Groups of the main rollout.
    IDS_GROUP_INTENSITY = 2070,
    IDS_GROUP_COLOR,
    IDS_GROUP_SHAPE,
    IDS_GROUP_VISIBILITY,
    IDS_GROUP_VIEWPORT,
    IDS_IES_FILTER = 2080,
    IDS_INCLUDE_EXCLUDE,
    // Tooltips.
    IDS_TIP_VISIBLE_DIRECTLY = 2100,
    IDS_TIP_OCCLUDE_OTHER_LIGHTS,
    IDS_TIP_INTENSITY_UNITS,
    IDS_TIP_DIRECTIONALITY,
    IDS_TIP_SEGMENTS,
    IDS_TIP_IES_SHARPNESS,
    IDS_TIP_GIZMO_SIZE,
    IDS_TIP_SHADOWCATCHER_ILLUMINATOR,
    IDS_TIP_TWOSIDED_EMISSION,
    IDS_TIP_VIEWPORT_WIREFRAME,
};

// Control ids of dialog template 1700 (main rollout).
enum : int {
    IDC_ON = 1001,
    IDC_SHAPE,
    IDC_VISIBLE_DIRECTLY,
    IDC_VISIBLE_REFL,
    IDC_VISIBLE_REFR,
    IDC_OCCLUDE_OTHER_LIGHTS,
    IDC_COLOR,
    IDC_INTENSITY,
    IDC_INTENSITY_SPIN,
    IDC_MODE_DIRECT,
    IDC_MODE_KELVIN,
    IDC_MODE_TEXMAP,
    IDC_UNITS,
    IDC_TEMP,
    IDC_TEMP_SPIN,
    IDC_TEMP_SWATCH,
    IDC_EXCLUDE_BUTTON,
    IDC_TARGETED,
    IDC_HEIGHT,
    IDC_HEIGHT_SPIN,
    IDC_WIDTH,
    IDC_WIDTH_SPIN,
    IDC_DIRECTIONALITY,
    IDC_DIRECTIONALITY_SPIN,
    IDC_SEGMENTS,
    IDC_SEGMENTS_SPIN,
    IDC_GIZMO_SIZE,
    IDC_GIZMO_SIZE_SPIN,
    IDC_TEXMAP,
    IDC_SHADOWCATCHER,
    IDC_TWOSIDED,
    IDC_WIREFRAME,
    IDC_GROUP_INTENSITY,
    IDC_GROUP_COLOR,
    IDC_GROUP_SHAPE,
    IDC_GROUP_VISIBILITY,
    IDC_GROUP_VIEWPORT,
};

// Control ids of dialog template 1701 (IES rollout).
enum : int {
    IDC_IES_ON = 1101,
    IDC_IES_FILE,
    IDC_IES_SHARP,
    IDC_IES_STATUS,
};

enum : MapID { MAP_MAIN = 0, MAP_IES = 1 };

const StringTable strings{
    {IDS_LIGHT_PB, "Light base paramblock"},
    {IDS_LIGHT_ROLLOUT_0, "Nimbal Light"},
    {IDS_LIGHT_ROLLOUT_1, "IES"},
    {IDS_ON, "On"},
    {IDS_SHAPE, "shape"},
    {IDS_VISIBLE_DIRECTLY, "Visible directly"},
    {IDS_VISIBLE_REFL, "Visible in reflections"},
    {IDS_VISIBLE_REFR, "Visible in refractions"},
    {IDS_OCCLUDE_OTHER_LIGHTS, "Occlude other lights"},
    {IDS_DIRECT_INPUT, "Direct input:"},
    {IDS_INTENSITY, "intensity"},
    {IDS_COLOR_MODE, "colorMode"},
    {IDS_INTENSITY_UNITS, "intensityUnits"},
    {IDS_KELVIN_TEMP, "Kelvin temp:"},
    {IDS_EXCLUDE_LIST, "excludeList"},
    {IDS_EXCLUDE_INCLUDE_MODE, "excludeIncludeMode"},
    {IDS_TARGETED, "Targeted"},
    {IDS_TARGET_DISTANCE, "targetDistance"},
    {IDS_HEIGHT, "Height:"},
    {IDS_WIDTH_RADIUS, "Width/radius:"},
    {IDS_DIRECTIONALITY, "Directionality:"},
    {IDS_SEGMENTS, "Segments:"},
    {IDS_IES_FILE, "iesFile"},
    {IDS_KEEP_SHARP_PATTERNS, "Keep sharp patterns"},
    {IDS_GIZMO_SIZE, "Gizmo size:"},
    {IDS_TEXMAP, "Texmap:"},
    {IDS_SHADOWCATCHER_ILLUMINATOR, "Shadowcatcher illuminator"},
    {IDS_EMIT_BOTH_SIDES, "Emit on both sides"},
    {IDS_WIREFRAME, "Wireframe"},
    {IDS_SHAPE_SPHERE, "Sphere"},
    {IDS_SHAPE_RECTANGLE, "Rectangle"},
    {IDS_SHAPE_DISK, "Disk"},
    {IDS_SHAPE_CYLINDER, "Cylinder"},
    {IDS_UNITS_DEFAULT, "Default: W/(sr.m^2)"},
    {IDS_UNITS_CANDELA, "Candela (cd)"},
    {IDS_UNITS_LUMEN, "Lumen (lm)"},
    {IDS_UNITS_LUX, "Lux (lx)"},
    {IDS_GROUP_INTENSITY, "Intensity"},
    {IDS_GROUP_COLOR, "Color"},
    {IDS_GROUP_SHAPE, "Shape"},
    {IDS_GROUP_VISIBILITY, "Visibility"},
    {IDS_GROUP_VIEWPORT, "Viewport"},
    {IDS_IES_FILTER, "IES files (*.ies)|*.ies|"},
    {IDS_INCLUDE_EXCLUDE, "Include/Exclude..."},
    {IDS_TIP_VISIBLE_DIRECTLY, "Makes the light directly visible to the camera."},
    {IDS_TIP_OCCLUDE_OTHER_LIGHTS,
     "When enabled, this light blocks shadow rays from other lights in the scene. That is to say, its geometry casts "
     "shadows when other lights shine at it."},
    {IDS_TIP_INTENSITY_UNITS,
     "Physical units for the light emission. The default option (W/(sr.m^2)) is in Nimbal equal to the \"image "
     "units\""},
    {IDS_TIP_DIRECTIONALITY,
     "How concentrated should the light emission be around the normal. Higher values create a spotlight effect. Note "
     "that higher values can make the emitter appear black to camera. Although surprising, this is the correct, "
     "unbiased behavior"},
    {IDS_TIP_SEGMENTS,
     "How many segments will the geometry of the light have. NOTE: when possible, spheres are represented as ideal "
     "spheres during rendering, ignoring this value."},
    {IDS_TIP_IES_SHARPNESS,
     "A fake that modifies the light emission to preserve sharp illumination patterns even with large area lights. "
     "These patterns would otherwise get more blurred with increasing the light size."},
    {IDS_TIP_GIZMO_SIZE,
     "Size of the viewport lines/gonioweb indicating direction of light emission. Set to 0 to disable them."},
    {IDS_TIP_SHADOWCATCHER_ILLUMINATOR,
     "Used in combination with shadow catcher materials. If enabled, this light illuminates the shadow catcher instead "
     "of casting shadows on it. Enable for CG lights that are being added to the footage and are not present in the "
     "2D backplate/footage."},
    {IDS_TIP_TWOSIDED_EMISSION,
     "When enabled, the light emits also on the back side, when disabled, it is black on the back side."},
    {IDS_TIP_VIEWPORT_WIREFRAME,
     "When enabled, the light is drawn in the viewport in wireframe. Has no effect on the rendering."},
};

const DialogTable dialogs{
    {1700, "Nimbal Light",
     {{IDC_GROUP_INTENSITY, "group", "Intensity"},
      {IDC_ON, "check", "On"},
      {IDC_INTENSITY, "spinner", ""},
      {IDC_UNITS, "combo", ""},
      {IDC_GROUP_COLOR, "group", "Color"},
      {IDC_MODE_DIRECT, "radio", "Direct input:"},
      {IDC_COLOR, "color", ""},
      {IDC_MODE_KELVIN, "radio", "Kelvin temp:"},
      {IDC_TEMP, "spinner", ""},
      // Display only: shows the colour of the temperature.
      {IDC_TEMP_SWATCH, "color", ""},
      {IDC_MODE_TEXMAP, "radio", "Texmap:"},
      {IDC_TEXMAP, "map", ""},
      {IDC_GROUP_SHAPE, "group", "Shape"},
      {IDC_SHAPE, "combo", ""},
      {IDC_WIDTH, "spinner", "Width/radius:"},
      {IDC_HEIGHT, "spinner", "Height:"},
      {IDC_SEGMENTS, "spinner", "Segments:"},
      {IDC_DIRECTIONALITY, "spinner", "Directionality:"},
      {IDC_TWOSIDED, "check", "Emit on both sides"},
      {IDC_TARGETED, "check", "Targeted"},
      {IDC_GROUP_VISIBILITY, "group", "Visibility"},
      {IDC_VISIBLE_DIRECTLY, "check", "Visible directly"},
      {IDC_VISIBLE_REFL, "check", "Visible in reflections"},
      {IDC_VISIBLE_REFR, "check", "Visible in refractions"},
      {IDC_OCCLUDE_OTHER_LIGHTS, "check", "Occlude other lights"},
      {IDC_SHADOWCATCHER, "check", "Shadowcatcher illuminator"},
      {IDC_EXCLUDE_BUTTON, "button", "Include/Exclude..."},
      {IDC_GROUP_VIEWPORT, "group", "Viewport"},
      {IDC_GIZMO_SIZE, "spinner", "Gizmo size:"},
      {IDC_WIREFRAME, "check", "Wireframe"}}},
    {1701, "IES",
     {{IDC_IES_ON, "check", "On"},
      {IDC_IES_FILE, "button", "None"},
      {IDC_IES_SHARP, "check", "Keep sharp patterns"},
      {IDC_IES_STATUS, "label", "[no file loaded]"}}},
};

class LightCd : public ClassDescCommon {
public:
    LightCd() : ClassDescCommon("Nimbal", "NimbalLight", LIGHT_CLASS_ID, Class_ID(0x423045E5, 0x294C5879)) {}
    void* Create(BOOL) override { return new (std::nothrow) Light(); }
};

LightCd lightCd;

// Ids are what the renderer and stored scenes read, gaps and order included.
ParamBlockDesc2 lightPbDesc(
    BlockDesc{0, "NimbalLightPb", IDS_LIGHT_PB, &lightCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP, 0, 0,
             {
             RolloutDesc{MAP_MAIN, 1700, IDS_LIGHT_ROLLOUT_0, 0, nullptr},
             RolloutDesc{MAP_IES, 1701, IDS_LIGHT_ROLLOUT_1, 0, nullptr}
             }},
    {
        {.id = 120, .name = "on", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_ON}},
         .map = MAP_MAIN, .localName = IDS_ON},
        {.id = 121, .name = "shape", .type = TYPE_INT, .def = 0, .range = ParamRange{0, 3},
         .ui = {TYPE_INT_COMBOBOX, {IDC_SHAPE}, 0.0f,
                {{IDS_SHAPE_SPHERE, 0}, {IDS_SHAPE_RECTANGLE, 1}, {IDS_SHAPE_DISK, 2}, {IDS_SHAPE_CYLINDER, 3}}},
         .map = MAP_MAIN, .localName = IDS_SHAPE},
        {.id = 122, .name = "visibleDirectly", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_DIRECTLY}}, .map = MAP_MAIN, .localName = IDS_VISIBLE_DIRECTLY,
         .tooltip = IDS_TIP_VISIBLE_DIRECTLY},
        {.id = 128, .name = "visibleRefl", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_REFL}}, .map = MAP_MAIN, .localName = IDS_VISIBLE_REFL},
        {.id = 119, .name = "visibleRefr", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_REFR}}, .map = MAP_MAIN, .localName = IDS_VISIBLE_REFR},
        {.id = 129, .name = "occludeOtherLights", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_OCCLUDE_OTHER_LIGHTS}}, .map = MAP_MAIN,
         .localName = IDS_OCCLUDE_OTHER_LIGHTS, .tooltip = IDS_TIP_OCCLUDE_OTHER_LIGHTS},
        {.id = 130, .name = "color", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_COLOR}}, .map = MAP_MAIN, .localName = IDS_DIRECT_INPUT},
        {.id = 131, .name = "intensity", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 50.0f,
         .range = ParamRange{0, 999999}, .ui = {TYPE_SPINNER, {IDC_INTENSITY, IDC_INTENSITY_SPIN}, 0.1f},
         .map = MAP_MAIN, .localName = IDS_INTENSITY},
        {.id = 132, .name = "colorMode", .type = TYPE_INT, .def = 0, .range = ParamRange{0, 2},
         .ui = {TYPE_RADIO, {IDC_MODE_DIRECT, IDC_MODE_KELVIN, IDC_MODE_TEXMAP}, 0.0f,
                {{IDS_DIRECT_INPUT, 0}, {IDS_KELVIN_TEMP, 1}, {IDS_TEXMAP, 2}}},
         .map = MAP_MAIN, .localName = IDS_COLOR_MODE},
        // The stored value, not the list position, selects the conversion.
        {.id = 136, .name = "intensityUnits", .type = TYPE_INT, .def = 0, .range = ParamRange{0, 3},
         .ui = {TYPE_INT_COMBOBOX, {IDC_UNITS}, 0.0f,
                {{IDS_UNITS_DEFAULT, 0}, {IDS_UNITS_CANDELA, 2}, {IDS_UNITS_LUMEN, 1}, {IDS_UNITS_LUX, 3}}},
         .map = MAP_MAIN, .localName = IDS_INTENSITY_UNITS, .tooltip = IDS_TIP_INTENSITY_UNITS},
        {.id = 133, .name = "blackbodyTemp", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 6500.0f,
         .range = ParamRange{1000, 99999}, .ui = {TYPE_SPINNER, {IDC_TEMP, IDC_TEMP_SPIN}, 10.0f},
         .map = MAP_MAIN, .localName = IDS_KELVIN_TEMP},
        {.id = 134, .name = "excludeList", .type = TabOf(TYPE_INODE), .flags = P_VARIABLE_SIZE,
         .ui = {TYPE_NODELISTBOX, {IDC_EXCLUDE_BUTTON}}, .map = MAP_MAIN, .localName = IDS_EXCLUDE_LIST},
        // True turns the list into an include list.
        {.id = 135, .name = "excludeIncludeMod", .type = TYPE_BOOL, .def = false, .map = MAP_MAIN,
         .localName = IDS_EXCLUDE_INCLUDE_MODE},
        {.id = 137, .name = "targeted", .type = TYPE_BOOL, .def = false, .ui = {TYPE_SINGLECHECKBOX, {IDC_TARGETED}},
         .map = MAP_MAIN, .localName = IDS_TARGETED},
        {.id = 138, .name = "targetDistance", .type = TYPE_FLOAT, .def = 100.0f, .range = ParamRange{0, INF},
         .map = MAP_MAIN, .localName = IDS_TARGET_DISTANCE},
        {.id = 161, .name = "height", .type = TYPE_WORLD, .flags = P_ANIMATABLE, .def = 10.0f,
         .range = ParamRange{0, INF}, .ui = {TYPE_SPINNER, {IDC_HEIGHT, IDC_HEIGHT_SPIN}, 0.1f}, .map = MAP_MAIN,
         .localName = IDS_HEIGHT, .dim = DIM_WORLD},
        {.id = 160, .name = "width", .type = TYPE_WORLD, .flags = P_ANIMATABLE, .def = 10.0f,
         .range = ParamRange{0, INF}, .ui = {TYPE_SPINNER, {IDC_WIDTH, IDC_WIDTH_SPIN}, 0.1f}, .map = MAP_MAIN,
         .localName = IDS_WIDTH_RADIUS, .dim = DIM_WORLD},
        {.id = 162, .name = "directionality", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_DIRECTIONALITY, IDC_DIRECTIONALITY_SPIN}, 0.01f},
         .map = MAP_MAIN, .localName = IDS_DIRECTIONALITY, .tooltip = IDS_TIP_DIRECTIONALITY},
        {.id = 163, .name = "segments", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 16, .range = ParamRange{3, 128},
         .ui = {TYPE_SPINNER, {IDC_SEGMENTS, IDC_SEGMENTS_SPIN}, 1.0f}, .map = MAP_MAIN, .localName = IDS_SEGMENTS,
         .tooltip = IDS_TIP_SEGMENTS},
        {.id = 124, .name = "iesOn", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_IES_ON}},
         .map = MAP_IES, .localName = IDS_ON},
        {.id = 125, .name = "iesFile", .type = TYPE_FILENAME, .def = "", .ui = {TYPE_FILEOPENBUTTON, {IDC_IES_FILE}},
         .map = MAP_IES, .localName = IDS_IES_FILE, .fileTypes = IDS_IES_FILTER, .assetType = 3},
        {.id = 127, .name = "iesSharpnessFake", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_IES_SHARP}}, .map = MAP_IES, .localName = IDS_KEEP_SHARP_PATTERNS,
         .tooltip = IDS_TIP_IES_SHARPNESS},
        {.id = 126, .name = "gizmoDisplaySize", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 99}, .ui = {TYPE_SPINNER, {IDC_GIZMO_SIZE, IDC_GIZMO_SIZE_SPIN}, 0.01f},
         .map = MAP_MAIN, .localName = IDS_GIZMO_SIZE, .tooltip = IDS_TIP_GIZMO_SIZE},
        {.id = 139, .name = "texmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_TEXMAP}}, .map = MAP_MAIN,
         .localName = IDS_TEXMAP},
        {.id = 140, .name = "shadowcatcherIlluminator", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_SHADOWCATCHER}}, .map = MAP_MAIN, .localName = IDS_SHADOWCATCHER_ILLUMINATOR,
         .tooltip = IDS_TIP_SHADOWCATCHER_ILLUMINATOR},
        {.id = 141, .name = "twosidedEmission", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_TWOSIDED}}, .map = MAP_MAIN, .localName = IDS_EMIT_BOTH_SIDES,
         .tooltip = IDS_TIP_TWOSIDED_EMISSION},
        {.id = 142, .name = "viewportWireframe", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_WIREFRAME}}, .map = MAP_MAIN, .localName = IDS_WIREFRAME,
         .tooltip = IDS_TIP_VIEWPORT_WIREFRAME},
    });
}  // namespace

ClassDesc2* LightTraits::classDesc() { return &lightCd; }
ClassDescCommon* lightClassDesc() { return &lightCd; }

Light::Light() = default;

}  // namespace Nimbal

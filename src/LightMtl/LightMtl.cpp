#include "LightMtl/LightMtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_LIGHTMTL_PB = 12000,
    IDS_LIGHTMTL_ROLLOUT_0 = 12001,
    IDS_GROUP_OPACITY = 12010,
    IDS_GROUP_EMISSION,
    IDS_GROUP_VISIBILITY,
    IDS_INTENSITY = 12020,
    IDS_COLOR,
    IDS_TEXMAP,
    IDS_OPACITY_TEXMAP,
    IDS_EMIT_LIGHT,
    IDS_OCCLUDE_OTHER,
    IDS_TWOSIDED_EMISSION,
    IDS_SHADOWCATCHER_ILLUMINATOR,
    IDS_DIRECTIONALITY,
    IDS_EXCLUDE_LIST,
    IDS_VISIBLE_DIRECT,
    IDS_VISIBLE_REFL,
    IDS_VISIBLE_REFRACT,
    IDS_AFFECT_ALPHA,
    IDS_VISIBLE_IN_MASKS,
    IDS_TIP_AFFECT_ALPHA = 12050,
    IDS_TIP_OCCLUDE_OTHER,
    IDS_TIP_EMIT_LIGHT,
    IDS_TIP_VISIBLE_DIRECT,
    IDS_TIP_DIRECTIONALITY,
    IDS_TIP_VISIBLE_IN_MASKS,
    IDS_TIP_SHADOWCATCHER_ILLUMINATOR,
    IDS_TIP_TWOSIDED_EMISSION,
};

// Control ids of the rollout's dialog template.
enum : int {
    IDC_INTENSITY = 1001,
    IDC_INTENSITY_SPIN,
    IDC_COLOR,
    IDC_TEXMAP,
    IDC_TEXMAP_ON,
    IDC_OPACITY_GROUP,
    IDC_OPACITY_TEXMAP,
    IDC_OPACITY_TEXMAP_ON,
    IDC_EMISSION_GROUP,
    IDC_EMIT_LIGHT,
    IDC_OCCLUDE_OTHER,
    IDC_TWOSIDED_EMISSION,
    IDC_SHADOWCATCHER_ILLUMINATOR,
    IDC_DIRECTIONALITY,
    IDC_DIRECTIONALITY_SPIN,
    IDC_EXCLUDE_BUTTON,
    IDC_VISIBILITY_GROUP,
    IDC_VISIBLE_DIRECT,
    IDC_VISIBLE_REFL,
    IDC_VISIBLE_REFRACT,
    IDC_AFFECT_ALPHA,
    IDC_VISIBLE_IN_MASKS,
};

const StringTable strings{
    {IDS_LIGHTMTL_PB, "LightMtl paramblock"},
    {IDS_LIGHTMTL_ROLLOUT_0, "Nimbal Light Material"},
    {IDS_GROUP_OPACITY, "Opacity"},
    {IDS_GROUP_EMISSION, "Light emission"},
    {IDS_GROUP_VISIBILITY, "Visibility"},
    {IDS_INTENSITY, "Intensity:"},
    {IDS_COLOR, "Color:"},
    {IDS_TEXMAP, "Texmap:"},
    {IDS_OPACITY_TEXMAP, "Opacity"},
    {IDS_EMIT_LIGHT, "Emit Light"},
    {IDS_OCCLUDE_OTHER, "Occlude other lights"},
    {IDS_TWOSIDED_EMISSION, "Emit on both sides"},
    {IDS_SHADOWCATCHER_ILLUMINATOR, "Shadowcatcher illuminator"},
    {IDS_DIRECTIONALITY, "Directionality:"},
    {IDS_EXCLUDE_LIST, "Include/Exclude..."},
    {IDS_VISIBLE_DIRECT, "Visible directly"},
    {IDS_VISIBLE_REFL, "Visible in reflections"},
    {IDS_VISIBLE_REFRACT, "Visible in refractions"},
    {IDS_AFFECT_ALPHA, "Visible to alpha channel"},
    {IDS_VISIBLE_IN_MASKS, "Visible in masking elements"},
    {IDS_TIP_AFFECT_ALPHA, "When enabled, then the light will be displayed opaque (white) in the alpha channel."},
    {IDS_TIP_OCCLUDE_OTHER, "When enabled, this light blocks shadow rays from other lights in the scene. That is to "
                            "say, its geometry casts shadows when other lights shine at it."},
    {IDS_TIP_EMIT_LIGHT, "When on, then this light is a proper emitter, casting illumination into the scene. Disable "
                         "to create a camera back-plate that does not alter the scene lighting"},
    {IDS_TIP_VISIBLE_DIRECT, "Makes the light directly visible to the camera."},
    {IDS_TIP_DIRECTIONALITY, "How concentrated should the light emission be around the normal. Higher values create a "
                             "spotlight effect. Note that higher values can make the emitter appear black to camera. "
                             "Although surprising, this is the correct, unbiased behavior"},
    {IDS_TIP_VISIBLE_IN_MASKS, "When disabled, the material will not show in any masking render element (ID, mask, "
                               "source color, ...). It will still show in the beauty and NESSENTIAL render elements."},
    {IDS_TIP_SHADOWCATCHER_ILLUMINATOR,
     "Used in combination with shadow catcher materials. If enabled, this light illuminates the shadow catcher instead "
     "of casting shadows on it. Enable for CG lights that are being added to the footage and are not present in the 2D "
     "backplate/footage."},
    {IDS_TIP_TWOSIDED_EMISSION, "When enabled, the light emits also on the back side. When disabled, it is black on the "
                                "back side."},
};

const DialogTable dialogs{
    {1713, "Nimbal Light Material",
     {{IDC_INTENSITY, "spinner", "Intensity:"},
      {IDC_INTENSITY_SPIN, "spin", ""},
      {IDC_COLOR, "color", "Color:"},
      {IDC_TEXMAP, "map", "Texmap:"},
      {IDC_TEXMAP_ON, "check", ""},
      {IDC_OPACITY_GROUP, "group", "Opacity"},
      {IDC_OPACITY_TEXMAP, "map", ""},
      {IDC_OPACITY_TEXMAP_ON, "check", ""},
      {IDC_EMISSION_GROUP, "group", "Light emission"},
      {IDC_EMIT_LIGHT, "check", "Emit Light"},
      {IDC_OCCLUDE_OTHER, "check", "Occlude other lights"},
      {IDC_TWOSIDED_EMISSION, "check", "Emit on both sides"},
      {IDC_SHADOWCATCHER_ILLUMINATOR, "check", "Shadowcatcher illuminator"},
      {IDC_DIRECTIONALITY, "spinner", "Directionality:"},
      {IDC_DIRECTIONALITY_SPIN, "spin", ""},
      {IDC_EXCLUDE_BUTTON, "button", "Include/Exclude..."},
      {IDC_VISIBILITY_GROUP, "group", "Visibility"},
      {IDC_VISIBLE_DIRECT, "check", "Visible directly"},
      {IDC_VISIBLE_REFL, "check", "Visible in reflections"},
      {IDC_VISIBLE_REFRACT, "check", "Visible in refractions"},
      {IDC_AFFECT_ALPHA, "check", "Visible to alpha channel"},
      {IDC_VISIBLE_IN_MASKS, "check", "Visible in masking elements"}}},
};

class LightMtlCd : public ClassDescCommon {
public:
    LightMtlCd() : ClassDescCommon("Nimbal", "NimbalLightMtl", MATERIAL_CLASS_ID, Class_ID(0x53B7717A, 0x500D5093)) {}
    void* Create(BOOL) override { return new (std::nothrow) LightMtl(); }
};

LightMtlCd lightMtlCd;

ParamBlockDesc2 lightMtlPbDesc(
    BlockDesc{0, "LightMtlPb", IDS_LIGHTMTL_PB, &lightMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1713, IDS_LIGHTMTL_ROLLOUT_0, 0, nullptr}
             }},
    {
        // The block keeps negative intensities: the renderer gets them as set.
        {.id = 110, .name = "intensity", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{-10000, 10000}, .ui = {TYPE_SPINNER, {IDC_INTENSITY, IDC_INTENSITY_SPIN}, 0.1f},
         .localName = IDS_INTENSITY},
        {.id = 113, .name = "color", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_COLOR}}, .localName = IDS_COLOR},
        {.id = 111, .name = "texmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_TEXMAP}},
         .localName = IDS_TEXMAP, .subTexNo = 0},
        {.id = 112, .name = "texmapOn", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_TEXMAP_ON}}},
        {.id = 150, .name = "opacityTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_OPACITY_TEXMAP}},
         .localName = IDS_OPACITY_TEXMAP, .subTexNo = 1},
        {.id = 151, .name = "opacityTexmapOn", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_OPACITY_TEXMAP_ON}}},
        {.id = 162, .name = "emitLight", .type = TYPE_BOOL, .def = true, .ui = {TYPE_SINGLECHECKBOX, {IDC_EMIT_LIGHT}},
         .localName = IDS_EMIT_LIGHT, .tooltip = IDS_TIP_EMIT_LIGHT},
        {.id = 161, .name = "occludeOther", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_OCCLUDE_OTHER}}, .localName = IDS_OCCLUDE_OTHER,
         .tooltip = IDS_TIP_OCCLUDE_OTHER},
        {.id = 168, .name = "twosidedEmission", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_TWOSIDED_EMISSION}}, .localName = IDS_TWOSIDED_EMISSION,
         .tooltip = IDS_TIP_TWOSIDED_EMISSION},
        {.id = 167, .name = "shadowcatcherIlluminator", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_SHADOWCATCHER_ILLUMINATOR}}, .localName = IDS_SHADOWCATCHER_ILLUMINATOR,
         .tooltip = IDS_TIP_SHADOWCATCHER_ILLUMINATOR},
        {.id = 163, .name = "directionality", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_DIRECTIONALITY, IDC_DIRECTIONALITY_SPIN}, 0.01f},
         .localName = IDS_DIRECTIONALITY, .tooltip = IDS_TIP_DIRECTIONALITY},
        // Both edited through the shared include/exclude editor behind the
        // dialog's button, not through generated controls.
        {.id = 164, .name = "excludeList", .type = TabOf(TYPE_INODE), .flags = P_VARIABLE_SIZE,
         .localName = IDS_EXCLUDE_LIST},
        {.id = 165, .name = "excludeListIncludeMod", .type = TYPE_BOOL, .def = false},
        {.id = 123, .name = "visibleDirect", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_DIRECT}}, .localName = IDS_VISIBLE_DIRECT,
         .tooltip = IDS_TIP_VISIBLE_DIRECT},
        {.id = 122, .name = "visibleRefl", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_REFL}}, .localName = IDS_VISIBLE_REFL},
        {.id = 124, .name = "visibleRefract", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_REFRACT}}, .localName = IDS_VISIBLE_REFRACT},
        {.id = 100, .name = "affectAlpha", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_AFFECT_ALPHA}}, .localName = IDS_AFFECT_ALPHA,
         .tooltip = IDS_TIP_AFFECT_ALPHA},
        {.id = 166, .name = "visibleInMasks", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_IN_MASKS}}, .localName = IDS_VISIBLE_IN_MASKS,
         .tooltip = IDS_TIP_VISIBLE_IN_MASKS},
    });
}  // namespace

ClassDesc2* LightMtlTraits::classDesc() { return &lightMtlCd; }
ClassDescCommon* lightMtlClassDesc() { return &lightMtlCd; }

LightMtl::LightMtl() {
    addSubTexmapSlot("Texmap", 111, 112);
    addSubTexmapSlot("Opacity", 150, 151);
}

}  // namespace Nimbal

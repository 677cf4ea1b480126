#include "ShadowCatcherMtl/ShadowCatcherMtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_SHADOWCATCHERMTL_PB = 23000,
    IDS_SHADOWCATCHERMTL_ROLLOUT_0 = 23001,
    IDS_ENVIRO_BACKPLATE_COLOR = 23010,
    IDS_ENVIRO_BACKPLATE_TEXMAP,
    IDS_REFLECTION_COLOR,
    IDS_SHADOW_AMOUNT,
    IDS_REFLECTION_LEVEL,
    IDS_REFLECTION_FRESNEL_IOR,
    IDS_REFLECTION_GLOSSINESS,
    IDS_ALPHA_MODE,
    IDS_OFFSCREEN_TEXMAP,
    IDS_PROJECTION_MODE,
    IDS_PRESERVE_ASPECT_RATIO,
    IDS_USE_ENVIRO_FOR_OFFSCREEN_RAYS,
    IDS_OFFSCREEN_COLOR,
    IDS_REFLECTION_FRESNEL_IOR_TEXMAP,
    IDS_REFLECTION_GLOSSINESS_TEXMAP,
    IDS_BUMP_TEXMAP,
    IDS_REFLECTION_COLOR_TEXMAP,
    IDS_BUMP_AMOUNT,
    IDS_USE_MATTE_PROJECTION_MODE,
    IDS_BACKPLATE_TOOLTIP = 23040,
    IDS_OFFSCREEN_MAP_TOOLTIP,
    IDS_USE_ENVIRO_OFFSCREEN_TOOLTIP,
    IDS_OFFSCREEN_COLOR_TOOLTIP,
    IDS_ALWAYS_SOLID = 23050,
    IDS_FOR_COMPOSITING,
    IDS_ALWAYS_TRANSPARENT,
    IDS_SCREEN_PROJECTION,
    IDS_ENVIRO_PROJECTION,
    IDS_KEEP_PROJECTION,
};

// Control ids of dialog template 1507.
enum : int {
    IDC_BACKPLATE_COLOR = 1001,
    IDC_BACKPLATE_MAP,
    IDC_REFLECT_COLOR,
    IDC_SHADOW_AMOUNT,
    IDC_SHADOW_AMOUNT_SPIN,
    IDC_REFLECT_LEVEL,
    IDC_REFLECT_LEVEL_SPIN,
    IDC_REFLECT_IOR,
    IDC_REFLECT_IOR_SPIN,
    IDC_REFLECT_GLOSSINESS,
    IDC_REFLECT_GLOSSINESS_SPIN,
    IDC_ALPHA_MODE,
    IDC_OFFSCREEN_MAP,
    IDC_PROJECTION_MODE,
    IDC_PRESERVE_ASPECT_RATIO,
    IDC_USE_ENVIRO_OFFSCREEN,
    IDC_OFFSCREEN_COLOR,
    IDC_IOR_MAP,
    IDC_GLOSSINESS_MAP,
    IDC_BUMP_MAP,
    IDC_REFLECT_COLOR_MAP,
    IDC_BUMP_AMOUNT,
    IDC_BUMP_AMOUNT_SPIN,
    IDC_PROJECT_REFLECTION_MAPS,
};

const StringTable strings{
    {IDS_SHADOWCATCHERMTL_PB, "Shadow catcher mtl paramblock"},
    {IDS_SHADOWCATCHERMTL_ROLLOUT_0, "Nimbal Shadow Catcher Material"},
    {IDS_ENVIRO_BACKPLATE_COLOR, "enviroBackplateColor"},
    {IDS_ENVIRO_BACKPLATE_TEXMAP, "enviroBackplateTexmap"},
    {IDS_REFLECTION_COLOR, "reflectionColor"},
    {IDS_SHADOW_AMOUNT, "shadowAmount"},
    {IDS_REFLECTION_LEVEL, "reflectionLevel"},
    {IDS_REFLECTION_FRESNEL_IOR, "reflectionFresnelIor"},
    {IDS_REFLECTION_GLOSSINESS, "reflectionGlossiness"},
    {IDS_ALPHA_MODE, "alphaMode"},
    {IDS_OFFSCREEN_TEXMAP, "offscreenTexmap"},
    {IDS_PROJECTION_MODE, "projectionMode"},
    {IDS_PRESERVE_ASPECT_RATIO, "preserveAspectRatio"},
    {IDS_USE_ENVIRO_FOR_OFFSCREEN_RAYS, "useEnviroForOffScreenRays"},
    {IDS_OFFSCREEN_COLOR, "offScreenColor"},
    {IDS_REFLECTION_FRESNEL_IOR_TEXMAP, "reflectionFresnelIorTexmap"},
    {IDS_REFLECTION_GLOSSINESS_TEXMAP, "reflectionGlossinessTexmap"},
    {IDS_BUMP_TEXMAP, "bumpTexmap"},
    {IDS_REFLECTION_COLOR_TEXMAP, "reflectionColorTexmap"},
    {IDS_BUMP_AMOUNT, "bumpAmount"},
    {IDS_USE_MATTE_PROJECTION_MODE, "useMatteProjectionMode"},
    {IDS_BACKPLATE_TOOLTIP, "The back plate for compositing - a real world photo."},
    {IDS_OFFSCREEN_MAP_TOOLTIP, "Use this map for off-view rays when using simple backplate."},
    {IDS_USE_ENVIRO_OFFSCREEN_TOOLTIP, "Use scene environment for off-view rays when using simple backplate."},
    {IDS_OFFSCREEN_COLOR_TOOLTIP, "Use this color for off-view rays when using simple backplate."},
    {IDS_ALWAYS_SOLID, "Always solid"},
    {IDS_FOR_COMPOSITING, "For compositing"},
    {IDS_ALWAYS_TRANSPARENT, "Always transparent"},
    {IDS_SCREEN_PROJECTION, "Screen projection onto geometry"},
    {IDS_ENVIRO_PROJECTION, "Enviro projection onto geometry"},
    {IDS_KEEP_PROJECTION, "Do not alter projection"},
};

const DialogTable dialogs{
    {1507, "Nimbal Shadow Catcher Material",
     {{IDC_BACKPLATE_COLOR, "color", "Backplate:"},
      {IDC_BACKPLATE_MAP, "map", ""},
      {IDC_PROJECTION_MODE, "combo", "Projection:"},
      {IDC_PRESERVE_ASPECT_RATIO, "check", "Preserve aspect ratio"},
      {IDC_USE_ENVIRO_OFFSCREEN, "check", "Use environment for off-screen rays"},
      {IDC_OFFSCREEN_COLOR, "color", "Off-screen:"},
      {IDC_OFFSCREEN_MAP, "map", ""},
      {IDC_SHADOW_AMOUNT, "spinner", "Shadow amount:"},
      {IDC_ALPHA_MODE, "combo", "Alpha:"},
      {IDC_REFLECT_COLOR, "color", "Reflection:"},
      {IDC_REFLECT_COLOR_MAP, "map", ""},
      {IDC_REFLECT_LEVEL, "spinner", "Reflection level:"},
      {IDC_REFLECT_IOR, "spinner", "Fresnel IOR:"},
      {IDC_IOR_MAP, "map", ""},
      {IDC_REFLECT_GLOSSINESS, "spinner", "Glossiness:"},
      {IDC_GLOSSINESS_MAP, "map", ""},
      {IDC_PROJECT_REFLECTION_MAPS, "check", "Project reflection maps"},
      {IDC_BUMP_MAP, "map", "Bump:"},
      {IDC_BUMP_AMOUNT, "spinner", ""}}},
};

class ShadowCatcherMtlCd : public ClassDescCommon {
public:
    ShadowCatcherMtlCd() : ClassDescCommon("Nimbal", "NimbalShadowCatcherMtl", MATERIAL_CLASS_ID, Class_ID(0x398ACEAD, 0xACDC3625)) {}
    void* Create(BOOL) override { return new (std::nothrow) ShadowCatcherMtl(); }
};

ShadowCatcherMtlCd shadowCatcherMtlCd;

ParamBlockDesc2 shadowCatcherMtlPbDesc(
    BlockDesc{0, "ShadowCatcherPb", IDS_SHADOWCATCHERMTL_PB, &shadowCatcherMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1507, IDS_SHADOWCATCHERMTL_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 301, .name = "backplateColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.5f, 0.5f, 0.5f),
         .ui = {TYPE_COLORSWATCH, {IDC_BACKPLATE_COLOR}}, .localName = IDS_ENVIRO_BACKPLATE_COLOR,
         .tooltip = IDS_BACKPLATE_TOOLTIP},
        {.id = 302, .name = "backplateTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_BACKPLATE_MAP}},
         .localName = IDS_ENVIRO_BACKPLATE_TEXMAP, .subTexNo = 0},
        {.id = 307, .name = "colorReflect", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_REFLECT_COLOR}}, .localName = IDS_REFLECTION_COLOR},
        {.id = 304, .name = "shadowAmount", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0.1, 10}, .ui = {TYPE_SPINNER, {IDC_SHADOW_AMOUNT, IDC_SHADOW_AMOUNT_SPIN}, 0.01f},
         .localName = IDS_SHADOW_AMOUNT},
        {.id = 306, .name = "reflectLevel", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_REFLECT_LEVEL, IDC_REFLECT_LEVEL_SPIN}, 0.01f},
         .localName = IDS_REFLECTION_LEVEL},
        {.id = 308, .name = "reflectIor", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.52f,
         .range = ParamRange{1, 999}, .ui = {TYPE_SPINNER, {IDC_REFLECT_IOR, IDC_REFLECT_IOR_SPIN}, 0.01f},
         .localName = IDS_REFLECTION_FRESNEL_IOR},
        {.id = 309, .name = "reflectGlossiness", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.5f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_REFLECT_GLOSSINESS, IDC_REFLECT_GLOSSINESS_SPIN}, 0.01f},
         .localName = IDS_REFLECTION_GLOSSINESS},
        // The declared range stops at 2 although "Always transparent" writes 3;
        // the drop-down's values are accepted all the same.
        {.id = 303, .name = "alphaMode", .type = TYPE_INT, .def = 1, .range = ParamRange{1, 2},
         .ui = {TYPE_INT_COMBOBOX, {IDC_ALPHA_MODE}, 0.0f,
                {{IDS_ALWAYS_SOLID, 1}, {IDS_FOR_COMPOSITING, 2}, {IDS_ALWAYS_TRANSPARENT, 3}}},
         .localName = IDS_ALPHA_MODE},
        // Spelt with one f in stored scenes.
        {.id = 350, .name = "ofscreenMap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_OFFSCREEN_MAP}},
         .localName = IDS_OFFSCREEN_TEXMAP, .tooltip = IDS_OFFSCREEN_MAP_TOOLTIP, .subTexNo = 1},
        {.id = 310, .name = "projectionMode", .type = TYPE_INT, .def = 0,
         .ui = {TYPE_INT_COMBOBOX, {IDC_PROJECTION_MODE}, 0.0f,
                {{IDS_SCREEN_PROJECTION, 0}, {IDS_ENVIRO_PROJECTION, 1}, {IDS_KEEP_PROJECTION, 2}}},
         .localName = IDS_PROJECTION_MODE},
        {.id = 311, .name = "preserveAspectRatio", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_PRESERVE_ASPECT_RATIO}}, .localName = IDS_PRESERVE_ASPECT_RATIO},
        {.id = 312, .name = "useEnviroOffscreen", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_USE_ENVIRO_OFFSCREEN}}, .localName = IDS_USE_ENVIRO_FOR_OFFSCREEN_RAYS,
         .tooltip = IDS_USE_ENVIRO_OFFSCREEN_TOOLTIP},
        {.id = 313, .name = "offscreenColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_OFFSCREEN_COLOR}}, .localName = IDS_OFFSCREEN_COLOR,
         .tooltip = IDS_OFFSCREEN_COLOR_TOOLTIP},
        {.id = 351, .name = "fresnelIorTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_IOR_MAP}},
         .localName = IDS_REFLECTION_FRESNEL_IOR_TEXMAP, .subTexNo = 2},
        {.id = 352, .name = "reflectGlossinessTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_GLOSSINESS_MAP}},
         .localName = IDS_REFLECTION_GLOSSINESS_TEXMAP, .subTexNo = 3},
        {.id = 353, .name = "bump", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_BUMP_MAP}},
         .localName = IDS_BUMP_TEXMAP, .subTexNo = 4},
        {.id = 354, .name = "reflectColorTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_REFLECT_COLOR_MAP}},
         .localName = IDS_REFLECTION_COLOR_TEXMAP, .subTexNo = 5},
        {.id = 355, .name = "bumpAmount", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 999}, .ui = {TYPE_SPINNER, {IDC_BUMP_AMOUNT, IDC_BUMP_AMOUNT_SPIN}, 0.01f},
         .localName = IDS_BUMP_AMOUNT},
        {.id = 356, .name = "projectReflectionMaps", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_PROJECT_REFLECTION_MAPS}}, .localName = IDS_USE_MATTE_PROJECTION_MODE},
    });
}  // namespace

ClassDesc2* ShadowCatcherMtlTraits::classDesc() { return &shadowCatcherMtlCd; }
ClassDescCommon* shadowCatcherMtlClassDesc() { return &shadowCatcherMtlCd; }

// Slots in sub-map order, named by their labels; none has an enable switch.
ShadowCatcherMtl::ShadowCatcherMtl() {
    addSubTexmapSlot("enviroBackplateTexmap", 302, 0);
    addSubTexmapSlot("offscreenTexmap", 350, 0);
    addSubTexmapSlot("reflectionFresnelIorTexmap", 351, 0);
    addSubTexmapSlot("reflectionGlossinessTexmap", 352, 0);
    addSubTexmapSlot("bumpTexmap", 353, 0);
    addSubTexmapSlot("reflectionColorTexmap", 354, 0);
}

}  // namespace Nimbal

#include "Mtl/Mtl.h"

#include <limits>
#include <vector>

#include "Resources.h"

namespace Nimbal {

namespace {
constexpr double INF = std::numeric_limits<double>::infinity();

// Rollouts, by map id.
enum : MapID {
    MAP_BASIC = 54,
    MAP_VOLUME = 38,
    MAP_ADVANCED = 85,
    MAP_MAPS = 44,
};

enum : int {
    IDS_MTL_PB = 1000,
    IDS_MTL_ROLLOUT_0 = 1001,
    IDS_MTL_ROLLOUT_1 = 1002,
    IDS_MTL_ROLLOUT_2 = 1003,
    IDS_MTL_ROLLOUT_3 = 1004,
    IDS_TIP_LEVEL = 1010,
    IDS_TIP_MAPAMOUNT,
    IDS_BSDF_PHONG = 1020,
    IDS_BSDF_WARD,
    IDS_BSDF_ASHIKHMIN_SHIRLEY,
    IDS_BSDF_GGX,
    IDS_ALPHA_DEFAULT,
    IDS_ALPHA_TRANSPARENT,
    IDS_ALPHA_SOLID,
    IDS_REMOVED_PARAM = 1030,
};

// Each live parameter's label has its own string, numbered after the
// parameter id so that the two cannot drift apart.
constexpr int label(int paramId) { return 1100 + paramId; }

// Control ids of dialog template 1485, "Basic options".
enum : int {
    IDC_DIFFUSE_COLOR = 1001,
    IDC_DIFFUSE_LEVEL,
    IDC_DIFFUSE_LEVEL_SPIN,
    IDC_DIFFUSE_BUTTON,
    IDC_REFLECT_COLOR,
    IDC_REFLECT_LEVEL,
    IDC_REFLECT_LEVEL_SPIN,
    IDC_REFLECT_BUTTON,
    IDC_REFLECT_GLOSS,
    IDC_REFLECT_GLOSS_SPIN,
    IDC_REFLECT_GLOSS_BUTTON,
    IDC_ANISOTROPY,
    IDC_ANISOTROPY_SPIN,
    IDC_ANISOTROPY_BUTTON,
    IDC_ANISO_ROTATION,
    IDC_ANISO_ROTATION_SPIN,
    IDC_ANISO_ROTATION_BUTTON,
    IDC_FRESNEL_IOR,
    IDC_FRESNEL_IOR_SPIN,
    IDC_FRESNEL_IOR_BUTTON,
    IDC_REFRACT_COLOR,
    IDC_REFRACT_LEVEL,
    IDC_REFRACT_LEVEL_SPIN,
    IDC_REFRACT_BUTTON,
    IDC_REFRACT_GLOSS,
    IDC_REFRACT_GLOSS_SPIN,
    IDC_REFRACT_GLOSS_BUTTON,
    IDC_IOR,
    IDC_IOR_SPIN,
    IDC_IOR_BUTTON,
    IDC_TRANSLUCENCY_COLOR,
    IDC_TRANSLUCENCY_BUTTON,
    IDC_TRANSLUCENCY_LEVEL,
    IDC_TRANSLUCENCY_LEVEL_SPIN,
    IDC_TRANSLUCENCY_LEVEL_BUTTON,
    IDC_OPACITY_COLOR,
    IDC_OPACITY_LEVEL,
    IDC_OPACITY_LEVEL_SPIN,
    IDC_OPACITY_BUTTON,
    IDC_DISPLACEMENT_MIN,
    IDC_DISPLACEMENT_MIN_SPIN,
    IDC_DISPLACEMENT_MAX,
    IDC_DISPLACEMENT_MAX_SPIN,
    IDC_WATER_LEVEL,
    IDC_WATER_LEVEL_SPIN,
    IDC_WATER_LEVEL_ON,
    IDC_DISPLACEMENT_BUTTON,
    IDC_THIN,
    IDC_CAUSTICS,
};

// Control ids of dialog template 1486, "Advanced options". The BSDF
// drop-down and its caption keep fixed ids: outside a development
// installation the dialog procedure hides them by id.
enum : int {
    IDC_SELFILLUM_COLOR = 1101,
    IDC_SELFILLUM_LEVEL,
    IDC_SELFILLUM_LEVEL_SPIN,
    IDC_SELFILLUM_BUTTON,
    IDC_ALPHA_MODE,
    IDC_GBUFFER,
    IDC_GBUFFER_SPIN,
    IDC_ROUNDED_RADIUS,
    IDC_ROUNDED_RADIUS_SPIN,
    IDC_ROUNDED_SAMPLES,
    IDC_ROUNDED_SAMPLES_SPIN,
    IDC_ROUNDED_BUTTON,
    IDC_VISIBLE_IN_MASKS,
    IDC_LEGACY_MODE,
    IDC_BSDF = 1058,
    IDC_BSDF_CAPTION = 1387,
};

// Control ids of dialog template 1683, "Volumetric absorption and
// scattering"; the SSS check box is hidden by id like the BSDF drop-down.
enum : int {
    IDC_ABSORPTION_COLOR = 1201,
    IDC_ABSORPTION_DISTANCE,
    IDC_ABSORPTION_DISTANCE_SPIN,
    IDC_ABSORPTION_BUTTON,
    IDC_SCATTER_COLOR,
    IDC_SCATTER_DIRECTIONALITY,
    IDC_SCATTER_DIRECTIONALITY_SPIN,
    IDC_SCATTER_BUTTON,
    IDC_SINGLE_BOUNCE,
    IDC_SSS_MODE = 1703,
};

// Control ids of dialog template 1487, "Maps": one row per sub-map number.
constexpr int idcMap(int slot) { return 1301 + 4 * slot; }
constexpr int idcMapOn(int slot) { return 1302 + 4 * slot; }
constexpr int idcAmount(int slot) { return 1303 + 4 * slot; }
constexpr int idcAmountSpin(int slot) { return 1304 + 4 * slot; }
// Displacement and the two environment overrides have no map amount.
constexpr bool slotHasAmount(int slot) { return slot < 14 || slot > 16; }
constexpr int NUM_MAP_SLOTS = 20;

// Sub-maps 20 and 21 stay empty records.
constexpr MtlSubTexmapSlot SLOTS[Mtl::NUM_SUBTEXMAPS] = {
    {141, 161, MAP_BASIC, IDC_DIFFUSE_BUTTON, "Diffuse color"},
    {142, 162, MAP_BASIC, IDC_REFLECT_BUTTON, "Refl. color"},
    {143, 163, MAP_BASIC, IDC_REFLECT_GLOSS_BUTTON, "Refl. gloss."},
    {150, 170, MAP_BASIC, IDC_ANISOTROPY_BUTTON, "Anisotropy"},
    {151, 171, MAP_BASIC, IDC_ANISO_ROTATION_BUTTON, "Aniso rot."},
    {153, 173, MAP_BASIC, IDC_FRESNEL_IOR_BUTTON, "Fresnel IOR"},
    {144, 164, MAP_BASIC, IDC_REFRACT_BUTTON, "Refr. color"},
    {145, 165, MAP_BASIC, IDC_REFRACT_GLOSS_BUTTON, "Refr. gloss."},
    {152, 172, MAP_BASIC, IDC_IOR_BUTTON, "IOR"},
    {148, 168, MAP_BASIC, IDC_TRANSLUCENCY_BUTTON, "Transl. color"},
    {159, 179, MAP_BASIC, IDC_TRANSLUCENCY_LEVEL_BUTTON, "Transl. level."},
    {146, 166, MAP_BASIC, IDC_OPACITY_BUTTON, "Opacity color"},
    {158, 178, MAP_ADVANCED, IDC_SELFILLUM_BUTTON, "Self illum."},
    // Bump and the environment overrides have no values beside which a
    // small button would sit: they are reached from "Maps" only.
    {147, 167, 0, 0, "Bump"},
    {154, 174, MAP_BASIC, IDC_DISPLACEMENT_BUTTON, "Displacement"},
    {156, 176, 0, 0, "Refl. env."},
    {157, 177, 0, 0, "Refr. env."},
    {305, 306, MAP_VOLUME, IDC_ABSORPTION_BUTTON, "Atten. tint"},
    {308, 309, MAP_VOLUME, IDC_SCATTER_BUTTON, "Scatter albedo"},
    {311, 312, MAP_ADVANCED, IDC_ROUNDED_BUTTON, "Round edges r."},
    {},
    {},
};

const StringTable strings{
    {IDS_MTL_PB, "Mtl paramblock"},
    {IDS_MTL_ROLLOUT_0, "Basic options"},
    {IDS_MTL_ROLLOUT_1, "Volumetric absorption and scattering"},
    {IDS_MTL_ROLLOUT_2, "Advanced options"},
    {IDS_MTL_ROLLOUT_3, "Maps"},
    {IDS_TIP_LEVEL, "Both the constant color and texmap will be multiplied with this number. Setting 0.5 and using "
                    "white color is equal to using 50% gray color, or using texmap with output level 0.5"},
    {IDS_TIP_MAPAMOUNT, "The mixing coefficient between the texture and constant color. 100% means only texture "
                        "result is used, 0% means only constant color is used, values in-between blend the texture "
                        "with the constant color"},
    {IDS_BSDF_PHONG, "Phong"},
    {IDS_BSDF_WARD, "Ward"},
    {IDS_BSDF_ASHIKHMIN_SHIRLEY, "Ashikhmin-Shirley"},
    {IDS_BSDF_GGX, "GGX"},
    {IDS_ALPHA_DEFAULT, "Default"},
    {IDS_ALPHA_TRANSPARENT, "Always transparent"},
    {IDS_ALPHA_SOLID, "Always solid"},
    {IDS_REMOVED_PARAM, "removedParam"},

    {label(101), "colorDiffuse"},
    {label(121), "levelDiffuse"},
    {label(141), "texmapDiffuse"},
    {label(161), "texmapOnDiffuse"},
    {label(290), "mapamountDiffuse"},
    {label(102), "colorReflect"},
    {label(122), "levelReflect"},
    {label(142), "texmapReflect"},
    {label(162), "texmapOnReflect"},
    {label(291), "mapamountReflect"},
    {label(180), "reflectGlossiness"},
    {label(143), "texmapReflectGlossiness"},
    {label(163), "texmapOnReflectGlossiness"},
    {label(292), "mapamountReflectGlossiness"},
    {label(194), "anisotropy"},
    {label(150), "texmapReflectAnisotropy"},
    {label(170), "texmapOnAnisotropy"},
    {label(299), "mapamountAnisotropy"},
    {label(195), "anisotropyRotation"},
    {label(151), "texmapReflectAnisotropyRotation"},
    {label(171), "texmapOnAnisotropyRotation"},
    {label(300), "mapamountAnisotropyRotation"},
    {label(182), "fresnelIor"},
    {label(153), "texmapFresnelIor"},
    {label(173), "texmapOnFresnelIor"},
    {label(302), "mapamountFresnelIor"},
    {label(103), "colorRefract"},
    {label(123), "levelRefract"},
    {label(144), "texmapRefract"},
    {label(164), "texmapOnRefract"},
    {label(293), "mapamountRefract"},
    {label(181), "refractGlossiness"},
    {label(145), "texmapRefractGlossiness"},
    {label(165), "texmapOnRefractGlossiness"},
    {label(294), "mapamountRefractGlossiness"},
    {label(183), "ior"},
    {label(152), "texmapIor"},
    {label(172), "texmapOnIor"},
    {label(301), "mapamountIor"},
    {label(106), "colorTranslucency"},
    {label(148), "texmapTranslucency"},
    {label(168), "texmapOnTranslucency"},
    {label(297), "mapamountTranslucency"},
    {label(126), "levelTranslucency"},
    {label(159), "texmapTranslucencyFraction"},
    {label(179), "texmapOnTranslucencyFraction"},
    {label(304), "mapamountTranslucencyFraction"},
    {label(105), "colorOpacity"},
    {label(127), "levelOpacity"},
    {label(146), "texmapOpacity"},
    {label(166), "texmapOnOpacity"},
    {label(295), "mapamountOpacity"},
    {label(107), "colorSelfIllum"},
    {label(128), "multiplierSelfIllumination"},
    {label(158), "texmapSelfIllum"},
    {label(178), "texmapOnSelfIllum"},
    {label(303), "mapamountSelfIllum"},
    {label(147), "texmapBump"},
    {label(167), "texmapOnBump"},
    {label(296), "mapamountBump"},
    {label(207), "displacementMinimum"},
    {label(208), "displacementMaximum"},
    {label(206), "displacementWaterLevel"},
    {label(316), "displacementWaterLevelOn"},
    {label(154), "texmapDisplace"},
    {label(174), "texmapOnDisplacement"},
    {label(156), "texmapReflectBgOverride"},
    {label(176), "texmapOnReflectBgOverride"},
    {label(157), "texmapRefractBgOverride"},
    {label(177), "texmapOnRefractBgOverride"},
    {label(190), "absorptionColor"},
    {label(188), "absorptionDistnace"},
    {label(305), "texmapAbsorption"},
    {label(306), "texmapOnAbsorption"},
    {label(307), "mapamountAbsorption"},
    {label(215), "scatteringColor"},
    {label(216), "scatterDirectionality"},
    {label(308), "texmapScatterColor"},
    {label(309), "texmapOnScatterColor"},
    {label(310), "mapamountScatterColor"},
    {label(196), "roundedCornersRadius"},
    {label(197), "roundedCornersSamples"},
    {label(311), "texmapRoundedCornersRadius"},
    {label(312), "texmapOnRoundedCornersRadius"},
    {label(313), "mapamountRoundedCornersRadius"},
    {label(202), "bsdf"},
    {label(201), "alphaChannel"},
    {label(205), "gBufferIdOverride"},
    {label(210), "thinNoRefraction"},
    {label(211), "caustics"},
    {label(214), "optimizeForSss"},
    {label(314), "visibleInMasks"},
    {label(315), "volumetricSingleBounceOnly"},
    {label(318), "legacyMode"},
};

std::vector<ControlResource> mapsRolloutControls() {
    std::vector<ControlResource> controls;
    for (int slot = 0; slot < NUM_MAP_SLOTS; ++slot) {
        controls.push_back({idcMapOn(slot), "check", SLOTS[slot].label});
        controls.push_back({idcMap(slot), "map", "None"});
        if (slotHasAmount(slot)) {
            controls.push_back({idcAmount(slot), "spinner", ""});
            controls.push_back({idcAmountSpin(slot), "spin", ""});
        }
    }
    return controls;
}

const DialogTable dialogs{
    {1485, "Basic options",
     {{IDC_DIFFUSE_COLOR, "color", "Diffuse:"},
      {IDC_DIFFUSE_LEVEL, "spinner", ""},
      {IDC_DIFFUSE_LEVEL_SPIN, "spin", ""},
      {IDC_DIFFUSE_BUTTON, "button", " "},
      {IDC_REFLECT_COLOR, "color", "Reflection:"},
      {IDC_REFLECT_LEVEL, "spinner", ""},
      {IDC_REFLECT_LEVEL_SPIN, "spin", ""},
      {IDC_REFLECT_BUTTON, "button", " "},
      {IDC_REFLECT_GLOSS, "spinner", "Glossiness:"},
      {IDC_REFLECT_GLOSS_SPIN, "spin", ""},
      {IDC_REFLECT_GLOSS_BUTTON, "button", " "},
      {IDC_ANISOTROPY, "spinner", "Anisotropy:"},
      {IDC_ANISOTROPY_SPIN, "spin", ""},
      {IDC_ANISOTROPY_BUTTON, "button", " "},
      {IDC_ANISO_ROTATION, "spinner", "Rotation:"},
      {IDC_ANISO_ROTATION_SPIN, "spin", ""},
      {IDC_ANISO_ROTATION_BUTTON, "button", " "},
      {IDC_FRESNEL_IOR, "spinner", "Fresnel IOR:"},
      {IDC_FRESNEL_IOR_SPIN, "spin", ""},
      {IDC_FRESNEL_IOR_BUTTON, "button", " "},
      {IDC_REFRACT_COLOR, "color", "Refraction:"},
      {IDC_REFRACT_LEVEL, "spinner", ""},
      {IDC_REFRACT_LEVEL_SPIN, "spin", ""},
      {IDC_REFRACT_BUTTON, "button", " "},
      {IDC_REFRACT_GLOSS, "spinner", "Glossiness:"},
      {IDC_REFRACT_GLOSS_SPIN, "spin", ""},
      {IDC_REFRACT_GLOSS_BUTTON, "button", " "},
      {IDC_IOR, "spinner", "IOR:"},
      {IDC_IOR_SPIN, "spin", ""},
      {IDC_IOR_BUTTON, "button", " "},
      {IDC_TRANSLUCENCY_COLOR, "color", "Translucency:"},
      {IDC_TRANSLUCENCY_BUTTON, "button", " "},
      {IDC_TRANSLUCENCY_LEVEL, "spinner", ""},
      {IDC_TRANSLUCENCY_LEVEL_SPIN, "spin", ""},
      {IDC_TRANSLUCENCY_LEVEL_BUTTON, "button", " "},
      {IDC_OPACITY_COLOR, "color", "Opacity:"},
      {IDC_OPACITY_LEVEL, "spinner", ""},
      {IDC_OPACITY_LEVEL_SPIN, "spin", ""},
      {IDC_OPACITY_BUTTON, "button", " "},
      {IDC_DISPLACEMENT_MIN, "spinner", "Displacement min:"},
      {IDC_DISPLACEMENT_MIN_SPIN, "spin", ""},
      {IDC_DISPLACEMENT_MAX, "spinner", "Displacement max:"},
      {IDC_DISPLACEMENT_MAX_SPIN, "spin", ""},
      {IDC_WATER_LEVEL, "spinner", ""},
      {IDC_WATER_LEVEL_SPIN, "spin", ""},
      {IDC_WATER_LEVEL_ON, "check", "Water level:"},
      {IDC_DISPLACEMENT_BUTTON, "button", " "},
      {IDC_THIN, "check", "Thin (no refraction)"},
      {IDC_CAUSTICS, "check", "Caustics"}}},
    {1683, "Volumetric absorption and scattering",
     {{IDC_ABSORPTION_COLOR, "color", "Attenuation tint:"},
      {IDC_ABSORPTION_DISTANCE, "spinner", "Attenuation distance:"},
      {IDC_ABSORPTION_DISTANCE_SPIN, "spin", ""},
      {IDC_ABSORPTION_BUTTON, "button", " "},
      {IDC_SCATTER_COLOR, "color", "Scatter albedo:"},
      {IDC_SCATTER_DIRECTIONALITY, "spinner", "Directionality:"},
      {IDC_SCATTER_DIRECTIONALITY_SPIN, "spin", ""},
      {IDC_SCATTER_BUTTON, "button", " "},
      {IDC_SSS_MODE, "check", "Optimize for SSS"},
      {IDC_SINGLE_BOUNCE, "check", "Single bounce only"}}},
    {1486, "Advanced options",
     {{IDC_SELFILLUM_COLOR, "color", "Self illumination:"},
      {IDC_SELFILLUM_LEVEL, "spinner", ""},
      {IDC_SELFILLUM_LEVEL_SPIN, "spin", ""},
      {IDC_SELFILLUM_BUTTON, "button", " "},
      {IDC_BSDF_CAPTION, "label", "BSDF:"},
      {IDC_BSDF, "combo", ""},
      {IDC_ALPHA_MODE, "combo", "Alpha channel:"},
      {IDC_GBUFFER, "spinner", "G-buffer ID override:"},
      {IDC_GBUFFER_SPIN, "spin", ""},
      {IDC_ROUNDED_RADIUS, "spinner", "Rounded edges radius:"},
      {IDC_ROUNDED_RADIUS_SPIN, "spin", ""},
      {IDC_ROUNDED_SAMPLES, "spinner", "Samples:"},
      {IDC_ROUNDED_SAMPLES_SPIN, "spin", ""},
      {IDC_ROUNDED_BUTTON, "button", " "},
      {IDC_VISIBLE_IN_MASKS, "check", "Visible in masks"},
      {IDC_LEGACY_MODE, "check", "Legacy mode"}}},
    {1487, "Maps", mapsRolloutControls()},
};

class MtlCd : public ClassDescCommon {
public:
    MtlCd() : ClassDescCommon("Nimbal", "NimbalMtl", MATERIAL_CLASS_ID, Class_ID(0x70BE6506, 0x448931DD)) {}
    void* Create(BOOL) override { return new (std::nothrow) Mtl(); }
};

MtlCd mtlCd;

// The three members of a channel family that live in "Maps".
ParamDef texmapParam(ParamID id, const char* name, int slot) {
    return {.id = id, .name = name, .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {idcMap(slot)}}, .map = MAP_MAPS,
            .localName = label(id), .subTexNo = slot};
}

ParamDef enableParam(ParamID id, const char* name, int slot) {
    return {.id = id, .name = name, .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = true,
            .ui = {TYPE_SINGLECHECKBOX, {idcMapOn(slot)}}, .map = MAP_MAPS, .localName = label(id)};
}

ParamDef amountParam(ParamID id, const char* name, int slot) {
    return {.id = id, .name = name, .type = TYPE_PCNT_FRAC, .flags = P_ANIMATABLE, .def = 1.0f,
            .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {idcAmount(slot), idcAmountSpin(slot)}, 1.0f},
            .map = MAP_MAPS, .localName = label(id), .tooltip = IDS_TIP_MAPAMOUNT, .dim = DIM_PERCENT};
}

// Channel colours and levels of the value rollouts.
ParamDef colorParam(ParamID id, const char* name, Color def, MapID map, int ctrl) {
    return {.id = id, .name = name, .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = def,
            .ui = {TYPE_COLORSWATCH, {ctrl}}, .map = map, .localName = label(id)};
}

ParamDef levelParam(ParamID id, const char* name, float def, MapID map, int ctrl) {
    return {.id = id, .name = name, .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = def, .range = ParamRange{0, 1},
            .ui = {TYPE_SPINNER, {ctrl, ctrl + 1}, 0.01f}, .map = map, .localName = label(id),
            .tooltip = IDS_TIP_LEVEL};
}

ParamDef removedParam(ParamID id, int type) {
    return {.id = id, .name = "removedParam", .type = type, .flags = P_OBSOLETE, .localName = IDS_REMOVED_PARAM};
}

ParamBlockDesc2 mtlPbDesc(
    BlockDesc{0, "NimbalMtlPb", IDS_MTL_PB, &mtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP | P_VERSION, 1983716, 0,
             {
             RolloutDesc{MAP_BASIC, 1485, IDS_MTL_ROLLOUT_0, 0, nullptr},
             RolloutDesc{MAP_VOLUME, 1683, IDS_MTL_ROLLOUT_1, APPENDROLL_CLOSED, nullptr},
             RolloutDesc{MAP_ADVANCED, 1486, IDS_MTL_ROLLOUT_2, APPENDROLL_CLOSED, nullptr},
             RolloutDesc{MAP_MAPS, 1487, IDS_MTL_ROLLOUT_3, 0, nullptr}
             }},
    {
        // Diffuse.
        colorParam(101, "colorDiffuse", Color(0.5f, 0.5f, 0.5f), MAP_BASIC, IDC_DIFFUSE_COLOR),
        levelParam(121, "levelDiffuse", 1.0f, MAP_BASIC, IDC_DIFFUSE_LEVEL),
        texmapParam(141, "texmapDiffuse", 0),
        enableParam(161, "texmapOnDiffuse", 0),
        amountParam(290, "mapamountDiffuse", 0),
        // Reflection.
        colorParam(102, "colorReflect", Color(1.0f, 1.0f, 1.0f), MAP_BASIC, IDC_REFLECT_COLOR),
        levelParam(122, "levelReflect", 0.0f, MAP_BASIC, IDC_REFLECT_LEVEL),
        texmapParam(142, "texmapReflect", 1),
        enableParam(162, "texmapOnReflect", 1),
        amountParam(291, "mapamountReflect", 1),
        // Reflection glossiness.
        {.id = 180, .name = "reflectGlossiness", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_REFLECT_GLOSS, IDC_REFLECT_GLOSS_SPIN}, 0.01f},
         .map = MAP_BASIC, .localName = label(180)},
        texmapParam(143, "texmapReflectGlossiness", 2),
        enableParam(163, "texmapOnReflectGlossiness", 2),
        amountParam(292, "mapamountReflectGlossiness", 2),
        // Anisotropy.
        {.id = 194, .name = "anisotropy", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{-1, 1}, .ui = {TYPE_SPINNER, {IDC_ANISOTROPY, IDC_ANISOTROPY_SPIN}, 0.01f},
         .map = MAP_BASIC, .localName = label(194)},
        texmapParam(150, "texmapReflectAnisotropy", 3),
        enableParam(170, "texmapOnAnisotropy", 3),
        amountParam(299, "mapamountAnisotropy", 3),
        // Anisotropy rotation, held in degrees (not an angle parameter).
        {.id = 195, .name = "anisotropyRotation", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{0, 360}, .ui = {TYPE_SPINNER, {IDC_ANISO_ROTATION, IDC_ANISO_ROTATION_SPIN}, 1.0f},
         .map = MAP_BASIC, .localName = label(195)},
        texmapParam(151, "texmapReflectAnisotropyRotation", 4),
        enableParam(171, "texmapOnAnisotropyRotation", 4),
        amountParam(300, "mapamountAnisotropyRotation", 4),
        // Fresnel IOR.
        {.id = 182, .name = "fresnelIor", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.52f,
         .range = ParamRange{1, 999}, .ui = {TYPE_SPINNER, {IDC_FRESNEL_IOR, IDC_FRESNEL_IOR_SPIN}, 0.01f},
         .map = MAP_BASIC, .localName = label(182)},
        texmapParam(153, "texmapFresnelIor", 5),
        enableParam(173, "texmapOnFresnelIor", 5),
        amountParam(302, "mapamountFresnelIor", 5),
        // Refraction.
        colorParam(103, "colorRefract", Color(1.0f, 1.0f, 1.0f), MAP_BASIC, IDC_REFRACT_COLOR),
        levelParam(123, "levelRefract", 0.0f, MAP_BASIC, IDC_REFRACT_LEVEL),
        texmapParam(144, "texmapRefract", 6),
        enableParam(164, "texmapOnRefract", 6),
        amountParam(293, "mapamountRefract", 6),
        // Refraction glossiness.
        {.id = 181, .name = "refractGlossiness", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_REFRACT_GLOSS, IDC_REFRACT_GLOSS_SPIN}, 0.01f},
         .map = MAP_BASIC, .localName = label(181)},
        texmapParam(145, "texmapRefractGlossiness", 7),
        enableParam(165, "texmapOnRefractGlossiness", 7),
        amountParam(294, "mapamountRefractGlossiness", 7),
        // IOR.
        {.id = 183, .name = "ior", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.52f, .range = ParamRange{1, 10},
         .ui = {TYPE_SPINNER, {IDC_IOR, IDC_IOR_SPIN}, 0.01f}, .map = MAP_BASIC, .localName = label(183)},
        texmapParam(152, "texmapIor", 8),
        enableParam(172, "texmapOnIor", 8),
        amountParam(301, "mapamountIor", 8),
        // Translucency colour and level, two sub-maps.
        colorParam(106, "colorTranslucency", Color(1.0f, 1.0f, 1.0f), MAP_BASIC, IDC_TRANSLUCENCY_COLOR),
        texmapParam(148, "texmapTranslucency", 9),
        enableParam(168, "texmapOnTranslucency", 9),
        amountParam(297, "mapamountTranslucency", 9),
        levelParam(126, "levelTranslucency", 0.0f, MAP_BASIC, IDC_TRANSLUCENCY_LEVEL),
        texmapParam(159, "texmapTranslucencyFraction", 10),
        enableParam(179, "texmapOnTranslucencyFraction", 10),
        amountParam(304, "mapamountTranslucencyFraction", 10),
        // Opacity.
        colorParam(105, "colorOpacity", Color(1.0f, 1.0f, 1.0f), MAP_BASIC, IDC_OPACITY_COLOR),
        levelParam(127, "levelOpacity", 1.0f, MAP_BASIC, IDC_OPACITY_LEVEL),
        texmapParam(146, "texmapOpacity", 11),
        enableParam(166, "texmapOnOpacity", 11),
        amountParam(295, "mapamountOpacity", 11),
        // Self-illumination: a multiplier without an upper bound.
        colorParam(107, "colorSelfIllum", Color(1.0f, 1.0f, 1.0f), MAP_ADVANCED, IDC_SELFILLUM_COLOR),
        {.id = 128, .name = "levelSelfIllum", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{0, INF}, .ui = {TYPE_SPINNER, {IDC_SELFILLUM_LEVEL, IDC_SELFILLUM_LEVEL_SPIN}, 0.01f},
         .map = MAP_ADVANCED, .localName = label(128), .tooltip = IDS_TIP_LEVEL},
        texmapParam(158, "texmapSelfIllum", 12),
        enableParam(178, "texmapOnSelfIllum", 12),
        amountParam(303, "mapamountSelfIllum", 12),
        // Bump: its amount is a plain multiplier, not a blend.
        texmapParam(147, "texmapBump", 13),
        enableParam(167, "texmapOnBump", 13),
        {.id = 296, .name = "mapamountBump", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{-99, 99}, .ui = {TYPE_SPINNER, {idcAmount(13), idcAmountSpin(13)}, 0.01f},
         .map = MAP_MAPS, .localName = label(296)},
        // Displacement.
        {.id = 207, .name = "displacementMinimum", .type = TYPE_WORLD, .flags = P_ANIMATABLE, .def = 0.0f,
         .ui = {TYPE_SPINNER, {IDC_DISPLACEMENT_MIN, IDC_DISPLACEMENT_MIN_SPIN}, 0.1f}, .map = MAP_BASIC,
         .localName = label(207), .dim = DIM_WORLD},
        {.id = 208, .name = "displacementMaximum", .type = TYPE_WORLD, .flags = P_ANIMATABLE, .def = 1.0f,
         .ui = {TYPE_SPINNER, {IDC_DISPLACEMENT_MAX, IDC_DISPLACEMENT_MAX_SPIN}, 0.1f}, .map = MAP_BASIC,
         .localName = label(208), .dim = DIM_WORLD},
        {.id = 206, .name = "displacementWaterLevel", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.5f,
         .ui = {TYPE_SPINNER, {IDC_WATER_LEVEL, IDC_WATER_LEVEL_SPIN}, 0.01f}, .map = MAP_BASIC,
         .localName = label(206)},
        {.id = 316, .name = "displacementWaterLevelOn", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_WATER_LEVEL_ON}}, .map = MAP_BASIC, .localName = label(316)},
        texmapParam(154, "texmapDisplace", 14),
        enableParam(174, "texmapOnDisplacement", 14),
        // Environment overrides for reflection and refraction.
        texmapParam(156, "texmapReflectBgOverride", 15),
        enableParam(176, "texmapOnReflectBgOverride", 15),
        texmapParam(157, "texmapRefractBgOverride", 16),
        enableParam(177, "texmapOnRefractBgOverride", 16),
        // Absorption.
        colorParam(190, "absorptionColor", Color(0.5f, 0.5f, 0.5f), MAP_VOLUME, IDC_ABSORPTION_COLOR),
        {.id = 188, .name = "absorptionDistance", .type = TYPE_WORLD, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{0, INF}, .ui = {TYPE_SPINNER, {IDC_ABSORPTION_DISTANCE, IDC_ABSORPTION_DISTANCE_SPIN}, 0.1f},
         .map = MAP_VOLUME, .localName = label(188), .dim = DIM_WORLD},
        texmapParam(305, "texmapAbsorption", 17),
        enableParam(306, "texmapOnAbsorption", 17),
        amountParam(307, "mapamountAbsorption", 17),
        // Scattering.
        colorParam(215, "scatterColor", Color(0.0f, 0.0f, 0.0f), MAP_VOLUME, IDC_SCATTER_COLOR),
        {.id = 216, .name = "scatterDirectionality", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{-0.999, 0.999},
         .ui = {TYPE_SPINNER, {IDC_SCATTER_DIRECTIONALITY, IDC_SCATTER_DIRECTIONALITY_SPIN}, 0.01f},
         .map = MAP_VOLUME, .localName = label(216)},
        texmapParam(308, "texmapScatterColor", 18),
        enableParam(309, "texmapOnScatterColor", 18),
        amountParam(310, "mapamountScatterColor", 18),
        // Rounded corners.
        {.id = 196, .name = "roundedCornersRadius", .type = TYPE_WORLD, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{0, INF}, .ui = {TYPE_SPINNER, {IDC_ROUNDED_RADIUS, IDC_ROUNDED_RADIUS_SPIN}, 0.1f},
         .map = MAP_ADVANCED, .localName = label(196), .dim = DIM_WORLD},
        {.id = 197, .name = "roundedCornersSamples", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 10,
         .range = ParamRange{1, 99}, .ui = {TYPE_SPINNER, {IDC_ROUNDED_SAMPLES, IDC_ROUNDED_SAMPLES_SPIN}, 1.0f},
         .map = MAP_ADVANCED, .localName = label(197)},
        texmapParam(311, "texmapRoundedCornersRadius", 19),
        enableParam(312, "texmapOnRoundedCornersRadius", 19),
        amountParam(313, "mapamountRoundedCornersRadius", 19),

        // Material-wide options.
        {.id = 202, .name = "bsdf", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 3,
         .ui = {TYPE_INT_COMBOBOX, {IDC_BSDF}, 0.0f,
                {{IDS_BSDF_PHONG, 0}, {IDS_BSDF_WARD, 1}, {IDS_BSDF_ASHIKHMIN_SHIRLEY, 2}, {IDS_BSDF_GGX, 3}}},
         .map = MAP_ADVANCED, .localName = label(202)},
        {.id = 201, .name = "alphaMode", .type = TYPE_INT, .def = 0,
         .ui = {TYPE_INT_COMBOBOX, {IDC_ALPHA_MODE}, 0.0f,
                {{IDS_ALPHA_DEFAULT, 0}, {IDS_ALPHA_TRANSPARENT, 2}, {IDS_ALPHA_SOLID, 1}}},
         .map = MAP_ADVANCED, .localName = label(201)},
        // -1 leaves the object's own G-buffer id in force.
        {.id = 205, .name = "gBufferOverride", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = -1,
         .range = ParamRange{-1, 9999}, .ui = {TYPE_SPINNER, {IDC_GBUFFER, IDC_GBUFFER_SPIN}, 1.0f},
         .map = MAP_ADVANCED, .localName = label(205)},
        {.id = 210, .name = "thin", .type = TYPE_BOOL, .def = false, .ui = {TYPE_SINGLECHECKBOX, {IDC_THIN}},
         .map = MAP_BASIC, .localName = label(210)},
        {.id = 211, .name = "caustics", .type = TYPE_BOOL, .def = false, .ui = {TYPE_SINGLECHECKBOX, {IDC_CAUSTICS}},
         .map = MAP_BASIC, .localName = label(211)},
        {.id = 214, .name = "sssMode", .type = TYPE_BOOL, .def = false, .ui = {TYPE_SINGLECHECKBOX, {IDC_SSS_MODE}},
         .map = MAP_VOLUME, .localName = label(214)},
        {.id = 314, .name = "visibleInMasks", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_VISIBLE_IN_MASKS}}, .map = MAP_ADVANCED, .localName = label(314)},
        {.id = 315, .name = "singleBounceOnly", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_SINGLE_BOUNCE}}, .map = MAP_VOLUME, .localName = label(315)},
        {.id = 318, .name = "legacyMode", .type = TYPE_BOOL, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_LEGACY_MODE}}, .map = MAP_ADVANCED, .localName = label(318)},
        // Written only when older materials are converted on load.
        {.id = 213, .name = "legacyA7", .type = TYPE_BOOL, .flags = P_INVISIBLE, .def = false},
        {.id = 317, .name = "legacyBrdfNormalization", .type = TYPE_BOOL, .flags = P_INVISIBLE, .def = false},

        // Retired ids stay declared so that old scenes keep loading; 212 is
        // still read by the conversion of older materials.
        removedParam(149, TYPE_TEXMAP),
        removedParam(155, TYPE_TEXMAP),
        removedParam(203, TYPE_BOOL),
        removedParam(209, TYPE_BOOL),
        removedParam(212, TYPE_BOOL),
    });
}  // namespace

ClassDesc2* MtlTraits::classDesc() { return &mtlCd; }
ClassDescCommon* mtlClassDesc() { return &mtlCd; }

Mtl::Mtl() = default;

const MtlSubTexmapSlot& Mtl::subTexmapSlot(int i) {
    static constexpr MtlSubTexmapSlot none{};
    return i >= 0 && i < NUM_SUBTEXMAPS ? SLOTS[i] : none;
}

Texmap* Mtl::GetSubTexmap(int i) {
    const ParamID id = subTexmapSlot(i).texmapId;
    return id ? pblock->GetTexmap(id, 0) : nullptr;
}

void Mtl::SetSubTexmap(int i, Texmap* map) {
    const ParamID id = subTexmapSlot(i).texmapId;
    if (!id) return;
    pblock->SetValue(id, 0, static_cast<ReferenceTarget*>(map));
    mtlCd.InvalidateUI(pblock->GetDesc());
}

int Mtl::SubTexmapOn(int i) {
    // Unlike the maps, an empty slot is off whatever its check box says.
    const ParamID enable = subTexmapSlot(i).enableId;
    return enable && GetSubTexmap(i) && pblock->GetInt(enable, 0) != 0;
}

MSTR Mtl::GetSubTexmapSlotName(int i) { return FromUtf8(subTexmapSlot(i).label); }

}  // namespace Nimbal

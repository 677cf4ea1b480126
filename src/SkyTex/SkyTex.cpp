#include "SkyTex/SkyTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_SKYTEX_PB = 5000,
    IDS_SKYTEX_ROLLOUT_0 = 5001,
    IDS_SKYTEX_ROLLOUT_1 = 5002,
    // Parameter labels.
    IDS_SKY_MODEL = 5010,
    IDS_INTENSITY,
    IDS_TURBIDITY,
    IDS_GROUND_COLOR,
    IDS_HORIZON_BLUR,
    IDS_AFFECTED_BY_SKY,
    IDS_ZENITH_COLOR,
    IDS_HORIZON_COLOR,
    IDS_SUNDISK_GLOW,
    IDS_SUN_COLORBLEED,
    IDS_SUNSIDE_GLOW,
    IDS_SUN_FALLOFF,
    // List items.
    IDS_MODEL_PREETHAM = 5050,
    IDS_MODEL_RAWAFAKE,
    IDS_MODEL_HOSEK_WILKIE,
    IDS_GROUP_GROUND = 5060,
    // Tooltips.
    IDS_TIP_SKY_MODEL = 5100,
    IDS_TIP_INTENSITY,
    IDS_TIP_TURBIDITY,
    IDS_TIP_GROUND_COLOR,
    IDS_TIP_HORIZON_BLUR,
    IDS_TIP_AFFECT_GROUND,
};

// Control ids of dialog template 1704 (main rollout).
enum : int {
    IDC_SKY_MODEL = 1001,
    IDC_INTENSITY,
    IDC_INTENSITY_SPIN,
    IDC_TURBIDITY,
    IDC_TURBIDITY_SPIN,
    IDC_HORIZON_BLUR,
    IDC_HORIZON_BLUR_SPIN,
    IDC_GROUP_GROUND,
    IDC_GROUND_COLOR,
    IDC_AFFECT_GROUND,
};

// Control ids of dialog template 1705 (artist-model rollout).
enum : int {
    IDC_ZENITH_COLOR = 1101,
    IDC_HORIZON_COLOR,
    IDC_SUNDISK,
    IDC_SUNDISK_SPIN,
    IDC_SUNBLEED_ROW,
    IDC_SUNBLEED_ROW_SPIN,
    IDC_SUNSIDE_ROW,
    IDC_SUNSIDE_ROW_SPIN,
    IDC_FALLOFF,
    IDC_FALLOFF_SPIN,
};

enum : MapID { MAP_MAIN = 0, MAP_RAWAFAKE = 1 };

const StringTable strings{
    {IDS_SKYTEX_PB, "Sky paramblock"},
    {IDS_SKYTEX_ROLLOUT_0, "Nimbal Sky Texmap"},
    {IDS_SKYTEX_ROLLOUT_1, "Rawafake model parameters"},
    {IDS_SKY_MODEL, "Sky model:"},
    {IDS_INTENSITY, "Intensity:"},
    {IDS_TURBIDITY, "Turbidity:"},
    {IDS_GROUND_COLOR, "Color:"},
    {IDS_HORIZON_BLUR, "Horizon blur:"},
    {IDS_AFFECTED_BY_SKY, "Affected by sky"},
    {IDS_ZENITH_COLOR, "Zenith color:"},
    {IDS_HORIZON_COLOR, "Horizon color:"},
    {IDS_SUNDISK_GLOW, "Sundisk glow:"},
    {IDS_SUN_COLORBLEED, "Sun colorbleed:"},
    {IDS_SUNSIDE_GLOW, "Sunside glow:"},
    {IDS_SUN_FALLOFF, "Sun color faloff:"},
    {IDS_MODEL_PREETHAM, "Preetham et.al."},
    {IDS_MODEL_RAWAFAKE, "Rawa-fake"},
    {IDS_MODEL_HOSEK_WILKIE, "Hosek&Wilkie"},
    {IDS_GROUP_GROUND, "Ground"},
    {IDS_TIP_SKY_MODEL,
     "Which sky model to use. The default choice of Hosek&Wilkie is the most physically accurate and works best in "
     "most scenes."},
    {IDS_TIP_INTENSITY,
     "Overall intensity multiplier of the sky. Default value 1.0 produces physically accurate result."},
    {IDS_TIP_TURBIDITY,
     "The amount of pollutants (smog) in the atmosphere. Increasing the value makes the sky more hazy, decreasing "
     "makes it clear."},
    {IDS_TIP_GROUND_COLOR,
     "The constant color used for the ground under the sky. The sky itself is affected by this value near horizon"},
    {IDS_TIP_HORIZON_BLUR, "How much is the sharp horizon line blurred. This simulates aerial perspective"},
    {IDS_TIP_AFFECT_GROUND,
     "When set to true, the ground color is assumed to be the input diffuse color of the ground material, which is "
     "multiplied by the sky irradiance. When off, the ground color is the final color returned by the texture for "
     "low angles, regardless of the sky"},
};

const DialogTable dialogs{
    {1704, "Nimbal Sky Texmap",
     {{IDC_SKY_MODEL, "combo", "Sky model:"},
      {IDC_INTENSITY, "spinner", "Intensity:"},
      {IDC_TURBIDITY, "spinner", "Turbidity:"},
      {IDC_HORIZON_BLUR, "spinner", "Horizon blur:"},
      {IDC_GROUP_GROUND, "group", "Ground"},
      {IDC_GROUND_COLOR, "color", "Color:"},
      {IDC_AFFECT_GROUND, "check", "Affected by sky"}}},
    {1705, "Rawafake model parameters",
     {{IDC_ZENITH_COLOR, "color", "Zenith color:"},
      {IDC_HORIZON_COLOR, "color", "Horizon color:"},
      {IDC_SUNDISK, "spinner", "Sundisk glow:"},
      {IDC_SUNBLEED_ROW, "spinner", "Sun colorbleed:"},
      {IDC_SUNSIDE_ROW, "spinner", "Sunside glow:"},
      {IDC_FALLOFF, "spinner", "Sun color faloff:"}}},
};

class SkyTexCd : public ClassDescCommon {
public:
    SkyTexCd() : ClassDescCommon(TEXMAP_CAT_ENV, "NimbalSky", TEXMAP_CLASS_ID, Class_ID(0x59577962, 0x4CAB7AC1)) {}
    void* Create(BOOL) override { return new (std::nothrow) SkyTex(); }
};

SkyTexCd skyTexCd;

ParamBlockDesc2 skyTexPbDesc(
    BlockDesc{0, "NimbalSkyPb", IDS_SKYTEX_PB, &skyTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI | P_MULTIMAP | P_VERSION, 50, 0,
             {
             RolloutDesc{MAP_MAIN, 1704, IDS_SKYTEX_ROLLOUT_0, 0, nullptr},
             RolloutDesc{MAP_RAWAFAKE, 1705, IDS_SKYTEX_ROLLOUT_1, 0, nullptr}
             }},
    {
        {.id = 107, .name = "skyModel", .type = TYPE_INT, .def = 2,
         .ui = {TYPE_INT_COMBOBOX, {IDC_SKY_MODEL}, 0.0f,
                {{IDS_MODEL_PREETHAM, 0}, {IDS_MODEL_RAWAFAKE, 1}, {IDS_MODEL_HOSEK_WILKIE, 2}}},
         .map = MAP_MAIN, .localName = IDS_SKY_MODEL, .tooltip = IDS_TIP_SKY_MODEL},
        {.id = 102, .name = "intensityMultiplier", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 1000}, .ui = {TYPE_SPINNER, {IDC_INTENSITY, IDC_INTENSITY_SPIN}, 0.01f},
         .map = MAP_MAIN, .localName = IDS_INTENSITY, .tooltip = IDS_TIP_INTENSITY},
        {.id = 101, .name = "turbidity", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 2.5f,
         .range = ParamRange{1.7, 10}, .ui = {TYPE_SPINNER, {IDC_TURBIDITY, IDC_TURBIDITY_SPIN}, 0.01f},
         .map = MAP_MAIN, .localName = IDS_TURBIDITY, .tooltip = IDS_TIP_TURBIDITY},
        {.id = 103, .name = "groundColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.2f, 0.2f, 0.2f),
         .ui = {TYPE_COLORSWATCH, {IDC_GROUND_COLOR}}, .map = MAP_MAIN, .localName = IDS_GROUND_COLOR,
         .tooltip = IDS_TIP_GROUND_COLOR},
        {.id = 104, .name = "horizonBlur", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.1f,
         .range = ParamRange{0.00001, 1}, .ui = {TYPE_SPINNER, {IDC_HORIZON_BLUR, IDC_HORIZON_BLUR_SPIN}, 0.001f},
         .map = MAP_MAIN, .localName = IDS_HORIZON_BLUR, .tooltip = IDS_TIP_HORIZON_BLUR},
        // Retired; kept so that older scenes load.
        {.id = 105, .name = "deletedParam", .type = TYPE_FLOAT, .flags = P_OBSOLETE},
        {.id = 106, .name = "deletedParam", .type = TYPE_FLOAT, .flags = P_OBSOLETE},
        {.id = 108, .name = "affectGround", .type = TYPE_BOOL, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_AFFECT_GROUND}}, .map = MAP_MAIN, .localName = IDS_AFFECTED_BY_SKY,
         .tooltip = IDS_TIP_AFFECT_GROUND},
        {.id = 302, .name = "rawafakeZenithColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE,
         .def = Color(16.0f / 255.0f, 59.0f / 255.0f, 132.0f / 255.0f), .ui = {TYPE_COLORSWATCH, {IDC_ZENITH_COLOR}},
         .map = MAP_RAWAFAKE, .localName = IDS_ZENITH_COLOR},
        {.id = 301, .name = "rawafakeHorizonColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE,
         .def = Color(73.0f / 255.0f, 115.0f / 255.0f, 139.0f / 255.0f), .ui = {TYPE_COLORSWATCH, {IDC_HORIZON_COLOR}},
         .map = MAP_RAWAFAKE, .localName = IDS_HORIZON_COLOR},
        {.id = 303, .name = "rawafakeSundiskAmount", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_SUNDISK, IDC_SUNDISK_SPIN}, 0.01f},
         .map = MAP_RAWAFAKE, .localName = IDS_SUNDISK_GLOW},
        // The rollout shows the side glow on the "Sun colorbleed:" row and the
        // colour bleed on the "Sunside glow:" row; the labels follow the rows.
        {.id = 304, .name = "rawafakeSunsideAmount", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.2f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_SUNBLEED_ROW, IDC_SUNBLEED_ROW_SPIN}, 0.01f},
         .map = MAP_RAWAFAKE, .localName = IDS_SUN_COLORBLEED},
        {.id = 306, .name = "rawafakeSunbleedAmount", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_SUNSIDE_ROW, IDC_SUNSIDE_ROW_SPIN}, 0.01f},
         .map = MAP_RAWAFAKE, .localName = IDS_SUNSIDE_GLOW},
        {.id = 307, .name = "rawafakeSunFalloff", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 3.0f,
         .range = ParamRange{0.1, 10}, .ui = {TYPE_SPINNER, {IDC_FALLOFF, IDC_FALLOFF_SPIN}, 0.01f},
         .map = MAP_RAWAFAKE, .localName = IDS_SUN_FALLOFF},
    });
}  // namespace

ClassDesc2* SkyTexTraits::classDesc() { return &skyTexCd; }
ClassDescCommon* skyTexClassDesc() { return &skyTexCd; }

SkyTex::SkyTex() = default;

}  // namespace Nimbal

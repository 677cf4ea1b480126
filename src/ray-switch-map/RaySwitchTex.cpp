#include "ray-switch-map/RaySwitchTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_RAYSWITCHTEX_PB = 21000,
    IDS_RAYSWITCHTEX_ROLLOUT_0 = 21001,
    IDS_INTRO = 21010,
    IDS_GI,
    IDS_REFLECT,
    IDS_REFRACT,
    IDS_DIRECT,
};

// Control ids of dialog template 1494.
enum : int {
    IDC_INTRO = 1001,
    IDC_GI_COLOR,
    IDC_GI_MAP,
    IDC_REFLECT_COLOR,
    IDC_REFLECT_MAP,
    IDC_REFRACT_COLOR,
    IDC_REFRACT_MAP,
    IDC_DIRECT_COLOR,
    IDC_DIRECT_MAP,
};

const StringTable strings{
    {IDS_RAYSWITCHTEX_PB, "RayswitchPb"},
    {IDS_RAYSWITCHTEX_ROLLOUT_0, "Nimbal Ray Switcher Texmap"},
    {IDS_INTRO, "Different colors/textures will be used for different ray types:"},
    {IDS_GI, "Global illumination:"},
    {IDS_REFLECT, "Reflect:"},
    {IDS_REFRACT, "Refract:"},
    {IDS_DIRECT, "Direct visibility:"},
};

const DialogTable dialogs{
    {1494, "Nimbal Ray Switcher Texmap",
     {{IDC_INTRO, "label", "Different colors/textures will be used for different ray types:"},
      {IDC_GI_COLOR, "color", "Global illumination:"},
      {IDC_GI_MAP, "map", ""},
      {IDC_REFLECT_COLOR, "color", "Reflect:"},
      {IDC_REFLECT_MAP, "map", ""},
      {IDC_REFRACT_COLOR, "color", "Refract:"},
      {IDC_REFRACT_MAP, "map", ""},
      {IDC_DIRECT_COLOR, "color", "Direct visibility:"},
      {IDC_DIRECT_MAP, "map", ""}}},
};

class RaySwitchTexCd : public ClassDescCommon {
public:
    RaySwitchTexCd() : ClassDescCommon(TEXMAP_CAT_COMP, "NimbalRaySwitch", TEXMAP_CLASS_ID, Class_ID(0x26581A55, 0x5E138D35)) {}
    void* Create(BOOL) override { return new (std::nothrow) RaySwitchTex(); }
};

RaySwitchTexCd raySwitchTexCd;

ParamBlockDesc2 raySwitchTexPbDesc(
    BlockDesc{0, "RaySwitchTexPb", IDS_RAYSWITCHTEX_PB, &raySwitchTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1494, IDS_RAYSWITCHTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 100, .name = "giColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.0f, 0.0f, 0.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_GI_COLOR}}, .localName = IDS_GI},
        {.id = 101, .name = "reflectColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.0f, 0.0f, 0.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_REFLECT_COLOR}}, .localName = IDS_REFLECT},
        {.id = 102, .name = "refractColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.0f, 0.0f, 0.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_REFRACT_COLOR}}, .localName = IDS_REFRACT},
        {.id = 103, .name = "directColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.0f, 0.0f, 0.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_DIRECT_COLOR}}, .localName = IDS_DIRECT},
        {.id = 110, .name = "giTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_GI_MAP}},
         .localName = IDS_GI, .subTexNo = 0},
        {.id = 111, .name = "reflectTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_REFLECT_MAP}},
         .localName = IDS_REFLECT, .subTexNo = 1},
        {.id = 112, .name = "refractTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_REFRACT_MAP}},
         .localName = IDS_REFRACT, .subTexNo = 2},
        {.id = 113, .name = "directTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_DIRECT_MAP}},
         .localName = IDS_DIRECT, .subTexNo = 3},
    });
}  // namespace

ClassDesc2* RaySwitchTexTraits::classDesc() { return &raySwitchTexCd; }
ClassDescCommon* raySwitchTexClassDesc() { return &raySwitchTexCd; }

// The slots have no enable switch: a slot without a map uses its colour.
RaySwitchTex::RaySwitchTex() {
    addSubTexmapSlot("Global illumination", 110, 0);
    addSubTexmapSlot("Reflect override", 111, 0);
    addSubTexmapSlot("Refract override", 112, 0);
    addSubTexmapSlot("Direct override", 113, 0);
}

}  // namespace Nimbal

#include "front-back-map/FrontBackTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_FRONTBACKTEX_PB = 19000,
    IDS_FRONTBACKTEX_ROLLOUT_0 = 19001,
    IDS_FRONT_COLOR = 19010,
    IDS_BACK_COLOR,
    IDS_FRONT_TEXMAP_ON,
    IDS_BACK_TEXMAP_ON,
    IDS_FRONT_TEXMAP,
    IDS_BACK_TEXMAP,
    IDS_FRONT_FACE_SIDE,
    IDS_BACK_FACE_SIDE,
};

// Control ids of dialog template 1480.
enum : int {
    IDC_FRONT_GROUP = 1001,
    IDC_FRONT_COLOR,
    IDC_FRONT_MAP,
    IDC_FRONT_MAP_ON,
    IDC_BACK_GROUP,
    IDC_BACK_COLOR,
    IDC_BACK_MAP,
    IDC_BACK_MAP_ON,
};

const StringTable strings{
    {IDS_FRONTBACKTEX_PB, "FrontBackMapCD"},
    {IDS_FRONTBACKTEX_ROLLOUT_0, "Nimbal Front/Back Texmap"},
    {IDS_FRONT_COLOR, "frontFaceSideColor"},
    {IDS_BACK_COLOR, "backFaceSideColor"},
    {IDS_FRONT_TEXMAP_ON, "frontFaceSideTexmapOn"},
    // Spelled so in the rollout that users know.
    {IDS_BACK_TEXMAP_ON, "backFacdeSideTexmapOn"},
    {IDS_FRONT_TEXMAP, "frontFaceSideTexmap"},
    {IDS_BACK_TEXMAP, "backFaceSideTexmap"},
    {IDS_FRONT_FACE_SIDE, "Front face side"},
    {IDS_BACK_FACE_SIDE, "Back face side"},
};

const DialogTable dialogs{
    {1480, "Nimbal Front/Back Texmap",
     {{IDC_FRONT_GROUP, "group", "Front face side"},
      {IDC_FRONT_COLOR, "color", ""},
      {IDC_FRONT_MAP, "map", ""},
      {IDC_FRONT_MAP_ON, "check", ""},
      {IDC_BACK_GROUP, "group", "Back face side"},
      {IDC_BACK_COLOR, "color", ""},
      {IDC_BACK_MAP, "map", ""},
      {IDC_BACK_MAP_ON, "check", ""}}},
};

class FrontBackTexCd : public ClassDescCommon {
public:
    FrontBackTexCd() : ClassDescCommon(TEXMAP_CAT_COMP, "NimbalFrontBack", TEXMAP_CLASS_ID, Class_ID(0xABCD2067, 0x8723545D)) {}
    void* Create(BOOL) override { return new (std::nothrow) FrontBackTex(); }
};

FrontBackTexCd frontBackTexCd;

ParamBlockDesc2 frontBackTexPbDesc(
    BlockDesc{0, "NimbalFrontBackPb", IDS_FRONTBACKTEX_PB, &frontBackTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1480, IDS_FRONTBACKTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 104, .name = "frontColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.7f, 0.3f, 0.3f),
         .ui = {TYPE_COLORSWATCH, {IDC_FRONT_COLOR}}, .localName = IDS_FRONT_COLOR},
        {.id = 105, .name = "backColor", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.3f, 0.7f, 0.3f),
         .ui = {TYPE_COLORSWATCH, {IDC_BACK_COLOR}}, .localName = IDS_BACK_COLOR},
        {.id = 100, .name = "frontTexmapOn", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_FRONT_MAP_ON}}, .localName = IDS_FRONT_TEXMAP_ON},
        {.id = 101, .name = "backTexmapOn", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_BACK_MAP_ON}}, .localName = IDS_BACK_TEXMAP_ON},
        {.id = 102, .name = "frontTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_FRONT_MAP}},
         .localName = IDS_FRONT_TEXMAP, .subTexNo = 0},
        {.id = 103, .name = "backTexmap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_BACK_MAP}},
         .localName = IDS_BACK_TEXMAP, .subTexNo = 1},
    });
}  // namespace

ClassDesc2* FrontBackTexTraits::classDesc() { return &frontBackTexCd; }
ClassDescCommon* frontBackTexClassDesc() { return &frontBackTexCd; }

FrontBackTex::FrontBackTex() {
    addSubTexmapSlot("Front face side", 102, 100);
    addSubTexmapSlot("Back face side", 103, 101);
}

}  // namespace Nimbal

#include "MixTex/MixTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_MIXTEX_PB = 14000,
    IDS_MIXTEX_ROLLOUT_0 = 14001,
    IDS_MIX_OPERATION = 14010,
    IDS_MIX_AMOUNT,
    IDS_TOP_MULTIPLIER,
    IDS_BASE_MULTIPLIER,
    IDS_TOP_CONTRAST,
    IDS_BASE_CONTRAST,
    IDS_TOP_TEXMAP,
    IDS_BASE_TEXMAP,
    IDS_MIX_AMOUNT_TEXMAP,
    IDS_TOP_COLOR,
    IDS_BASE_COLOR,
    IDS_TEXMAP_MIX_ON,
    IDS_TEXMAP_TOP_ON,
    IDS_TEXMAP_BOTTOM_ON,
    IDS_OP_ADD = 14040,
    IDS_OP_SUBTRACT,
    IDS_OP_MULTIPLY,
    IDS_OP_DIVIDE,
    IDS_OP_MINIMUM,
    IDS_OP_MAXIMUM,
    IDS_OP_MIX,
    IDS_OP_GAMMA,
    IDS_OP_DIFFERENCE,
    IDS_OP_SCREEN,
    IDS_OP_OVERLAY,
    IDS_OP_COLOR_DODGE,
    IDS_OP_COLOR_BURN,
    IDS_OP_LINEAR_BURN,
};

// Control ids of dialog template 1484.
enum : int {
    IDC_OPERATION = 1001,
    IDC_AMOUNT,
    IDC_AMOUNT_SPIN,
    IDC_TOP_MULTIPLIER,
    IDC_TOP_MULTIPLIER_SPIN,
    IDC_BOTTOM_SCALE,
    IDC_BOTTOM_SCALE_SPIN,
    IDC_TOP_OFFSET,
    IDC_TOP_OFFSET_SPIN,
    IDC_BOTTOM_OFFSET,
    IDC_BOTTOM_OFFSET_SPIN,
    IDC_TOP_MAP,
    IDC_BOTTOM_MAP,
    IDC_MIX_MAP,
    IDC_TOP_COLOR,
    IDC_BOTTOM_COLOR,
    IDC_MIX_MAP_ON,
    IDC_TOP_MAP_ON,
    IDC_BOTTOM_MAP_ON,
};

const StringTable strings{
    {IDS_MIXTEX_PB, "Paramblock mixture Texmap"},
    {IDS_MIXTEX_ROLLOUT_0, "Nimbal Mixture Texmap"},
    {IDS_MIX_OPERATION, "mixOperation"},
    {IDS_MIX_AMOUNT, "mixAmount"},
    {IDS_TOP_MULTIPLIER, "topLayerMultiplier"},
    {IDS_BASE_MULTIPLIER, "baseLayerMultiplier"},
    {IDS_TOP_CONTRAST, "topLayerContrast"},
    {IDS_BASE_CONTRAST, "baseLayerContrast"},
    {IDS_TOP_TEXMAP, "topLayerTexmap"},
    {IDS_BASE_TEXMAP, "baseLayerTexmap"},
    {IDS_MIX_AMOUNT_TEXMAP, "mixAmountTexmap"},
    {IDS_TOP_COLOR, "topLayercolor"},
    {IDS_BASE_COLOR, "baseLayerColor"},
    {IDS_TEXMAP_MIX_ON, "texmapMixOn"},
    {IDS_TEXMAP_TOP_ON, "texmapTopOn"},
    {IDS_TEXMAP_BOTTOM_ON, "texmapBottomOn"},
    {IDS_OP_ADD, "Add"},
    {IDS_OP_SUBTRACT, "Subtract"},
    {IDS_OP_MULTIPLY, "Multiply"},
    {IDS_OP_DIVIDE, "Divide"},
    {IDS_OP_MINIMUM, "Minimum"},
    {IDS_OP_MAXIMUM, "Maximum"},
    {IDS_OP_MIX, "Mix"},
    {IDS_OP_GAMMA, "Gamma"},
    {IDS_OP_DIFFERENCE, "Difference"},
    {IDS_OP_SCREEN, "Screen"},
    {IDS_OP_OVERLAY, "Overlay"},
    {IDS_OP_COLOR_DODGE, "Color dodge"},
    {IDS_OP_COLOR_BURN, "Color burn"},
    {IDS_OP_LINEAR_BURN, "Linear burn"},
};

const DialogTable dialogs{
    {1484, "Nimbal Mixture Texmap",
     {{IDC_OPERATION, "combo", "mixOperation"},
      {IDC_AMOUNT, "spinner", "mixAmount"},
      {IDC_MIX_MAP, "map", ""},
      {IDC_MIX_MAP_ON, "check", ""},
      {IDC_TOP_COLOR, "color", "topLayercolor"},
      {IDC_TOP_MAP, "map", ""},
      {IDC_TOP_MAP_ON, "check", ""},
      {IDC_TOP_MULTIPLIER, "spinner", "topLayerMultiplier"},
      {IDC_TOP_OFFSET, "spinner", "topLayerContrast"},
      {IDC_BOTTOM_COLOR, "color", "baseLayerColor"},
      {IDC_BOTTOM_MAP, "map", ""},
      {IDC_BOTTOM_MAP_ON, "check", ""},
      {IDC_BOTTOM_SCALE, "spinner", "baseLayerMultiplier"},
      {IDC_BOTTOM_OFFSET, "spinner", "baseLayerContrast"}}},
};

class MixTexCd : public ClassDescCommon {
public:
    MixTexCd() : ClassDescCommon(TEXMAP_CAT_COMP, "NimbalMix", TEXMAP_CLASS_ID, Class_ID(0x6847286F, 0x3FFFAAB4)) {}
    void* Create(BOOL) override { return new (std::nothrow) MixTex(); }
};

MixTexCd mixTexCd;

ParamBlockDesc2 mixTexPbDesc(
    BlockDesc{0, "NimbalMixPb", IDS_MIXTEX_PB, &mixTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1484, IDS_MIXTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        // The declared range (0-8) is narrower than the list (0-13); the
        // list's values are accepted besides it.
        {.id = 200, .name = "mixOperation", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 0, .range = ParamRange{0, 8},
         .ui = {TYPE_INT_COMBOBOX, {IDC_OPERATION}, 0.0f,
                {{IDS_OP_ADD, 0}, {IDS_OP_SUBTRACT, 1}, {IDS_OP_MULTIPLY, 2}, {IDS_OP_DIVIDE, 3}, {IDS_OP_MINIMUM, 4},
                 {IDS_OP_MAXIMUM, 5}, {IDS_OP_MIX, 6}, {IDS_OP_GAMMA, 7}, {IDS_OP_DIFFERENCE, 8}, {IDS_OP_SCREEN, 9},
                 {IDS_OP_OVERLAY, 10}, {IDS_OP_COLOR_DODGE, 11}, {IDS_OP_COLOR_BURN, 12}, {IDS_OP_LINEAR_BURN, 13}}},
         .localName = IDS_MIX_OPERATION},
        {.id = 201, .name = "mixAmount", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f, .range = ParamRange{0, 1},
         .ui = {TYPE_SPINNER, {IDC_AMOUNT, IDC_AMOUNT_SPIN}, 0.01f}, .localName = IDS_MIX_AMOUNT},
        {.id = 202, .name = "multiplierTop", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{-100000, 100000}, .ui = {TYPE_SPINNER, {IDC_TOP_MULTIPLIER, IDC_TOP_MULTIPLIER_SPIN}, 0.01f},
         .localName = IDS_TOP_MULTIPLIER},
        {.id = 203, .name = "scaleBottom", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{-100000, 100000}, .ui = {TYPE_SPINNER, {IDC_BOTTOM_SCALE, IDC_BOTTOM_SCALE_SPIN}, 0.01f},
         .localName = IDS_BASE_MULTIPLIER},
        {.id = 204, .name = "offsetTop", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{-10, 10}, .ui = {TYPE_SPINNER, {IDC_TOP_OFFSET, IDC_TOP_OFFSET_SPIN}, 0.01f},
         .localName = IDS_TOP_CONTRAST},
        // The internal name's third "f" is what scenes and scripts know it by.
        {.id = 205, .name = "offfsetBottom", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.0f,
         .range = ParamRange{-100000, 100000}, .ui = {TYPE_SPINNER, {IDC_BOTTOM_OFFSET, IDC_BOTTOM_OFFSET_SPIN}, 0.01f},
         .localName = IDS_BASE_CONTRAST},
        {.id = 206, .name = "texmapTop", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_TOP_MAP}},
         .localName = IDS_TOP_TEXMAP, .subTexNo = 0},
        {.id = 207, .name = "texmapBottom", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_BOTTOM_MAP}},
         .localName = IDS_BASE_TEXMAP, .subTexNo = 1},
        {.id = 210, .name = "texmapMix", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_MIX_MAP}},
         .localName = IDS_MIX_AMOUNT_TEXMAP, .subTexNo = 2},
        {.id = 208, .name = "colorTop", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(1.0f, 1.0f, 1.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_TOP_COLOR}}, .localName = IDS_TOP_COLOR},
        {.id = 209, .name = "colorBottom", .type = TYPE_RGBA, .flags = P_ANIMATABLE, .def = Color(0.0f, 0.0f, 0.0f),
         .ui = {TYPE_COLORSWATCH, {IDC_BOTTOM_COLOR}}, .localName = IDS_BASE_COLOR},
        {.id = 211, .name = "texmapMixOn", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_MIX_MAP_ON}}, .localName = IDS_TEXMAP_MIX_ON},
        {.id = 212, .name = "texmapTopOn", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_TOP_MAP_ON}}, .localName = IDS_TEXMAP_TOP_ON},
        {.id = 213, .name = "texmapBottomOn", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = true,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_BOTTOM_MAP_ON}}, .localName = IDS_TEXMAP_BOTTOM_ON},
    });
}  // namespace

ClassDesc2* MixTexTraits::classDesc() { return &mixTexCd; }
ClassDescCommon* mixTexClassDesc() { return &mixTexCd; }

MixTex::MixTex() {
    addSubTexmapSlot("Top", 206, 212);
    addSubTexmapSlot("Bottom", 207, 213);
    addSubTexmapSlot("Mix", 210, 211);
}

}  // namespace Nimbal

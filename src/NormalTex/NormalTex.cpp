#include "NormalTex/NormalTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_NORMALTEX_PB = 20000,
    IDS_NORMALTEX_ROLLOUT_0 = 20001,
    IDS_INPUT_IMAGE = 20010,
    IDS_STRENGTH,
    IDS_ADD_GAMMA,
    IDS_ADD_GAMMA_TIP,
    IDS_FLIP_RED,
    IDS_FLIP_GREEN,
    IDS_SWAP_RED_GREEN,
    IDS_GAMMA_WARNING,
};

// Control ids of dialog template 1489.
enum : int {
    IDC_STRENGTH = 1075,
    IDC_STRENGTH_SPIN = 1076,
    IDC_NORMAL_MAP = 1077,
    IDC_ADD_GAMMA = 10537,
    IDC_GAMMA_WARNING = 10539,
    IDC_FLIP_GREEN = 16275,
    IDC_SWAP_RED_GREEN = 16276,
    IDC_FLIP_RED = 16546,
};

constexpr const char* kGammaWarning =
    "WARNING: the bitmap used is probably loaded with incorrect gamma - normal map textures must be loaded with "
    "gamma overriden to 1.0, or the \"Add gamma\" option must be checked.";

const StringTable strings{
    {IDS_NORMALTEX_PB, "ParamBlock NimbalNormal"},
    {IDS_NORMALTEX_ROLLOUT_0, "Nimbal Normal Texmap"},
    {IDS_INPUT_IMAGE, "Input image:"},
    {IDS_STRENGTH, "Strength mult:"},
    {IDS_ADD_GAMMA, "Add gamma to input"},
    {IDS_ADD_GAMMA_TIP, "When enabled, adds sRGB gamma back to the linear input image."},
    {IDS_FLIP_RED, "Flip red (X)"},
    {IDS_FLIP_GREEN, "Flip green (Y)"},
    {IDS_SWAP_RED_GREEN, "Swap red and green"},
    {IDS_GAMMA_WARNING, kGammaWarning},
};

const DialogTable dialogs{
    {1489, "Nimbal Normal Texmap",
     {{IDC_NORMAL_MAP, "map", "Input image:"},
      {IDC_STRENGTH, "spinner", "Strength mult:"},
      {IDC_ADD_GAMMA, "check", "Add gamma to input"},
      {IDC_FLIP_RED, "check", "Flip red (X)"},
      {IDC_FLIP_GREEN, "check", "Flip green (Y)"},
      {IDC_SWAP_RED_GREEN, "check", "Swap red and green"},
      {IDC_GAMMA_WARNING, "label", kGammaWarning}}},
};

class NormalTexCd : public ClassDescCommon {
public:
    NormalTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "NimbalNormal", TEXMAP_CLASS_ID, Class_ID(0x2870CEAA, 0xCC18437C)) {}
    void* Create(BOOL) override { return new (std::nothrow) NormalTex(); }
};

NormalTexCd normalTexCd;

ParamBlockDesc2 normalTexPbDesc(
    BlockDesc{0, "NimbalNormalPb", IDS_NORMALTEX_PB, &normalTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1489, IDS_NORMALTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = 500, .name = "normalMap", .type = TYPE_TEXMAP, .ui = {TYPE_TEXMAPBUTTON, {IDC_NORMAL_MAP}},
         .localName = IDS_INPUT_IMAGE, .subTexNo = 0},
        {.id = 501, .name = "multiplier", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 1.0f,
         .range = ParamRange{-999, 999}, .ui = {TYPE_SPINNER, {IDC_STRENGTH, IDC_STRENGTH_SPIN}, 0.01f},
         .localName = IDS_STRENGTH},
        {.id = 502, .name = "addGamma", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_ADD_GAMMA}}, .localName = IDS_ADD_GAMMA, .tooltip = IDS_ADD_GAMMA_TIP},
        {.id = 503, .name = "flipRed", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_FLIP_RED}}, .localName = IDS_FLIP_RED},
        {.id = 504, .name = "flipGreen", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_FLIP_GREEN}}, .localName = IDS_FLIP_GREEN},
        {.id = 505, .name = "swapRedGreen", .type = TYPE_BOOL, .flags = P_ANIMATABLE, .def = false,
         .ui = {TYPE_SINGLECHECKBOX, {IDC_SWAP_RED_GREEN}}, .localName = IDS_SWAP_RED_GREEN},
    });
}  // namespace

ClassDesc2* NormalTexTraits::classDesc() { return &normalTexCd; }
ClassDescCommon* normalTexClassDesc() { return &normalTexCd; }

NormalTex::NormalTex() { addSubTexmapSlot("Input image", 500, 0); }

}  // namespace Nimbal

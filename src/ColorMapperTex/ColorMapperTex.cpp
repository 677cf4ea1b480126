#include "ColorMapperTex/ColorMapperTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_COLORMAPPERTEX_PB = 26000,
    IDS_COLORMAPPERTEX_ROLLOUT_0 = 26001,
    IDS_INPUT_MAP = 26010,
    IDS_NEAREST_NEIGHBOUR,
    IDS_LINEAR,
};

// Control ids of dialog template 1478.
enum : int {
    IDC_INTERPOLATION = 1080,
    IDC_INPUT_MAP = 1083,
};

const StringTable strings{
    {IDS_COLORMAPPERTEX_PB, "Color mapper paramblock"},
    {IDS_COLORMAPPERTEX_ROLLOUT_0, "Nimbal Color Mapper"},
    {IDS_INPUT_MAP, "inputMap"},
    {IDS_NEAREST_NEIGHBOUR, "Nearest neighbour"},
    {IDS_LINEAR, "Linear"},
};

const DialogTable dialogs{
    {1478, "Nimbal Color Mapper",
     {{IDC_INPUT_MAP, "map", "inputMap"},
      {IDC_INTERPOLATION, "combo", ""}}},
};

class ColorMapperTexCd : public ClassDescCommon {
public:
    ColorMapperTexCd() : ClassDescCommon(TEXMAP_CAT_COLMOD, "NimbalColorMapper", TEXMAP_CLASS_ID, Class_ID(0x768EC55B, 0xE1A705DE)) {}
    void* Create(BOOL) override { return new (std::nothrow) ColorMapperTex(); }
};

ColorMapperTexCd colorMapperTexCd;

ParamBlockDesc2 colorMapperTexPbDesc(
    BlockDesc{0, "NimbalColorMapperPb", IDS_COLORMAPPERTEX_PB, &colorMapperTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1478, IDS_COLORMAPPERTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = ColorMapperTex::PB_INPUT_MAP, .name = "inputMap", .type = TYPE_TEXMAP,
         .ui = {TYPE_TEXMAPBUTTON, {IDC_INPUT_MAP}}, .localName = IDS_INPUT_MAP, .subTexNo = 0},
        {.id = ColorMapperTex::PB_INTERPOLATION, .name = "interpolationType", .type = TYPE_INT, .flags = P_ANIMATABLE,
         .def = 1, .ui = {TYPE_INT_COMBOBOX, {IDC_INTERPOLATION}, 0.0f, {{IDS_NEAREST_NEIGHBOUR, 0}, {IDS_LINEAR, 1}}}},
        // One entry per gradient marker: colour in x, y, z and position in w.
        // The block's two entries are the end markers; Reset gives them their
        // colours and positions. No generated control: the gradient window edits them.
        {.id = ColorMapperTex::PB_POINTS, .name = "points", .type = TabOf(TYPE_POINT4),
         .flags = P_ANIMATABLE | P_VARIABLE_SIZE, .def = Point4(0.0f, 0.0f, 0.0f, 0.0f), .tableSize = 2},
    });
}  // namespace

ClassDesc2* ColorMapperTexTraits::classDesc() { return &colorMapperTexCd; }
ClassDescCommon* colorMapperTexClassDesc() { return &colorMapperTexCd; }

ColorMapperTex::ColorMapperTex() {
    addSubTexmapSlot("Input", PB_INPUT_MAP, 0);
    setEndMarkers();
}

void ColorMapperTex::Reset() {
    resetParameters();
    setEndMarkers();
}

void ColorMapperTex::setEndMarkers() {
    if (pblock->Count(PB_POINTS) < 2) pblock->SetCount(PB_POINTS, 2);
    pblock->SetValue(PB_POINTS, 0, Point4(0.0f, 0.0f, 0.0f, 0.0f), 0);
    pblock->SetValue(PB_POINTS, 0, Point4(1.0f, 1.0f, 1.0f, 1.0f), 1);
}

}  // namespace Nimbal

#include "MultiMapTex/MultiMapTex.h"

#include <string>
#include <vector>

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_MULTIMAPTEX_PB = 24000,
    IDS_MULTIMAPTEX_ROLLOUT_0 = 24001,
    IDS_MODE = 24010,
    IDS_NUMBER_OF_ITEMS,
    IDS_TEXMAPS,
    IDS_COLORS,
    IDS_MIX_AMOUNT,
    IDS_MIX_AMOUNT_TIP,
    IDS_MODE_PRIMITIVE = 24030,
    IDS_MODE_MATERIAL,
    IDS_MODE_INSTANCE,
    IDS_MODE_MATERIAL_ID,
    IDS_MODE_MATERIAL_GBUFFER_ID,
    IDS_MODE_OBJECT_GBUFFER_ID,
};

// Control ids of dialog template 16985. Each of the 15 rows has a label, a
// colour swatch and a map button, numbered from these bases by row.
enum : int {
    IDC_MODE = 10541,
    IDC_ITEMS = 10543,
    IDC_ITEMS_SPIN = 10545,
    IDC_MIX_AMOUNT = 16547,
    IDC_MIX_AMOUNT_SPIN = 16549,
    IDC_ROW_LABEL_0 = 17000,
    IDC_ROW_COLOR_0 = 17020,
    IDC_ROW_MAP_0 = 17040,
};

std::vector<int> rowControls(int base) {
    std::vector<int> ids;
    for (int k = 0; k < MultiMapTex::MAX_ITEMS; ++k) ids.push_back(base + k);
    return ids;
}

const StringTable strings{
    {IDS_MULTIMAPTEX_PB, "MultiMapTex paramblock2"},
    {IDS_MULTIMAPTEX_ROLLOUT_0, "Nimbal Multi Texmap"},
    {IDS_MODE, "mode"},
    {IDS_NUMBER_OF_ITEMS, "numberOfItems"},
    {IDS_TEXMAPS, "Texmaps"},
    {IDS_COLORS, "Colors"},
    {IDS_MIX_AMOUNT, "mixAmount"},
    {IDS_MIX_AMOUNT_TIP,
     "Non-zero values enable random tinting of the colors. When enabled, the output color is randomly mixed with "
     "the average color computed from all input slots."},
    {IDS_MODE_PRIMITIVE, "Primitive"},
    {IDS_MODE_MATERIAL, "Material"},
    {IDS_MODE_INSTANCE, "Instance"},
    {IDS_MODE_MATERIAL_ID, "Material ID"},
    {IDS_MODE_MATERIAL_GBUFFER_ID, "Material GBuffer ID"},
    {IDS_MODE_OBJECT_GBUFFER_ID, "Object GBuffer ID"},
};

std::vector<ControlResource> dialogControls() {
    std::vector<ControlResource> controls{
        {IDC_MODE, "combo", "mode"},
        {IDC_ITEMS, "spinner", "numberOfItems"},
        {IDC_MIX_AMOUNT, "spinner", "mixAmount"},
    };
    // The rows are relabelled by the dialog procedure as the mode changes.
    for (int k = 0; k < MultiMapTex::MAX_ITEMS; ++k) {
        controls.push_back({IDC_ROW_LABEL_0 + k, "label", ""});
        controls.push_back({IDC_ROW_COLOR_0 + k, "color", ""});
        controls.push_back({IDC_ROW_MAP_0 + k, "map", ""});
    }
    return controls;
}

const DialogTable dialogs{
    {16985, "Nimbal Multi Texmap", dialogControls()},
};

class MultiMapTexCd : public ClassDescCommon {
public:
    MultiMapTexCd() : ClassDescCommon(TEXMAP_CAT_COMP, "NimbalMultiMap", TEXMAP_CLASS_ID, Class_ID(0xBABA3487, 0x30782624)) {}
    void* Create(BOOL) override { return new (std::nothrow) MultiMapTex(); }
};

MultiMapTexCd multiMapTexCd;

ParamBlockDesc2 multiMapTexPbDesc(
    BlockDesc{0, "MultiMapTexPb", IDS_MULTIMAPTEX_PB, &multiMapTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 16985, IDS_MULTIMAPTEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = MultiMapTex::PB_MODE, .name = "mode", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 3,
         .range = ParamRange{0, 5},
         .ui = {TYPE_INT_COMBOBOX, {IDC_MODE}, 0.0f,
                {{IDS_MODE_PRIMITIVE, 0}, {IDS_MODE_MATERIAL, 1}, {IDS_MODE_INSTANCE, 2}, {IDS_MODE_MATERIAL_ID, 3},
                 {IDS_MODE_MATERIAL_GBUFFER_ID, 4}, {IDS_MODE_OBJECT_GBUFFER_ID, 5}}},
         .localName = IDS_MODE},
        {.id = MultiMapTex::PB_ITEMS, .name = "items", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 6,
         .range = ParamRange{2, MultiMapTex::MAX_ITEMS}, .ui = {TYPE_SPINNER, {IDC_ITEMS, IDC_ITEMS_SPIN}, 1.0f},
         .localName = IDS_NUMBER_OF_ITEMS},
        {.id = MultiMapTex::PB_TEXMAPS, .name = "texmaps", .type = TabOf(TYPE_TEXMAP),
         .ui = {TYPE_TEXMAPBUTTON, rowControls(IDC_ROW_MAP_0)}, .localName = IDS_TEXMAPS,
         .tableSize = MultiMapTex::MAX_ITEMS},
        {.id = MultiMapTex::PB_COLORS, .name = "colors", .type = TabOf(TYPE_RGBA), .flags = P_ANIMATABLE,
         .def = Color(0.0f, 0.0f, 0.0f), .ui = {TYPE_COLORSWATCH, rowControls(IDC_ROW_COLOR_0)},
         .localName = IDS_COLORS, .tableSize = MultiMapTex::MAX_ITEMS},
        {.id = MultiMapTex::PB_MIX_AMOUNT, .name = "mixAmount", .type = TYPE_PCNT_FRAC, .flags = P_ANIMATABLE,
         .def = 0.0f, .range = ParamRange{0, 1}, .ui = {TYPE_SPINNER, {IDC_MIX_AMOUNT, IDC_MIX_AMOUNT_SPIN}, 1.0f},
         .localName = IDS_MIX_AMOUNT, .tooltip = IDS_MIX_AMOUNT_TIP, .dim = DIM_PERCENT},
    });
}  // namespace

ClassDesc2* MultiMapTexTraits::classDesc() { return &multiMapTexCd; }
ClassDescCommon* multiMapTexClassDesc() { return &multiMapTexCd; }

MultiMapTex::MultiMapTex() = default;

Texmap* MultiMapTex::GetSubTexmap(int i) {
    if (i < 0 || i >= MAX_ITEMS) NIMBAL_STOP();
    return pblock->GetTexmap(PB_TEXMAPS, 0, i);
}

void MultiMapTex::SetSubTexmap(int i, Texmap* map) {
    if (i < 0 || i >= MAX_ITEMS) NIMBAL_STOP();
    pblock->SetValue(PB_TEXMAPS, 0, static_cast<ReferenceTarget*>(map), i);
    multiMapTexCd.InvalidateUI(pblock->GetDesc());
}

MSTR MultiMapTex::GetSubTexmapSlotName(int i) {
    if (i < 0 || i >= MAX_ITEMS) NIMBAL_STOP();
    return FromUtf8(("Map " + std::to_string(i + 1)).c_str());
}

}  // namespace Nimbal

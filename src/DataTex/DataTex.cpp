#include "DataTex/DataTex.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : int {
    IDS_DATATEX_PB = 8000,
    IDS_DATATEX_ROLLOUT_0 = 8001,
    IDS_MODE = 8010,
    IDS_PRIMITIVE_TYPE = 8020,
    IDS_MATERIAL_TYPE,
    IDS_BSDF_TYPE,
    IDS_DUVW,
    IDS_ABS_DUVW,
    IDS_PIXEL_WORLD_RATIO,
    IDS_WIRE_COLOR,
    IDS_WORLD_POSITION,
    IDS_SHADING_NORMAL,
    IDS_GEOMETRY_NORMAL,
    IDS_DOT_PRODUCT_SHADING,
    IDS_Z_DEPTH,
    IDS_BACKSIDE_HIT,
    IDS_INSTANCE_ID,
    IDS_MATERIAL_ID,
    IDS_PRIMITIVE_ID,
};

// Control ids of dialog template 1504.
enum : int {
    IDC_MODE = 1001,
};

const StringTable strings{
    {IDS_DATATEX_PB, "DataTex paramblock"},
    {IDS_DATATEX_ROLLOUT_0, "Nimbal Data Visualization Texmap"},
    {IDS_MODE, "mode"},
    {IDS_PRIMITIVE_TYPE, "[DEBUG] Primitive type"},
    {IDS_MATERIAL_TYPE, "[DEBUG] Material type"},
    {IDS_BSDF_TYPE, "[DEBUG] BSDF type"},
    {IDS_DUVW, "[DEBUG] DUVW"},
    {IDS_ABS_DUVW, "[DEBUG] Abs(DUVW)"},
    {IDS_PIXEL_WORLD_RATIO, "[DEBUG] Pixel:world ratio"},
    {IDS_WIRE_COLOR, "Wire color"},
    {IDS_WORLD_POSITION, "World position"},
    {IDS_SHADING_NORMAL, "Shading normal"},
    {IDS_GEOMETRY_NORMAL, "Geometry normal"},
    {IDS_DOT_PRODUCT_SHADING, "Dot product shading"},
    {IDS_Z_DEPTH, "Z-depth"},
    {IDS_BACKSIDE_HIT, "Backside hit"},
    {IDS_INSTANCE_ID, "Instance ID"},
    {IDS_MATERIAL_ID, "Material ID"},
    {IDS_PRIMITIVE_ID, "Primitive ID"},
};

const DialogTable dialogs{
    {1504, "Nimbal Data Visualization Texmap", {{IDC_MODE, "combo", "mode"}}},
};

class DataTexCd : public ClassDescCommon {
public:
    DataTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "NimbalData", TEXMAP_CLASS_ID, Class_ID(0xACE84000, 0x0486165E)) {}
    void* Create(BOOL) override { return new (std::nothrow) DataTex(); }
};

DataTexCd dataTexCd;

ParamBlockDesc2 dataTexPbDesc(
    BlockDesc{0, "NimbalDataTexCd", IDS_DATATEX_PB, &dataTexCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1504, IDS_DATATEX_ROLLOUT_0, 0, nullptr}
             }},
    {
        // The declared range covers only the core's debug channels (0-5); the
        // default and most list values lie beyond it and are accepted as list values.
        {.id = 100, .name = "mode", .type = TYPE_INT, .flags = P_ANIMATABLE, .def = 9, .range = ParamRange{0, 5},
         .ui = {TYPE_INT_COMBOBOX, {IDC_MODE}, 0.0f,
                {{IDS_PRIMITIVE_TYPE, 0}, {IDS_MATERIAL_TYPE, 1}, {IDS_BSDF_TYPE, 2}, {IDS_DUVW, 6}, {IDS_ABS_DUVW, 7},
                 {IDS_PIXEL_WORLD_RATIO, 8}, {IDS_WIRE_COLOR, 9}, {IDS_WORLD_POSITION, 10}, {IDS_SHADING_NORMAL, 11},
                 {IDS_GEOMETRY_NORMAL, 12}, {IDS_DOT_PRODUCT_SHADING, 13}, {IDS_Z_DEPTH, 14}, {IDS_BACKSIDE_HIT, 15},
                 {IDS_INSTANCE_ID, 5}, {IDS_MATERIAL_ID, 3}, {IDS_PRIMITIVE_ID, 4}}},
         .localName = IDS_MODE},
    });
}  // namespace

ClassDesc2* DataTexTraits::classDesc() { return &dataTexCd; }
ClassDescCommon* dataTexClassDesc() { return &dataTexCd; }

DataTex::DataTex() = default;

}  // namespace Nimbal

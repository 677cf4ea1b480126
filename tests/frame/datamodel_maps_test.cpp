// The maps' parameter blocks and slot tables are what scenes store and the
// renderer reads by id: a wrong id, type, default or range breaks both.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ClassDescs.h"
#include "ColorMapperTex/ColorMapperTex.h"
#include "MultiMapTex/MultiMapTex.h"
#include "Resources.h"
#include "host/Max.h"

namespace Nimbal {
namespace {

enum : unsigned {
    AO = 5,
    DATA = 7,
    WIRE = 12,
    MIX = 13,
    COLOR = 14,
    OUTPUT = 16,
    FRONT_BACK = 18,
    NORMAL = 19,
    RAY_SWITCH = 20,
    MULTI_MAP = 23,
    COLOR_MAPPER = 25,
};

const unsigned kMaps[] = {AO, DATA, WIRE, MIX, COLOR, OUTPUT, FRONT_BACK, NORMAL, RAY_SWITCH, MULTI_MAP, COLOR_MAPPER};

ReferenceTarget* Create(unsigned index) {
    return static_cast<ReferenceTarget*>(static_cast<Animatable*>(classDescAt(index)->Create(FALSE)));
}

ParamBlockDesc2* Desc(unsigned index) { return classDescAt(index)->GetParamBlockDesc(0); }

std::string Text(int id) {
    const char* s = findResourceString(id);
    return s ? s : "<missing>";
}

std::string ClassName(unsigned index) { return ToUtf8(classDescAt(index)->ClassName()); }

struct BlockRow {
    unsigned index;
    const char* name;
    const char* localName;
    int dialog;
    const char* title;
    int paramCount;
};

const BlockRow kBlocks[] = {
    {AO, "NimbalAoPb", "AO paramblock", 1476, "Nimbal Ambient Occlusion Texmap", 17},
    {DATA, "NimbalDataTexCd", "DataTex paramblock", 1504, "Nimbal Data Visualization Texmap", 1},
    {WIRE, "NimbalWirePb", "Wire tex paramblock", 1506, "Nimbal Wire Texmap", 13},
    {MIX, "NimbalMixPb", "Paramblock mixture Texmap", 1484, "Nimbal Mixture Texmap", 14},
    {COLOR, "NimbalColorPb", "Nimbal Solid Color texmap pblock", 1501, "Nimbal Solid Color Texmap", 8},
    {OUTPUT, "NimbalOutputTex", "Map output pblock", 1490, "Nimbal Colormapping Output Texmap", 2},
    {FRONT_BACK, "NimbalFrontBackPb", "FrontBackMapCD", 1480, "Nimbal Front/Back Texmap", 6},
    {NORMAL, "NimbalNormalPb", "ParamBlock NimbalNormal", 1489, "Nimbal Normal Texmap", 6},
    {RAY_SWITCH, "RaySwitchTexPb", "RayswitchPb", 1494, "Nimbal Ray Switcher Texmap", 8},
    {MULTI_MAP, "MultiMapTexPb", "MultiMapTex paramblock2", 16985, "Nimbal Multi Texmap", 5},
    {COLOR_MAPPER, "NimbalColorMapperPb", "Color mapper paramblock", 1478, "Nimbal Color Mapper", 3},
};

TEST(DatamodelMaps, BlockHeaders) {
    for (const BlockRow& row : kBlocks) {
        SCOPED_TRACE(ClassName(row.index));
        ParamBlockDesc2* d = Desc(row.index);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->ID(), 0);
        EXPECT_STREQ(d->InternalName(), row.name);
        EXPECT_EQ(Text(d->LocalName()), row.localName);
        EXPECT_EQ(d->Version(), 0);
        EXPECT_EQ(d->Owner(), classDescAt(row.index));
        EXPECT_EQ(d->Flags() & (P_AUTO_CONSTRUCT | P_AUTO_UI), P_AUTO_CONSTRUCT | P_AUTO_UI);
        ASSERT_EQ(d->Rollouts().size(), 1u);
        const RolloutDesc& r = d->Rollouts()[0];
        EXPECT_EQ(r.mapId, 0);
        EXPECT_EQ(r.dialogId, row.dialog);
        EXPECT_EQ(Text(r.titleId), row.title);
        EXPECT_EQ(r.flags & APPENDROLL_CLOSED, 0);
        const DialogResource* dlg = findDialogResource(row.dialog);
        ASSERT_NE(dlg, nullptr);
        EXPECT_STREQ(dlg->title, row.title);
        EXPECT_EQ(d->Count(), row.paramCount);
    }
}

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ParamRow {
    unsigned index;
    ParamID id;
    const char* name;
    int type;
    bool animatable;
    PB2Value def;
    std::optional<ParamRange> range;
    const char* label;      // nullptr: none declared
    int entries = 0;        // of a table, as created
    bool variable = false;  // a table that grows and shrinks
};

const ParamRow kParams[] = {
    // Ambient occlusion.
    {AO, 0, "colorOccluded", TYPE_RGBA, false, Color(0, 0, 0), {}, "colorOccluded"},
    {AO, 1, "colorUnoccluded", TYPE_RGBA, false, Color(1, 1, 1), {}, "colorUnoccluded"},
    {AO, 2, "samplesCount", TYPE_INT, false, 16, ParamRange{4, 999}, "maxSamples"},
    {AO, 3, "maxDistance", TYPE_WORLD, false, 100.0f, ParamRange{0.0001, 10000000}, "maxDistance"},
    {AO, 5, "rayDirectionality", TYPE_FLOAT, false, 0.0f, ParamRange{0, 1}, "rayDirectionality"},
    {AO, 4, "colorSpread", TYPE_FLOAT, false, 0.0f, ParamRange{-1, 1}, "colorSpread"},
    {AO, 6, "invert", TYPE_BOOL, false, false, {}, "invert"},
    {AO, 19, "directionOffsets", TYPE_POINT3, false, Point3(0, 0, 0), ParamRange{-10, 10}, "directionOffsets"},
    {AO, 10, "texmapOccluded", TYPE_TEXMAP, false, {}, {}, "texmapOccluded"},
    {AO, 11, "texmapUnoccluded", TYPE_TEXMAP, false, {}, {}, "texmapUnoccluded"},
    {AO, 12, "texmapDistance", TYPE_TEXMAP, false, {}, {}, "texmapMaxDistance"},
    {AO, 16, "texmapOccludedOn", TYPE_BOOL, false, true, {}, nullptr},
    {AO, 17, "texmapUnoccludedOn", TYPE_BOOL, false, true, {}, nullptr},
    {AO, 18, "texmapDistanceOn", TYPE_BOOL, false, true, {}, nullptr},
    {AO, 13, "excludeMode", TYPE_INT, false, 0, ParamRange{0, 3}, "excludesMode"},
    {AO, 14, "excludeList", TabOf(TYPE_INODE), false, {}, {}, "excludeList", 0, true},
    {AO, 15, "includeMod", TYPE_BOOL, false, false, {}, "excludeIncludeMode"},
    // Data.
    {DATA, 100, "mode", TYPE_INT, true, 9, ParamRange{0, 5}, "mode"},
    // Wire.
    {WIRE, 1, "baseColor", TYPE_RGBA, false, Color(1, 1, 1), {}, "baseColor"},
    {WIRE, 2, "edgeColor", TYPE_RGBA, false, Color(0.5f, 0.5f, 0.5f), {}, "edgeColor"},
    {WIRE, 3, "vertexColor", TYPE_RGBA, false, Color(0, 0, 0), {}, "vertexColor"},
    {WIRE, 4, "widthMode", TYPE_INT, false, 1, ParamRange{0, 1}, "widthMode"},
    {WIRE, 5, "allEdges", TYPE_BOOL, false, true, {}, "allEdges"},
    {WIRE, 11, "edgesOn", TYPE_BOOL, false, true, {}, "edgesOn"},
    {WIRE, 6, "verticesOn", TYPE_BOOL, false, false, {}, "verticesOn"},
    {WIRE, 7, "edgeWidthPixels", TYPE_FLOAT, false, 0.3f, ParamRange{0, 99}, "edgesWidthPixels"},
    {WIRE, 8, "edgeWidthWorld", TYPE_WORLD, false, 1.0f, ParamRange{0, kInf}, "edgesWidthWorldUnits"},
    {WIRE, 9, "vertexWidthPixels", TYPE_FLOAT, false, 0.3f, ParamRange{0, 99}, "vertexWidthPixels"},
    {WIRE, 10, "vertexWidthWorld", TYPE_WORLD, false, 1.0f, ParamRange{0, kInf}, "vertexWidthWorldUnits"},
    {WIRE, 12, "baseMap", TYPE_TEXMAP, false, {}, {}, "baseTexmap"},
    {WIRE, 13, "baseMapOn", TYPE_BOOL, false, true, {}, "baseMapOn"},
    // Mix.
    {MIX, 200, "mixOperation", TYPE_INT, true, 0, ParamRange{0, 8}, "mixOperation"},
    {MIX, 201, "mixAmount", TYPE_FLOAT, true, 1.0f, ParamRange{0, 1}, "mixAmount"},
    {MIX, 202, "multiplierTop", TYPE_FLOAT, true, 1.0f, ParamRange{-100000, 100000}, "topLayerMultiplier"},
    {MIX, 203, "scaleBottom", TYPE_FLOAT, true, 1.0f, ParamRange{-100000, 100000}, "baseLayerMultiplier"},
    {MIX, 204, "offsetTop", TYPE_FLOAT, true, 0.0f, ParamRange{-10, 10}, "topLayerContrast"},
    {MIX, 205, "offfsetBottom", TYPE_FLOAT, true, 0.0f, ParamRange{-100000, 100000}, "baseLayerContrast"},
    {MIX, 206, "texmapTop", TYPE_TEXMAP, false, {}, {}, "topLayerTexmap"},
    {MIX, 207, "texmapBottom", TYPE_TEXMAP, false, {}, {}, "baseLayerTexmap"},
    {MIX, 210, "texmapMix", TYPE_TEXMAP, false, {}, {}, "mixAmountTexmap"},
    {MIX, 208, "colorTop", TYPE_RGBA, true, Color(1, 1, 1), {}, "topLayercolor"},
    {MIX, 209, "colorBottom", TYPE_RGBA, true, Color(0, 0, 0), {}, "baseLayerColor"},
    {MIX, 211, "texmapMixOn", TYPE_BOOL, true, true, {}, "texmapMixOn"},
    {MIX, 212, "texmapTopOn", TYPE_BOOL, true, true, {}, "texmapTopOn"},
    {MIX, 213, "texmapBottomOn", TYPE_BOOL, true, true, {}, "texmapBottomOn"},
    // Colour.
    {COLOR, 50, "method", TYPE_INT, true, 0, ParamRange{0, 2}, nullptr},
    {COLOR, 52, "color", TYPE_RGBA, true, Color(1, 1, 1), {}, "Solid color:"},
    {COLOR, 58, "colorHdr", TYPE_POINT3, true, Point3(1, 1, 1), ParamRange{-kInf, kInf}, "Solid HDR color:"},
    {COLOR, 51, "temperature", TYPE_FLOAT, true, 6500.0f, ParamRange{1000, 50000}, "Kelvin temp.:"},
    {COLOR, 59, "hexColor", TYPE_STRING, false, "#FFFFFF", {}, "Hex color:"},
    {COLOR, 60, "inputIsLinear", TYPE_BOOL, false, true, {}, "Input values are in linear color space"},
    {COLOR, 56, "alpha", TYPE_FLOAT, true, 1.0f, ParamRange{0, 1}, "Alpha:"},
    {COLOR, 57, "multiplier", TYPE_FLOAT, true, 1.0f, ParamRange{0, 9999}, "Output multiplier:"},
    // Output.
    {OUTPUT, 101, "affectedByColorMapping", TYPE_BOOL, true, false, {}, nullptr},
    {OUTPUT, 100, "inputTexmap", TYPE_TEXMAP, false, {}, {}, nullptr},
    // Front/back.
    {FRONT_BACK, 104, "frontColor", TYPE_RGBA, true, Color(0.7f, 0.3f, 0.3f), {}, "frontFaceSideColor"},
    {FRONT_BACK, 105, "backColor", TYPE_RGBA, true, Color(0.3f, 0.7f, 0.3f), {}, "backFaceSideColor"},
    {FRONT_BACK, 100, "frontTexmapOn", TYPE_BOOL, true, true, {}, "frontFaceSideTexmapOn"},
    {FRONT_BACK, 101, "backTexmapOn", TYPE_BOOL, true, true, {}, "backFacdeSideTexmapOn"},
    {FRONT_BACK, 102, "frontTexmap", TYPE_TEXMAP, false, {}, {}, "frontFaceSideTexmap"},
    {FRONT_BACK, 103, "backTexmap", TYPE_TEXMAP, false, {}, {}, "backFaceSideTexmap"},
    // Normal.
    {NORMAL, 500, "normalMap", TYPE_TEXMAP, false, {}, {}, "Input image:"},
    {NORMAL, 501, "multiplier", TYPE_FLOAT, true, 1.0f, ParamRange{-999, 999}, "Strength mult:"},
    {NORMAL, 502, "addGamma", TYPE_BOOL, true, false, {}, "Add gamma to input"},
    {NORMAL, 503, "flipRed", TYPE_BOOL, true, false, {}, "Flip red (X)"},
    {NORMAL, 504, "flipGreen", TYPE_BOOL, true, false, {}, "Flip green (Y)"},
    {NORMAL, 505, "swapRedGreen", TYPE_BOOL, true, false, {}, "Swap red and green"},
    // Ray switch.
    {RAY_SWITCH, 100, "giColor", TYPE_RGBA, true, Color(0, 0, 0), {}, "Global illumination:"},
    {RAY_SWITCH, 101, "reflectColor", TYPE_RGBA, true, Color(0, 0, 0), {}, "Reflect:"},
    {RAY_SWITCH, 102, "refractColor", TYPE_RGBA, true, Color(0, 0, 0), {}, "Refract:"},
    {RAY_SWITCH, 103, "directColor", TYPE_RGBA, true, Color(0, 0, 0), {}, "Direct visibility:"},
    {RAY_SWITCH, 110, "giTexmap", TYPE_TEXMAP, false, {}, {}, "Global illumination:"},
    {RAY_SWITCH, 111, "reflectTexmap", TYPE_TEXMAP, false, {}, {}, "Reflect:"},
    {RAY_SWITCH, 112, "refractTexmap", TYPE_TEXMAP, false, {}, {}, "Refract:"},
    {RAY_SWITCH, 113, "directTexmap", TYPE_TEXMAP, false, {}, {}, "Direct visibility:"},
    // Multi-map.
    {MULTI_MAP, 700, "mode", TYPE_INT, true, 3, ParamRange{0, 5}, "mode"},
    {MULTI_MAP, 701, "items", TYPE_INT, true, 6, ParamRange{2, 15}, "numberOfItems"},
    {MULTI_MAP, 702, "texmaps", TabOf(TYPE_TEXMAP), false, {}, {}, "Texmaps", 15},
    {MULTI_MAP, 703, "colors", TabOf(TYPE_RGBA), true, Color(0, 0, 0), {}, "Colors", 15},
    {MULTI_MAP, 704, "mixAmount", TYPE_PCNT_FRAC, true, 0.0f, ParamRange{0, 1}, "mixAmount"},
    // Colour mapper; the markers' block default is checked with Reset below.
    {COLOR_MAPPER, 111, "inputMap", TYPE_TEXMAP, false, {}, {}, "inputMap"},
    {COLOR_MAPPER, 10, "interpolationType", TYPE_INT, true, 1, {}, nullptr},
    {COLOR_MAPPER, 20, "points", TabOf(TYPE_POINT4), true, Point4(0, 0, 0, 0), {}, nullptr, 2, true},
};

// Whether a stored value equals the expected default, compared as its type stores it.
bool SameValue(int type, const PB2Value& a, const PB2Value& b) {
    if (IsFloatType(type)) return a.f == b.f;
    if (IsIntType(type)) return a.i == b.i;
    if (IsPoint3Type(type)) return a.p == b.p;
    if (IsPoint4Type(type)) return a.p4 == b.p4;
    if (IsStringType(type)) return a.s == b.s;
    return a.r == b.r;
}

TEST(DatamodelMaps, ParametersMatchTheTables) {
    std::set<std::pair<unsigned, ParamID>> listed;
    for (const ParamRow& row : kParams) {
        SCOPED_TRACE(ClassName(row.index) + " " + row.name);
        listed.insert({row.index, row.id});
        const ParamDef* d = Desc(row.index)->GetParamDef(row.id);
        ASSERT_NE(d, nullptr);
        EXPECT_STREQ(d->name, row.name);
        EXPECT_EQ(d->type, row.type);
        EXPECT_EQ(d->IsAnimatable(), row.animatable);
        EXPECT_EQ(d->flags & (P_OBSOLETE | P_INVISIBLE), 0);
        EXPECT_TRUE(SameValue(row.type, d->def, row.def));
        ASSERT_EQ(d->range.has_value(), row.range.has_value());
        if (row.range) {
            EXPECT_EQ(d->range->low, row.range->low);
            EXPECT_EQ(d->range->high, row.range->high);
        }
        EXPECT_EQ(d->localName ? Text(d->localName) : "", row.label ? row.label : "");
        if (IsTab(row.type)) {
            EXPECT_EQ((d->flags & P_VARIABLE_SIZE) != 0, row.variable);
            EXPECT_EQ(d->tableSize, row.entries);
        }
        EXPECT_EQ(d->dim, row.type == TYPE_PCNT_FRAC ? DIM_PERCENT : row.type == TYPE_WORLD ? DIM_WORLD : DIM_NONE);
    }
    // Nothing declared beyond the tables.
    for (unsigned index : kMaps) {
        ParamBlockDesc2* d = Desc(index);
        for (int i = 0; i < d->Count(); ++i)
            EXPECT_TRUE(listed.count({index, d->IndextoID(i)})) << ClassName(index) << " " << d->IndextoID(i);
    }
}

TEST(DatamodelMaps, NewObjectsHoldTheDefaults) {
    for (const ParamRow& row : kParams) {
        if (row.index == COLOR_MAPPER && row.id == ColorMapperTex::PB_POINTS) continue;
        SCOPED_TRACE(ClassName(row.index) + " " + row.name);
        RefHolder holder(Create(row.index));
        IParamBlock2* pb = holder.Get()->GetParamBlock(0);
        ASSERT_NE(pb, nullptr);
        const int entries = IsTab(row.type) ? row.entries : 1;
        ASSERT_EQ(pb->Count(row.id), entries);
        for (int k = 0; k < entries; ++k) EXPECT_TRUE(SameValue(row.type, pb->GetRawValue(row.id, 0, k), row.def)) << k;
    }
}

struct TooltipRow {
    unsigned index;
    ParamID id;
    const char* text;
};

// The tooltips the tables quote word for word.
const TooltipRow kTooltips[] = {
    {COLOR, 59, "Web hex color input (in form of #rrggbb). Leading pound character is optional"},
    {COLOR, 57, "Multiplies the result by a constant number."},
    {OUTPUT, 101, "When this checkbox is disabled, any post-production color mapping is removed from this texture."},
    {NORMAL, 502, "When enabled, adds sRGB gamma back to the linear input image."},
    {MULTI_MAP, 704,
     "Non-zero values enable random tinting of the colors. When enabled, the output color is randomly mixed with the "
     "average color computed from all input slots."},
};

TEST(DatamodelMaps, QuotedTooltips) {
    for (const TooltipRow& row : kTooltips) {
        SCOPED_TRACE(ClassName(row.index));
        EXPECT_EQ(Text(Desc(row.index)->GetParamDef(row.id)->tooltip), row.text);
    }
}

struct ListRow {
    unsigned index;
    ParamID id;
    ControlType2 kind;
    std::vector<std::pair<const char*, int>> items;  // display order
};

const ListRow kLists[] = {
    {DATA, 100, TYPE_INT_COMBOBOX,
     {{"[DEBUG] Primitive type", 0}, {"[DEBUG] Material type", 1}, {"[DEBUG] BSDF type", 2}, {"[DEBUG] DUVW", 6},
      {"[DEBUG] Abs(DUVW)", 7}, {"[DEBUG] Pixel:world ratio", 8}, {"Wire color", 9}, {"World position", 10},
      {"Shading normal", 11}, {"Geometry normal", 12}, {"Dot product shading", 13}, {"Z-depth", 14},
      {"Backside hit", 15}, {"Instance ID", 5}, {"Material ID", 3}, {"Primitive ID", 4}}},
    {MIX, 200, TYPE_INT_COMBOBOX,
     {{"Add", 0}, {"Subtract", 1}, {"Multiply", 2}, {"Divide", 3}, {"Minimum", 4}, {"Maximum", 5}, {"Mix", 6},
      {"Gamma", 7}, {"Difference", 8}, {"Screen", 9}, {"Overlay", 10}, {"Color dodge", 11}, {"Color burn", 12},
      {"Linear burn", 13}}},
    {MULTI_MAP, 700, TYPE_INT_COMBOBOX,
     {{"Primitive", 0}, {"Material", 1}, {"Instance", 2}, {"Material ID", 3}, {"Material GBuffer ID", 4},
      {"Object GBuffer ID", 5}}},
    {COLOR_MAPPER, 10, TYPE_INT_COMBOBOX, {{"Nearest neighbour", 0}, {"Linear", 1}}},
    {AO, 13, TYPE_RADIO,
     {{"No excludes", 0}, {"Use exclude list:", 1}, {"Only the same object occludes", 2},
      {"Only other objects occlude", 3}}},
    {COLOR, 50, TYPE_RADIO, {{"Solid color:", 0}, {"Solid HDR color:", 1}, {"Kelvin temp.:", 2}, {"Hex color:", 3}}},
};

TEST(DatamodelMaps, ListsStoreTheirValuesInDisplayOrder) {
    for (const ListRow& row : kLists) {
        const ParamDef* d = Desc(row.index)->GetParamDef(row.id);
        SCOPED_TRACE(ClassName(row.index) + " " + d->name);
        EXPECT_EQ(d->ui.kind, row.kind);
        ASSERT_EQ(d->ui.items.size(), row.items.size());
        for (size_t i = 0; i < row.items.size(); ++i) {
            EXPECT_EQ(Text(d->ui.items[i].labelId), row.items[i].first) << i;
            EXPECT_EQ(d->ui.items[i].value, row.items[i].second) << i;
        }
        // Values the list writes beyond a narrower declared range stay acceptable.
        for (const auto& item : row.items) EXPECT_TRUE(d->IsControlValue(item.second)) << item.first;
    }
}

struct ControlRow {
    unsigned index;
    ParamID id;
    std::vector<int> controls;
};

// The control ids the rollouts are known by.
const ControlRow kControls[] = {
    {COLOR_MAPPER, 111, {1083}},
    {COLOR_MAPPER, 10, {1080}},
    {COLOR, 50, {1389, 1390, 1388, 1699}},
    {COLOR, 52, {1378}},
    {COLOR, 51, {1385, 1386}},
    {COLOR, 59, {1013}},
    {COLOR, 60, {1012}},
    {OUTPUT, 101, {1238}},
    {OUTPUT, 100, {1239}},
    {NORMAL, 500, {1077}},
    {NORMAL, 501, {1075, 1076}},
    {NORMAL, 502, {10537}},
    {NORMAL, 503, {16546}},
    {NORMAL, 504, {16275}},
    {NORMAL, 505, {16276}},
    {MULTI_MAP, 700, {10541}},
    {MULTI_MAP, 701, {10543, 10545}},
    {MULTI_MAP, 704, {16547, 16549}},
};

TEST(DatamodelMaps, NamedControlIds) {
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(ClassName(row.index) + " " + std::to_string(row.id));
        EXPECT_EQ(Desc(row.index)->GetParamDef(row.id)->ui.ctrlIds, row.controls);
    }
    // One control per table entry.
    for (ParamID id : {MultiMapTex::PB_TEXMAPS, MultiMapTex::PB_COLORS})
        EXPECT_EQ(Desc(MULTI_MAP)->GetParamDef(id)->ui.ctrlIds.size(), 15u);
}

// Every text a block refers to exists, in its class's own thousand, and every
// control of a parameter is in the rollout's dialog template.
TEST(DatamodelMaps, ResourcesAreComplete) {
    for (unsigned index : kMaps) {
        SCOPED_TRACE(ClassName(index));
        ParamBlockDesc2* d = Desc(index);
        const int low = static_cast<int>(index + 1) * 1000;
        std::vector<int> ids{d->LocalName(), d->Rollouts()[0].titleId};
        const DialogResource* dlg = findDialogResource(d->Rollouts()[0].dialogId);
        ASSERT_NE(dlg, nullptr);
        std::set<int> dialogControls;
        for (const ControlResource& c : dlg->controls) dialogControls.insert(c.id);
        for (int i = 0; i < d->Count(); ++i) {
            const ParamDef& p = d->GetParamDefByIndex(i);
            for (int id : {p.localName, p.tooltip})
                if (id) ids.push_back(id);
            for (const ParamUiItem& it : p.ui.items) ids.push_back(it.labelId);
            // A spinner's ids come in pairs; the template lists the edit field.
            const size_t step = p.ui.kind == TYPE_SPINNER ? 2 : 1;
            for (size_t c = 0; c < p.ui.ctrlIds.size(); c += step)
                EXPECT_TRUE(dialogControls.count(p.ui.ctrlIds[c])) << p.name << " control " << p.ui.ctrlIds[c];
            EXPECT_EQ(p.map, 0) << p.name;
        }
        for (int id : ids) {
            EXPECT_NE(findResourceString(id), nullptr) << id;
            EXPECT_GE(id, low);
            EXPECT_LT(id, low + 1000);
        }
    }
}

struct Slot {
    const char* name;
    ParamID texmap;
    ParamID enable;
};

struct SlotRow {
    unsigned index;
    std::vector<Slot> slots;
};

const SlotRow kSlots[] = {
    {AO, {{"Occluded color", 10, 16}, {"Unoccluded color", 11, 17}, {"AO Distance", 12, 18}}},
    {MIX, {{"Top", 206, 212}, {"Bottom", 207, 213}, {"Mix", 210, 211}}},
    {RAY_SWITCH,
     {{"Global illumination", 110, 0}, {"Reflect override", 111, 0}, {"Refract override", 112, 0},
      {"Direct override", 113, 0}}},
    {FRONT_BACK, {{"Front face side", 102, 100}, {"Back face side", 103, 101}}},
    {WIRE, {{"Base", 12, 13}}},
    {NORMAL, {{"Input image", 500, 0}}},
    {OUTPUT, {{"Input", 100, 0}}},
    {COLOR_MAPPER, {{"Input", 111, 0}}},
    {COLOR, {}},
    {DATA, {}},
};

TEST(DatamodelMaps, SlotTables) {
    for (const SlotRow& row : kSlots) {
        SCOPED_TRACE(ClassName(row.index));
        RefHolder holder(Create(row.index));
        auto* tex = static_cast<Texmap*>(holder.Get());
        IParamBlock2* pb = tex->GetParamBlock(0);
        ASSERT_EQ(tex->NumSubTexmaps(), static_cast<int>(row.slots.size()));
        for (int i = 0; i < static_cast<int>(row.slots.size()); ++i) {
            const Slot& s = row.slots[i];
            SCOPED_TRACE(s.name);
            EXPECT_EQ(ToUtf8(tex->GetSubTexmapSlotName(i)), s.name);
            const ParamDef* map = pb->GetParamDef(s.texmap);
            ASSERT_NE(map, nullptr);
            EXPECT_EQ(map->type, TYPE_TEXMAP);
            EXPECT_EQ(map->subTexNo, i);
            // Setting the slot lands in its own parameter and nowhere else.
            auto* sub = static_cast<Texmap*>(Create(COLOR));
            tex->SetSubTexmap(i, sub);
            EXPECT_EQ(pb->GetTexmap(s.texmap), sub);
            EXPECT_EQ(tex->GetSubTexmap(i), sub);
            EXPECT_TRUE(tex->SubTexmapOn(i));
            if (s.enable) {
                EXPECT_EQ(pb->GetParamDef(s.enable)->type, TYPE_BOOL);
                pb->SetValue(s.enable, 0, FALSE);
                EXPECT_FALSE(tex->SubTexmapOn(i));
            }
        }
        for (int i = 0; i < static_cast<int>(row.slots.size()); ++i)
            for (int j = 0; j < static_cast<int>(row.slots.size()); ++j)
                if (i != j) {
                    EXPECT_NE(tex->GetSubTexmap(i), tex->GetSubTexmap(j));
                }
    }
}

TEST(DatamodelMaps, MultiMapSubMapsAreTheTexmapEntries) {
    RefHolder holder(Create(MULTI_MAP));
    auto* tex = static_cast<Texmap*>(holder.Get());
    IParamBlock2* pb = tex->GetParamBlock(0);
    // All fifteen, whatever "items" says.
    ASSERT_EQ(pb->GetInt(MultiMapTex::PB_ITEMS), 6);
    ASSERT_EQ(tex->NumSubTexmaps(), 15);
    auto* sub = static_cast<Texmap*>(Create(COLOR));
    tex->SetSubTexmap(14, sub);
    EXPECT_EQ(pb->GetTexmap(MultiMapTex::PB_TEXMAPS, 0, 14), sub);
    EXPECT_EQ(tex->GetSubTexmap(14), sub);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(tex->GetSubTexmap(i), nullptr) << i;
    EXPECT_TRUE(tex->SubTexmapOn(14));
    EXPECT_EQ(ToUtf8(tex->GetSubTexmapSlotName(0)), "Map 1");
    EXPECT_EQ(ToUtf8(tex->GetSubTexmapSlotName(14)), "Map 15");
    EXPECT_THROW(tex->GetSubTexmap(15), Exception);

    // A clone holds its own copy of the entry's map.
    RemapDir remap;
    RefHolder copy(remap.CloneRef(tex));
    auto* cloned = static_cast<Texmap*>(copy.Get())->GetSubTexmap(14);
    EXPECT_NE(cloned, nullptr);
    EXPECT_NE(cloned, sub);
}

TEST(DatamodelMaps, ColorMapperStartsAndResetsWithTheEndMarkers) {
    RefHolder holder(Create(COLOR_MAPPER));
    auto* tex = static_cast<ColorMapperTex*>(holder.Get());
    IParamBlock2* pb = tex->pblock;
    const ParamID points = ColorMapperTex::PB_POINTS;
    auto expectEndMarkers = [&] {
        ASSERT_EQ(pb->Count(points), 2);
        EXPECT_EQ(pb->GetPoint4(points, 0, 0), Point4(0, 0, 0, 0));  // black at 0
        EXPECT_EQ(pb->GetPoint4(points, 0, 1), Point4(1, 1, 1, 1));  // white at 1
        EXPECT_EQ(pb->NumKeys(points, 0), 0);
        EXPECT_EQ(pb->NumKeys(points, 1), 0);
    };
    expectEndMarkers();

    const PB2Value marker(Point4(1, 0, 0, 0.5f));
    pb->Append(points, 1, &marker);
    pb->SetValue(points, 0, Point4(0.2f, 0.2f, 0.2f, 0.0f), 0);
    pb->SetValue(ColorMapperTex::PB_INTERPOLATION, 0, 0);
    tex->Reset();
    expectEndMarkers();
    EXPECT_EQ(pb->GetInt(ColorMapperTex::PB_INTERPOLATION), 1);
}

}  // namespace
}  // namespace Nimbal

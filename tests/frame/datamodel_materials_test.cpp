// The main and light materials' parameter blocks. The renderer reads them by
// id and scenes store them by id, so a slip in an id, type, default, range or
// sub-map number breaks nothing here and everything there: the tables below
// are kept apart from the code's own declarations on purpose.
#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ClassDescs.h"
#include "LightMtl/LightMtl.h"
#include "Mtl/Mtl.h"
#include "Resources.h"
#include "host/Max.h"

namespace {

constexpr unsigned MTL_INDEX = 0;
constexpr unsigned LIGHT_MTL_INDEX = 11;
constexpr double INF = std::numeric_limits<double>::infinity();

// Rollout map ids of the main material.
constexpr MapID BASIC = 54, VOLUME = 38, ADVANCED = 85, MAPS = 44;

const char* const LEVEL_TIP =
    "Both the constant color and texmap will be multiplied with this number. Setting 0.5 and using white color is "
    "equal to using 50% gray color, or using texmap with output level 0.5";
const char* const AMOUNT_TIP =
    "The mixing coefficient between the texture and constant color. 100% means only texture result is used, 0% "
    "means only constant color is used, values in-between blend the texture with the constant color";

ReferenceTarget* create(unsigned index) {
    return static_cast<ReferenceTarget*>(static_cast<Animatable*>(Nimbal::classDescAt(index)->Create(FALSE)));
}

std::string text(int stringId) {
    const char* s = Nimbal::findResourceString(stringId);
    return s ? s : "<missing " + std::to_string(stringId) + ">";
}

// One parameter as documented. `def` is read by the parameter's type.
struct Row {
    ParamID id;
    const char* name;
    int type;
    bool animatable;
    PB2Value def;
    std::optional<ParamRange> range;
    MapID map;
    int flags = 0;  // P_OBSOLETE / P_INVISIBLE
    int subTexNo = -1;
};

void expectValue(int type, const PB2Value& actual, const PB2Value& expected, const char* what) {
    SCOPED_TRACE(what);
    const int base = BaseType(type);
    if (IsFloatType(base)) {
        EXPECT_FLOAT_EQ(actual.f, expected.f);
    } else if (IsIntType(base)) {
        EXPECT_EQ(actual.i, expected.i);
    } else if (IsPoint3Type(base)) {
        EXPECT_FLOAT_EQ(actual.p.x, expected.p.x);
        EXPECT_FLOAT_EQ(actual.p.y, expected.p.y);
        EXPECT_FLOAT_EQ(actual.p.z, expected.p.z);
    } else if (IsRefType(base)) {
        EXPECT_EQ(actual.r, nullptr);
    }
}

// Compares the descriptor, and a freshly created block, with the rows; the
// descriptor may hold no parameter that the rows do not list.
void expectParams(unsigned index, const std::vector<Row>& rows) {
    RefHolder holder(create(index));
    IParamBlock2* pb = static_cast<ReferenceTarget*>(holder.Get())->GetParamBlock(0);
    ASSERT_NE(pb, nullptr);
    ParamBlockDesc2* desc = Nimbal::classDescAt(index)->GetParamBlockDesc(0);
    std::set<int> documented;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.id << " " << row.name);
        EXPECT_TRUE(documented.insert(row.id).second) << "listed twice";
        const ParamDef* d = desc->GetParamDef(row.id);
        ASSERT_NE(d, nullptr);
        EXPECT_STREQ(d->name, row.name);
        EXPECT_EQ(d->type, row.type);
        EXPECT_EQ(d->IsAnimatable(), row.animatable);
        EXPECT_EQ(d->flags & (P_OBSOLETE | P_INVISIBLE), row.flags);
        EXPECT_EQ(d->map, row.map);
        EXPECT_EQ(d->subTexNo, row.subTexNo);
        // Distances and percentages are shown in their units.
        const ParamDim dim = row.type == TYPE_WORLD ? DIM_WORLD : row.type == TYPE_PCNT_FRAC ? DIM_PERCENT : DIM_NONE;
        EXPECT_EQ(d->dim, dim);
        ASSERT_EQ(d->range.has_value(), row.range.has_value());
        if (row.range) {
            EXPECT_EQ(d->range->low, row.range->low);
            EXPECT_EQ(d->range->high, row.range->high);
        }
        if (row.flags & P_OBSOLETE) continue;  // retired: no default to speak of
        expectValue(row.type, d->def, row.def, "declared default");
        expectValue(row.type, pb->GetRawValue(row.id), row.def, "value of a new object");
    }
    for (int i = 0; i < desc->Count(); ++i)
        EXPECT_TRUE(documented.count(desc->IndextoID(i))) << "undocumented parameter " << desc->IndextoID(i);
}

// Every text and control a block refers to exists: a label id from another
// class's thousand or a control missing from its rollout's dialog shows up as
// a wrong or dead control in the editor.
void expectResourcesResolve(unsigned index, int thousand) {
    ParamBlockDesc2* desc = Nimbal::classDescAt(index)->GetParamBlockDesc(0);
    auto ownString = [thousand](int id, const char* what) {
        SCOPED_TRACE(what);
        EXPECT_GE(id, thousand);
        EXPECT_LT(id, thousand + 1000);
        EXPECT_NE(Nimbal::findResourceString(id), nullptr) << id;
    };
    ownString(desc->LocalName(), "block name");
    std::map<MapID, const Nimbal::DialogResource*> dialogs;
    for (const RolloutDesc& r : desc->Rollouts()) {
        ownString(r.titleId, "rollout title");
        dialogs[r.mapId] = Nimbal::findDialogResource(r.dialogId);
        ASSERT_NE(dialogs[r.mapId], nullptr) << r.dialogId;
        EXPECT_EQ(text(r.titleId), dialogs[r.mapId]->title);
        std::set<int> ids;
        for (const Nimbal::ControlResource& c : dialogs[r.mapId]->controls)
            EXPECT_TRUE(ids.insert(c.id).second) << "control " << c.id << " twice in " << r.dialogId;
    }
    for (int i = 0; i < desc->Count(); ++i) {
        const ParamDef& d = desc->GetParamDefByIndex(i);
        SCOPED_TRACE(d.name);
        if (d.localName) ownString(d.localName, "label");
        if (d.tooltip) ownString(d.tooltip, "tooltip");
        for (const ParamUiItem& item : d.ui.items) ownString(item.labelId, "list item");
        if (d.ui.ctrlIds.empty()) continue;
        ASSERT_TRUE(dialogs.count(d.map)) << "controls on rollout " << d.map << " that the block does not have";
        for (int ctrl : d.ui.ctrlIds) {
            bool found = false;
            for (const Nimbal::ControlResource& c : dialogs[d.map]->controls) found |= c.id == ctrl;
            EXPECT_TRUE(found) << "control " << ctrl;
        }
    }
}

// ---------------------------------------------------------------------------
// The main material.

// One channel family's members in "Maps", as the channel table gives them.
struct Family {
    int slot;
    ParamID texmapId;
    const char* texmap;
    ParamID enableId;
    const char* enable;
    ParamID amountId;  // 0: the family has none
    const char* amount;
    const char* slotLabel;
};

const Family kFamilies[] = {
    {0, 141, "texmapDiffuse", 161, "texmapOnDiffuse", 290, "mapamountDiffuse", "Diffuse color"},
    {1, 142, "texmapReflect", 162, "texmapOnReflect", 291, "mapamountReflect", "Refl. color"},
    {2, 143, "texmapReflectGlossiness", 163, "texmapOnReflectGlossiness", 292, "mapamountReflectGlossiness",
     "Refl. gloss."},
    {3, 150, "texmapReflectAnisotropy", 170, "texmapOnAnisotropy", 299, "mapamountAnisotropy", "Anisotropy"},
    {4, 151, "texmapReflectAnisotropyRotation", 171, "texmapOnAnisotropyRotation", 300, "mapamountAnisotropyRotation",
     "Aniso rot."},
    {5, 153, "texmapFresnelIor", 173, "texmapOnFresnelIor", 302, "mapamountFresnelIor", "Fresnel IOR"},
    {6, 144, "texmapRefract", 164, "texmapOnRefract", 293, "mapamountRefract", "Refr. color"},
    {7, 145, "texmapRefractGlossiness", 165, "texmapOnRefractGlossiness", 294, "mapamountRefractGlossiness",
     "Refr. gloss."},
    {8, 152, "texmapIor", 172, "texmapOnIor", 301, "mapamountIor", "IOR"},
    {9, 148, "texmapTranslucency", 168, "texmapOnTranslucency", 297, "mapamountTranslucency", "Transl. color"},
    {10, 159, "texmapTranslucencyFraction", 179, "texmapOnTranslucencyFraction", 304, "mapamountTranslucencyFraction",
     "Transl. level."},
    {11, 146, "texmapOpacity", 166, "texmapOnOpacity", 295, "mapamountOpacity", "Opacity color"},
    {12, 158, "texmapSelfIllum", 178, "texmapOnSelfIllum", 303, "mapamountSelfIllum", "Self illum."},
    {13, 147, "texmapBump", 167, "texmapOnBump", 296, "mapamountBump", "Bump"},
    {14, 154, "texmapDisplace", 174, "texmapOnDisplacement", 0, nullptr, "Displacement"},
    {15, 156, "texmapReflectBgOverride", 176, "texmapOnReflectBgOverride", 0, nullptr, "Refl. env."},
    {16, 157, "texmapRefractBgOverride", 177, "texmapOnRefractBgOverride", 0, nullptr, "Refr. env."},
    {17, 305, "texmapAbsorption", 306, "texmapOnAbsorption", 307, "mapamountAbsorption", "Atten. tint"},
    {18, 308, "texmapScatterColor", 309, "texmapOnScatterColor", 310, "mapamountScatterColor", "Scatter albedo"},
    {19, 311, "texmapRoundedCornersRadius", 312, "texmapOnRoundedCornersRadius", 313, "mapamountRoundedCornersRadius",
     "Round edges r."},
};

std::vector<Row> mtlRows() {
    const ParamRange unit{0, 1};
    std::vector<Row> rows = {
        // Values of the channels.
        {101, "colorDiffuse", TYPE_RGBA, true, Color(0.5f, 0.5f, 0.5f), {}, BASIC},
        {121, "levelDiffuse", TYPE_FLOAT, true, 1.0f, unit, BASIC},
        {102, "colorReflect", TYPE_RGBA, true, Color(1.0f, 1.0f, 1.0f), {}, BASIC},
        {122, "levelReflect", TYPE_FLOAT, true, 0.0f, unit, BASIC},
        {180, "reflectGlossiness", TYPE_FLOAT, true, 1.0f, unit, BASIC},
        {194, "anisotropy", TYPE_FLOAT, true, 0.0f, ParamRange{-1, 1}, BASIC},
        {195, "anisotropyRotation", TYPE_FLOAT, true, 0.0f, ParamRange{0, 360}, BASIC},
        {182, "fresnelIor", TYPE_FLOAT, true, 1.52f, ParamRange{1, 999}, BASIC},
        {103, "colorRefract", TYPE_RGBA, true, Color(1.0f, 1.0f, 1.0f), {}, BASIC},
        {123, "levelRefract", TYPE_FLOAT, true, 0.0f, unit, BASIC},
        {181, "refractGlossiness", TYPE_FLOAT, true, 1.0f, unit, BASIC},
        {183, "ior", TYPE_FLOAT, true, 1.52f, ParamRange{1, 10}, BASIC},
        {106, "colorTranslucency", TYPE_RGBA, true, Color(1.0f, 1.0f, 1.0f), {}, BASIC},
        {126, "levelTranslucency", TYPE_FLOAT, true, 0.0f, unit, BASIC},
        {105, "colorOpacity", TYPE_RGBA, true, Color(1.0f, 1.0f, 1.0f), {}, BASIC},
        {127, "levelOpacity", TYPE_FLOAT, true, 1.0f, unit, BASIC},
        {107, "colorSelfIllum", TYPE_RGBA, true, Color(1.0f, 1.0f, 1.0f), {}, ADVANCED},
        {128, "levelSelfIllum", TYPE_FLOAT, true, 0.0f, ParamRange{0, INF}, ADVANCED},
        {207, "displacementMinimum", TYPE_WORLD, true, 0.0f, {}, BASIC},
        {208, "displacementMaximum", TYPE_WORLD, true, 1.0f, {}, BASIC},
        {206, "displacementWaterLevel", TYPE_FLOAT, true, 0.5f, {}, BASIC},
        {316, "displacementWaterLevelOn", TYPE_BOOL, false, false, {}, BASIC},
        {190, "absorptionColor", TYPE_RGBA, true, Color(0.5f, 0.5f, 0.5f), {}, VOLUME},
        {188, "absorptionDistance", TYPE_WORLD, true, 0.0f, ParamRange{0, INF}, VOLUME},
        {215, "scatterColor", TYPE_RGBA, true, Color(0.0f, 0.0f, 0.0f), {}, VOLUME},
        {216, "scatterDirectionality", TYPE_FLOAT, true, 0.0f, ParamRange{-0.999, 0.999}, VOLUME},
        {196, "roundedCornersRadius", TYPE_WORLD, true, 0.0f, ParamRange{0, INF}, ADVANCED},
        {197, "roundedCornersSamples", TYPE_INT, true, 10, ParamRange{1, 99}, ADVANCED},
        // Material-wide options.
        {202, "bsdf", TYPE_INT, true, 3, {}, ADVANCED},
        {201, "alphaMode", TYPE_INT, false, 0, {}, ADVANCED},
        {205, "gBufferOverride", TYPE_INT, true, -1, ParamRange{-1, 9999}, ADVANCED},
        {210, "thin", TYPE_BOOL, false, false, {}, BASIC},
        {211, "caustics", TYPE_BOOL, false, false, {}, BASIC},
        {214, "sssMode", TYPE_BOOL, false, false, {}, VOLUME},
        {314, "visibleInMasks", TYPE_BOOL, false, true, {}, ADVANCED},
        {315, "singleBounceOnly", TYPE_BOOL, false, false, {}, VOLUME},
        {318, "legacyMode", TYPE_BOOL, false, false, {}, ADVANCED},
        {213, "legacyA7", TYPE_BOOL, false, false, {}, 0, P_INVISIBLE},
        {317, "legacyBrdfNormalization", TYPE_BOOL, false, false, {}, 0, P_INVISIBLE},
        // Retired.
        {149, "removedParam", TYPE_TEXMAP, false, {}, {}, 0, P_OBSOLETE},
        {155, "removedParam", TYPE_TEXMAP, false, {}, {}, 0, P_OBSOLETE},
        {203, "removedParam", TYPE_BOOL, false, {}, {}, 0, P_OBSOLETE},
        {209, "removedParam", TYPE_BOOL, false, {}, {}, 0, P_OBSOLETE},
        {212, "removedParam", TYPE_BOOL, false, {}, {}, 0, P_OBSOLETE},
    };
    for (const Family& f : kFamilies) {
        rows.push_back({f.texmapId, f.texmap, TYPE_TEXMAP, false, {}, {}, MAPS, 0, f.slot});
        rows.push_back({f.enableId, f.enable, TYPE_BOOL, true, true, {}, MAPS});
        if (f.amountId == 296)  // bump: a plain multiplier
            rows.push_back({f.amountId, f.amount, TYPE_FLOAT, true, 1.0f, ParamRange{-99, 99}, MAPS});
        else if (f.amountId)
            rows.push_back({f.amountId, f.amount, TYPE_PCNT_FRAC, true, 1.0f, unit, MAPS});
    }
    return rows;
}

TEST(MaterialsDataModel, MainMaterialBlockHeader) {
    ParamBlockDesc2* desc = Nimbal::classDescAt(MTL_INDEX)->GetParamBlockDesc(0);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->ID(), 0);
    EXPECT_STREQ(desc->InternalName(), "NimbalMtlPb");
    EXPECT_EQ(text(desc->LocalName()), "Mtl paramblock");
    // The conversion of older materials keys on this number.
    EXPECT_EQ(desc->Version(), 1983716);
    EXPECT_TRUE(desc->Flags() & P_VERSION);
    EXPECT_TRUE(desc->Flags() & P_AUTO_CONSTRUCT);
    EXPECT_TRUE(desc->Flags() & P_AUTO_UI);
    EXPECT_EQ(desc->RefNo(), 0);

    struct Rollout {
        MapID map;
        int dialog;
        const char* title;
        bool closed;
    };
    const Rollout expected[] = {
        {54, 1485, "Basic options", false},
        {38, 1683, "Volumetric absorption and scattering", true},
        {85, 1486, "Advanced options", true},
        {44, 1487, "Maps", false},
    };
    ASSERT_EQ(desc->Rollouts().size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const RolloutDesc& r = desc->Rollouts()[i];
        SCOPED_TRACE(expected[i].title);
        EXPECT_EQ(r.mapId, expected[i].map);
        EXPECT_EQ(r.dialogId, expected[i].dialog);
        EXPECT_EQ(text(r.titleId), expected[i].title);
        EXPECT_EQ((r.flags & APPENDROLL_CLOSED) != 0, expected[i].closed);
    }
}

TEST(MaterialsDataModel, MainMaterialParametersMatchTheChannelTables) {
    const std::vector<Row> rows = mtlRows();
    EXPECT_EQ(rows.size(), 101u);
    expectParams(MTL_INDEX, rows);
}

TEST(MaterialsDataModel, MainMaterialLabelsTooltipsAndLists) {
    ParamBlockDesc2* desc = Nimbal::classDescAt(MTL_INDEX)->GetParamBlockDesc(0);
    // Labels that differ from the internal names are kept as they were
    // published, misspellings included.
    const std::pair<ParamID, const char*> labels[] = {
        {128, "multiplierSelfIllumination"}, {188, "absorptionDistnace"}, {215, "scatteringColor"},
        {202, "bsdf"}, {201, "alphaChannel"}, {205, "gBufferIdOverride"}, {210, "thinNoRefraction"},
        {211, "caustics"}, {214, "optimizeForSss"}, {314, "visibleInMasks"}, {315, "volumetricSingleBounceOnly"},
        {318, "legacyMode"}, {149, "removedParam"}, {212, "removedParam"}, {101, "colorDiffuse"},
        {290, "mapamountDiffuse"},
    };
    for (const auto& [id, label] : labels) {
        SCOPED_TRACE(id);
        EXPECT_EQ(text(desc->GetParamDef(id)->localName), label);
    }
    EXPECT_EQ(desc->GetParamDef(213)->localName, 0);
    EXPECT_EQ(desc->GetParamDef(317)->localName, 0);

    for (ParamID level : {121, 122, 123, 126, 127, 128}) {
        SCOPED_TRACE(level);
        EXPECT_EQ(text(desc->GetParamDef(level)->tooltip), LEVEL_TIP);
    }
    for (const Family& f : kFamilies) {
        if (!f.amountId) continue;
        SCOPED_TRACE(f.amount);
        if (f.amountId == 296) {
            EXPECT_EQ(desc->GetParamDef(f.amountId)->tooltip, 0);
        } else {
            EXPECT_EQ(text(desc->GetParamDef(f.amountId)->tooltip), AMOUNT_TIP);
        }
    }

    // Drop-downs store these values; alpha mode lists its items out of
    // numeric order.
    auto items = [&](ParamID id) {
        std::vector<std::pair<std::string, int>> out;
        const ParamDef* d = desc->GetParamDef(id);
        EXPECT_EQ(d->ui.kind, TYPE_INT_COMBOBOX);
        for (const ParamUiItem& it : d->ui.items) out.emplace_back(text(it.labelId), it.value);
        return out;
    };
    using Items = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(items(202), (Items{{"Phong", 0}, {"Ward", 1}, {"Ashikhmin-Shirley", 2}, {"GGX", 3}}));
    EXPECT_EQ(items(201), (Items{{"Default", 0}, {"Always transparent", 2}, {"Always solid", 1}}));
}

TEST(MaterialsDataModel, MainMaterialSlotTableFollowsTheChannels) {
    ParamBlockDesc2* desc = Nimbal::classDescAt(MTL_INDEX)->GetParamBlockDesc(0);
    for (const Family& f : kFamilies) {
        SCOPED_TRACE(f.slotLabel);
        const Nimbal::MtlSubTexmapSlot& slot = Nimbal::Mtl::subTexmapSlot(f.slot);
        EXPECT_EQ(slot.texmapId, f.texmapId);
        EXPECT_EQ(slot.enableId, f.enableId);
        EXPECT_STREQ(slot.label, f.slotLabel);
        // The texmap parameter names the same sub-map number as the table.
        EXPECT_EQ(desc->GetParamDef(slot.texmapId)->subTexNo, f.slot);
        // A small button lives on a rollout whose dialog procedure looks after
        // it, and exists in that rollout's dialog.
        if (slot.buttonId == 0) {
            EXPECT_EQ(slot.rollout, 0);
            continue;
        }
        EXPECT_TRUE(slot.rollout == BASIC || slot.rollout == VOLUME || slot.rollout == ADVANCED) << slot.rollout;
        int dialogId = 0;
        for (const RolloutDesc& r : desc->Rollouts())
            if (r.mapId == slot.rollout) dialogId = r.dialogId;
        const Nimbal::DialogResource* dialog = Nimbal::findDialogResource(dialogId);
        ASSERT_NE(dialog, nullptr);
        bool found = false;
        for (const Nimbal::ControlResource& c : dialog->controls) found |= c.id == slot.buttonId;
        EXPECT_TRUE(found) << "button " << slot.buttonId << " not in dialog " << dialogId;
    }
    // Sub-maps 20 and 21, and numbers outside the table, are the empty record.
    for (int i : {20, 21, 22, -1, 1000}) {
        SCOPED_TRACE(i);
        const Nimbal::MtlSubTexmapSlot& slot = Nimbal::Mtl::subTexmapSlot(i);
        EXPECT_EQ(slot.texmapId, 0);
        EXPECT_EQ(slot.enableId, 0);
        EXPECT_EQ(slot.buttonId, 0);
        EXPECT_STREQ(slot.label, "");
    }
}

TEST(MaterialsDataModel, MainMaterialDevelopmentControlsKeepTheirIds) {
    // The dialog procedure hides these by id outside development installs.
    ParamBlockDesc2* desc = Nimbal::classDescAt(MTL_INDEX)->GetParamBlockDesc(0);
    EXPECT_EQ(desc->GetParamDef(202)->ui.ctrlIds, std::vector<int>{1058});
    EXPECT_EQ(desc->GetParamDef(214)->ui.ctrlIds, std::vector<int>{1703});
    auto has = [](int dialogId, int ctrl) {
        for (const Nimbal::ControlResource& c : Nimbal::findDialogResource(dialogId)->controls)
            if (c.id == ctrl) return true;
        return false;
    };
    EXPECT_TRUE(has(1486, 1058));
    EXPECT_TRUE(has(1486, 1387));
    EXPECT_TRUE(has(1683, 1703));
}

TEST(MaterialsDataModel, ResourcesResolveInTheirRollouts) {
    {
        SCOPED_TRACE("main material");
        expectResourcesResolve(MTL_INDEX, 1000);
    }
    {
        SCOPED_TRACE("light material");
        expectResourcesResolve(LIGHT_MTL_INDEX, 12000);
    }
}

class MaterialsSubMaps : public testing::Test {
protected:
    RefHolder holder{create(MTL_INDEX)};
    Nimbal::Mtl* mtl = static_cast<Nimbal::Mtl*>(holder.Get());
    // Any map will do; the ambient-occlusion map is at hand. Held here so
    // that clearing a slot does not delete it.
    RefHolder mapHolder{create(5)};
    Texmap* map = static_cast<Texmap*>(mapHolder.Get());
};

TEST_F(MaterialsSubMaps, SlotsReachTheirParameters) {
    ASSERT_EQ(mtl->NumSubTexmaps(), 22);
    for (const Family& f : kFamilies) {
        SCOPED_TRACE(f.slotLabel);
        EXPECT_EQ(ToUtf8(mtl->GetSubTexmapSlotName(f.slot)), f.slotLabel);
        mtl->SetSubTexmap(f.slot, map);
        EXPECT_EQ(mtl->pblock->GetTexmap(f.texmapId), map);
        EXPECT_EQ(mtl->GetSubTexmap(f.slot), map);
        mtl->SetSubTexmap(f.slot, nullptr);
        EXPECT_EQ(mtl->pblock->GetTexmap(f.texmapId), nullptr);
    }
}

TEST_F(MaterialsSubMaps, SlotIsOnOnlyWithAMapAndItsSwitch) {
    // A new material's switches are all on, yet no slot is on without a map.
    for (int i = 0; i < 22; ++i) EXPECT_EQ(mtl->SubTexmapOn(i), 0) << i;

    mtl->SetSubTexmap(13, map);
    EXPECT_EQ(mtl->SubTexmapOn(13), 1);
    mtl->pblock->SetValue(167, 0, 0);  // texmapOnBump
    EXPECT_EQ(mtl->SubTexmapOn(13), 0);
    EXPECT_EQ(mtl->GetSubTexmap(13), map);  // switched off, still there
    mtl->pblock->SetValue(167, 0, 1);
    EXPECT_EQ(mtl->SubTexmapOn(13), 1);
}

TEST_F(MaterialsSubMaps, SlotsWithoutAParameterStayEmpty) {
    for (int i : {20, 21, 22, -1}) {
        SCOPED_TRACE(i);
        mtl->SetSubTexmap(i, map);
        EXPECT_EQ(mtl->GetSubTexmap(i), nullptr);
        EXPECT_EQ(mtl->SubTexmapOn(i), 0);
        EXPECT_EQ(mtl->GetSubTexmapSlotName(i), MSTR());
    }
    // Nor did the map land in some other slot.
    for (int i = 0; i < 20; ++i) EXPECT_EQ(mtl->GetSubTexmap(i), nullptr) << i;
}

// ---------------------------------------------------------------------------
// The light material.

TEST(MaterialsDataModel, LightMaterialBlock) {
    ParamBlockDesc2* desc = Nimbal::classDescAt(LIGHT_MTL_INDEX)->GetParamBlockDesc(0);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->ID(), 0);
    EXPECT_STREQ(desc->InternalName(), "LightMtlPb");
    EXPECT_EQ(text(desc->LocalName()), "LightMtl paramblock");
    ASSERT_EQ(desc->Rollouts().size(), 1u);
    EXPECT_EQ(text(desc->Rollouts()[0].titleId), "Nimbal Light Material");
    EXPECT_EQ(desc->Rollouts()[0].flags & APPENDROLL_CLOSED, 0);

    expectParams(LIGHT_MTL_INDEX, {
        {110, "intensity", TYPE_FLOAT, true, 1.0f, ParamRange{-10000, 10000}, 0},
        {113, "color", TYPE_RGBA, true, Color(1.0f, 1.0f, 1.0f), {}, 0},
        {111, "texmap", TYPE_TEXMAP, false, {}, {}, 0, 0, 0},
        {112, "texmapOn", TYPE_BOOL, false, true, {}, 0},
        {150, "opacityTexmap", TYPE_TEXMAP, false, {}, {}, 0, 0, 1},
        {151, "opacityTexmapOn", TYPE_BOOL, false, true, {}, 0},
        {162, "emitLight", TYPE_BOOL, false, true, {}, 0},
        {161, "occludeOther", TYPE_BOOL, false, true, {}, 0},
        {168, "twosidedEmission", TYPE_BOOL, false, false, {}, 0},
        {167, "shadowcatcherIlluminator", TYPE_BOOL, false, false, {}, 0},
        {163, "directionality", TYPE_FLOAT, true, 0.0f, ParamRange{0, 1}, 0},
        {164, "excludeList", TabOf(TYPE_INODE), false, {}, {}, 0},
        {165, "excludeListIncludeMod", TYPE_BOOL, false, false, {}, 0},
        {123, "visibleDirect", TYPE_BOOL, false, true, {}, 0},
        {122, "visibleRefl", TYPE_BOOL, false, true, {}, 0},
        {124, "visibleRefract", TYPE_BOOL, false, true, {}, 0},
        {100, "affectAlpha", TYPE_BOOL, false, true, {}, 0},
        {166, "visibleInMasks", TYPE_BOOL, false, true, {}, 0},
    });
    const ParamDef* excludes = desc->GetParamDef(164);
    EXPECT_TRUE(excludes->flags & P_VARIABLE_SIZE);

    const std::pair<ParamID, const char*> labels[] = {
        {110, "Intensity:"}, {113, "Color:"}, {111, "Texmap:"}, {162, "Emit Light"},
        {161, "Occlude other lights"}, {168, "Emit on both sides"}, {167, "Shadowcatcher illuminator"},
        {163, "Directionality:"}, {123, "Visible directly"}, {122, "Visible in reflections"},
        {124, "Visible in refractions"}, {100, "Visible to alpha channel"}, {166, "Visible in masking elements"},
    };
    for (const auto& [id, label] : labels) EXPECT_EQ(text(desc->GetParamDef(id)->localName), label) << id;

    // Shared with the light object, so worded exactly alike.
    EXPECT_EQ(text(desc->GetParamDef(123)->tooltip), "Makes the light directly visible to the camera.");
    EXPECT_EQ(text(desc->GetParamDef(168)->tooltip),
              "When enabled, the light emits also on the back side. When disabled, it is black on the back side.");
    for (ParamID tipped : {100, 161, 162, 163, 166, 167}) EXPECT_NE(desc->GetParamDef(tipped)->tooltip, 0) << tipped;
}

TEST(MaterialsDataModel, LightMaterialSlots) {
    RefHolder holder(create(LIGHT_MTL_INDEX));
    auto* mtl = static_cast<Nimbal::LightMtl*>(holder.Get());
    ASSERT_EQ(mtl->NumSubTexmaps(), 2);
    EXPECT_EQ(ToUtf8(mtl->GetSubTexmapSlotName(0)), "Texmap");
    EXPECT_EQ(ToUtf8(mtl->GetSubTexmapSlotName(1)), "Opacity");
    EXPECT_EQ(mtl->subTexmapSlots[0].texmapId(), 111);
    EXPECT_EQ(mtl->subTexmapSlots[0].enableId(), 112);
    EXPECT_EQ(mtl->subTexmapSlots[1].texmapId(), 150);
    EXPECT_EQ(mtl->subTexmapSlots[1].enableId(), 151);
    mtl->pblock->SetValue(151, 0, 0);
    EXPECT_EQ(mtl->SubTexmapOn(0), 1);
    EXPECT_EQ(mtl->SubTexmapOn(1), 0);
}

}  // namespace

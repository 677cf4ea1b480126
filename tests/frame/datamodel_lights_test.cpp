// The data models of the area light, the sun, the sky map, the shadow
// generator and the camera modifier. Parameter ids, names, types, defaults
// and ranges are what the renderer reads and what scenes store, so a slip in
// one of them breaks rendering or loading without any other sign.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ClassDescs.h"
#include "Resources.h"
#include "host/Max.h"

namespace Nimbal {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr unsigned LIGHT = 1, SHADOWS = 2, SKY = 4, SUN = 6, CAMERA_MOD = 15;

ReferenceTarget* Create(unsigned index) {
    return static_cast<ReferenceTarget*>(static_cast<Animatable*>(classDescAt(index)->Create(FALSE)));
}

ParamBlockDesc2* DescOf(unsigned index) { return classDescAt(index)->GetParamBlockDesc(0); }

std::string Text(int id) {
    const char* s = findResourceString(id);
    return s ? s : "<missing string " + std::to_string(id) + ">";
}

// ---------------------------------------------------------------------------
// Block headers.

struct Rollout {
    MapID map;
    int dialog;
    const char* title;
};

struct BlockCase {
    unsigned index;
    BlockID id;
    const char* name;
    const char* localName;
    int version;
    bool autoUi;
    std::vector<Rollout> rollouts;
};

const std::vector<BlockCase> kBlocks = {
    {LIGHT, 0, "NimbalLightPb", "Light base paramblock", 0, true, {{0, 1700, "Nimbal Light"}, {1, 1701, "IES"}}},
    {SUN, 0, "NimbalSunPb", "Sun paramblock", 1000, true, {{0, 1706, "Nimbal Sun"}, {1, 1707, "Sun position"}}},
    {SKY, 0, "NimbalSkyPb", "Sky paramblock", 50, true,
     {{0, 1704, "Nimbal Sky Texmap"}, {1, 1705, "Rawafake model parameters"}}},
    // The light's panel shows a shadow type's rollout through its own dialog.
    {SHADOWS, 0, "NimbalShadowsPb", "Shadows paramblock", 0, false, {{0, 1702, "Nimbal Shadows"}}},
    {CAMERA_MOD, 6, "CameraModPb", "Camera modifier paramblock", 0, true, {{0, 1714, "Nimbal Camera Modifier"}}},
};

TEST(DataModelLights, BlockHeadersMatchTheirClasses) {
    for (const BlockCase& c : kBlocks) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(classDescAt(c.index)->NumParamBlockDescs(), 1);
        ParamBlockDesc2* desc = DescOf(c.index);
        ASSERT_NE(desc, nullptr);
        EXPECT_EQ(desc->ID(), c.id);
        EXPECT_STREQ(desc->InternalName(), c.name);
        EXPECT_EQ(Text(desc->LocalName()), c.localName);
        EXPECT_EQ(desc->Owner(), classDescAt(c.index));
        EXPECT_EQ(desc->RefNo(), 0);
        EXPECT_EQ(desc->Version(), c.version);
        // Post-load conversions key on the saved version, so it must be stored.
        EXPECT_EQ((desc->Flags() & P_VERSION) != 0, c.version != 0);
        EXPECT_TRUE(desc->Flags() & P_AUTO_CONSTRUCT);
        EXPECT_EQ((desc->Flags() & P_AUTO_UI) != 0, c.autoUi);
        EXPECT_EQ((desc->Flags() & P_MULTIMAP) != 0, c.rollouts.size() > 1);
        ASSERT_EQ(desc->Rollouts().size(), c.rollouts.size());
        for (size_t r = 0; r < c.rollouts.size(); ++r) {
            const RolloutDesc& got = desc->Rollouts()[r];
            EXPECT_EQ(got.mapId, c.rollouts[r].map);
            EXPECT_EQ(got.dialogId, c.rollouts[r].dialog);
            EXPECT_EQ(Text(got.titleId), c.rollouts[r].title);
            EXPECT_EQ(got.flags & APPENDROLL_CLOSED, 0);
            const DialogResource* dlg = findDialogResource(got.dialogId);
            ASSERT_NE(dlg, nullptr);
            EXPECT_STREQ(dlg->title, c.rollouts[r].title);
        }

        // An instance holds exactly that block as reference 0, and finds it
        // by the block's own id (6 for the camera modifier).
        RefHolder holder(Create(c.index));
        auto* obj = static_cast<ReferenceMaker*>(holder.Get());
        IParamBlock2* pb = obj->GetParamBlock(0);
        ASSERT_NE(pb, nullptr);
        EXPECT_EQ(pb->GetDesc(), desc);
        EXPECT_EQ(pb->ID(), c.id);
        EXPECT_EQ(obj->GetReference(0), pb);
        EXPECT_EQ(obj->GetParamBlockByID(c.id), pb);
    }
}

// ---------------------------------------------------------------------------
// Parameter tables.

enum Kind { FLT, INT, BOOL, COLOR, STR, NONE };

struct Def {
    Kind kind = NONE;
    double num = 0;
    Color color{0, 0, 0};

    static Def F(double v) { return {FLT, v, {}}; }
    static Def I(int v) { return {INT, static_cast<double>(v), {}}; }
    static Def B(bool v) { return {BOOL, v ? 1.0 : 0.0, {}}; }
    static Def C(float r, float g, float b) { return {COLOR, 0, Color(r, g, b)}; }
    static Def S() { return {STR, 0, {}}; }
    static Def None() { return {}; }
};

constexpr int ANIM = P_ANIMATABLE, OBS = P_OBSOLETE, VAR = P_VARIABLE_SIZE;

struct ParamCase {
    ParamID id;
    const char* name;
    int type;
    int flags;
    Def def;
    std::optional<ParamRange> range;
};

struct ClassCase {
    unsigned index;
    const char* what;
    std::vector<ParamCase> params;
};

const ParamRange Unit{0, 1};

const std::vector<ClassCase> kParams = {
    {LIGHT, "light",
     {
         {120, "on", TYPE_BOOL, 0, Def::B(true), {}},
         {121, "shape", TYPE_INT, 0, Def::I(0), ParamRange{0, 3}},
         {122, "visibleDirectly", TYPE_BOOL, 0, Def::B(true), {}},
         {128, "visibleRefl", TYPE_BOOL, 0, Def::B(true), {}},
         {119, "visibleRefr", TYPE_BOOL, 0, Def::B(true), {}},
         {129, "occludeOtherLights", TYPE_BOOL, 0, Def::B(true), {}},
         {130, "color", TYPE_RGBA, ANIM, Def::C(1, 1, 1), {}},
         {131, "intensity", TYPE_FLOAT, ANIM, Def::F(50), ParamRange{0, 999999}},
         {132, "colorMode", TYPE_INT, 0, Def::I(0), ParamRange{0, 2}},
         {136, "intensityUnits", TYPE_INT, 0, Def::I(0), ParamRange{0, 3}},
         {133, "blackbodyTemp", TYPE_FLOAT, ANIM, Def::F(6500), ParamRange{1000, 99999}},
         {134, "excludeList", TabOf(TYPE_INODE), VAR, Def::None(), {}},
         {135, "excludeIncludeMod", TYPE_BOOL, 0, Def::B(false), {}},
         {137, "targeted", TYPE_BOOL, 0, Def::B(false), {}},
         {138, "targetDistance", TYPE_FLOAT, 0, Def::F(100), ParamRange{0, INF}},
         {161, "height", TYPE_WORLD, ANIM, Def::F(10), ParamRange{0, INF}},
         {160, "width", TYPE_WORLD, ANIM, Def::F(10), ParamRange{0, INF}},
         {162, "directionality", TYPE_FLOAT, ANIM, Def::F(0), Unit},
         {163, "segments", TYPE_INT, ANIM, Def::I(16), ParamRange{3, 128}},
         {124, "iesOn", TYPE_BOOL, 0, Def::B(true), {}},
         {125, "iesFile", TYPE_FILENAME, 0, Def::S(), {}},
         {127, "iesSharpnessFake", TYPE_BOOL, 0, Def::B(true), {}},
         {126, "gizmoDisplaySize", TYPE_FLOAT, ANIM, Def::F(1), ParamRange{0, 99}},
         {139, "texmap", TYPE_TEXMAP, 0, Def::None(), {}},
         {140, "shadowcatcherIlluminator", TYPE_BOOL, 0, Def::B(false), {}},
         {141, "twosidedEmission", TYPE_BOOL, 0, Def::B(false), {}},
         {142, "viewportWireframe", TYPE_BOOL, 0, Def::B(false), {}},
     }},
    {SUN, "sun",
     {
         {100, "on", TYPE_BOOL, 0, Def::B(true), {}},
         {105, "visibleDirectly", TYPE_BOOL, 0, Def::B(true), {}},
         {115, "visibleRefl", TYPE_BOOL, 0, Def::B(true), {}},
         {116, "visibleRefr", TYPE_BOOL, 0, Def::B(true), {}},
         {101, "intensity", TYPE_FLOAT, ANIM, Def::F(1), ParamRange{0, 9999}},
         {107, "colorMode", TYPE_INT, 0, Def::I(2), ParamRange{0, 2}},
         {108, "colorDirect", TYPE_RGBA, ANIM, Def::C(1.0f, 0.95f, 0.9f), {}},
         {109, "blackbodyTemperature", TYPE_FLOAT, ANIM, Def::F(6500), ParamRange{1000, 99999}},
         {104, "sizeMultiplier", TYPE_FLOAT, ANIM, Def::F(1), ParamRange{0.1, 64}},
         {106, "displaySize", TYPE_FLOAT, ANIM, Def::F(10), ParamRange{0.001, INF}},
         {112, "isStandalone", TYPE_BOOL, 0, Def::B(false), {}},
         {113, "separateSampling", TYPE_BOOL, 0, Def::B(true), {}},
         {114, "textured", TYPE_BOOL, 0, Def::B(false), {}},
         {117, "excludeList", TabOf(TYPE_INODE), VAR, Def::None(), {}},
         {118, "excludeListIncludeMod", TYPE_BOOL, 0, Def::B(false), {}},
         // Radians, as stored: 45 degrees, range 0-90 degrees.
         {102, "sunRotation", TYPE_ANGLE, ANIM, Def::F(0), ParamRange{-INF, INF}},
         {103, "height", TYPE_ANGLE, ANIM, Def::F(0.7853981634), ParamRange{0, 1.5707963268}},
     }},
    {SKY, "sky",
     {
         {107, "skyModel", TYPE_INT, 0, Def::I(2), {}},
         {102, "intensityMultiplier", TYPE_FLOAT, ANIM, Def::F(1), ParamRange{0, 1000}},
         {101, "turbidity", TYPE_FLOAT, ANIM, Def::F(2.5), ParamRange{1.7, 10}},
         {103, "groundColor", TYPE_RGBA, ANIM, Def::C(0.2f, 0.2f, 0.2f), {}},
         {104, "horizonBlur", TYPE_FLOAT, ANIM, Def::F(0.1), ParamRange{0.00001, 1}},
         {105, "deletedParam", TYPE_FLOAT, OBS, Def::F(0), {}},
         {106, "deletedParam", TYPE_FLOAT, OBS, Def::F(0), {}},
         {108, "affectGround", TYPE_BOOL, 0, Def::B(true), {}},
         {302, "rawafakeZenithColor", TYPE_RGBA, ANIM, Def::C(16 / 255.0f, 59 / 255.0f, 132 / 255.0f), {}},
         {301, "rawafakeHorizonColor", TYPE_RGBA, ANIM, Def::C(73 / 255.0f, 115 / 255.0f, 139 / 255.0f), {}},
         {303, "rawafakeSundiskAmount", TYPE_FLOAT, ANIM, Def::F(1), Unit},
         {304, "rawafakeSunsideAmount", TYPE_FLOAT, ANIM, Def::F(0.2), Unit},
         {306, "rawafakeSunbleedAmount", TYPE_FLOAT, ANIM, Def::F(1), Unit},
         {307, "rawafakeSunFalloff", TYPE_FLOAT, ANIM, Def::F(3), ParamRange{0.1, 10}},
     }},
    {SHADOWS, "shadows",
     {
         {101, "areaShadows", TYPE_BOOL, ANIM, Def::B(false), {}},
         {100, "areaRadius", TYPE_WORLD, ANIM, Def::F(10), ParamRange{0.0001, INF}},
         {102, "samples", TYPE_INT, ANIM, Def::I(10), ParamRange{1, 999}},
     }},
    {CAMERA_MOD, "camera modifier",
     {
         {200, "typeOverride", TYPE_INT, ANIM, Def::I(2), ParamRange{2, 3}},
         {201, "useTypeOverride", TYPE_BOOL, ANIM, Def::B(false), {}},
         {203, "fStop", TYPE_FLOAT, ANIM, Def::F(16), ParamRange{0.01, 50}},
         {204, "sensorWidth", TYPE_FLOAT, ANIM, Def::F(35), ParamRange{0.001, 999999}},
         {202, "iso", TYPE_FLOAT, ANIM, Def::F(100), ParamRange{0.00001, INF}},
         {100, "removedParam", TYPE_BOOL, OBS, Def::B(false), {}},
         {101, "useOverrideFocus", TYPE_BOOL, ANIM, Def::B(false), {}},
         {102, "overrideFocusDistance", TYPE_WORLD, ANIM, Def::F(100), ParamRange{0.001, INF}},
         {206, "shutterSpeed", TYPE_FLOAT, ANIM, Def::F(50), ParamRange{0.001, 99999}},
         {207, "cylinderHeight", TYPE_FLOAT, ANIM, Def::F(2), ParamRange{0.001, 99999}},
         {208, "removedParam", TYPE_BOOL, OBS, Def::B(false), {}},
         {211, "highlightCompression", TYPE_FLOAT, ANIM, Def::F(1), ParamRange{0.01, 999}},
         {213, "contrast", TYPE_FLOAT, ANIM, Def::F(1), ParamRange{1, 99}},
         {214, "whiteBalance", TYPE_FLOAT, ANIM, Def::F(6500), ParamRange{1000, 99999}},
         {215, "simpleExposure", TYPE_FLOAT, ANIM, Def::F(0), ParamRange{-20, 20}},
         {212, "colorTint", TYPE_RGBA, ANIM, Def::C(1, 1, 1), {}},
         {216, "overrideToneMapping", TYPE_BOOL, ANIM, Def::B(false), {}},
         {217, "overrideDofOff", TYPE_BOOL, ANIM, Def::B(false), {}},
     }},
};

void ExpectDefault(const ParamDef& d, const Def& want) {
    switch (want.kind) {
    case FLT:
        ASSERT_TRUE(IsFloatType(d.type));
        EXPECT_NEAR(d.def.f, want.num, 1e-6 * std::max(1.0, std::fabs(want.num)));
        break;
    case INT:
    case BOOL:
        ASSERT_TRUE(IsIntType(d.type));
        EXPECT_EQ(d.def.i, static_cast<int>(want.num));
        break;
    case COLOR:
        ASSERT_TRUE(IsPoint3Type(d.type));
        EXPECT_FLOAT_EQ(d.def.p.x, want.color.r);
        EXPECT_FLOAT_EQ(d.def.p.y, want.color.g);
        EXPECT_FLOAT_EQ(d.def.p.z, want.color.b);
        break;
    case STR:
        EXPECT_TRUE(d.def.s.empty());
        break;
    case NONE:
        EXPECT_EQ(d.def.r, nullptr);
        break;
    }
}

void ExpectRange(const ParamDef& d, const std::optional<ParamRange>& want) {
    ASSERT_EQ(d.range.has_value(), want.has_value());
    if (!want) return;
    for (auto [got, exp] : {std::pair{d.range->low, want->low}, std::pair{d.range->high, want->high}}) {
        if (std::isinf(exp)) {
            EXPECT_EQ(got, exp);
        } else {
            EXPECT_NEAR(got, exp, 1e-7 * std::max(1.0, std::fabs(exp)));
        }
    }
}

TEST(DataModelLights, ParametersMatchTheTables) {
    for (const ClassCase& c : kParams) {
        SCOPED_TRACE(c.what);
        ParamBlockDesc2* desc = DescOf(c.index);
        ASSERT_NE(desc, nullptr);
        // Declaration order is kept as listed; nothing more, nothing less.
        ASSERT_EQ(desc->Count(), static_cast<int>(c.params.size()));
        for (size_t i = 0; i < c.params.size(); ++i) {
            const ParamCase& p = c.params[i];
            SCOPED_TRACE(p.id);
            const ParamDef& d = desc->GetParamDefByIndex(static_cast<int>(i));
            EXPECT_EQ(d.id, p.id);
            EXPECT_STREQ(d.name, p.name);
            EXPECT_EQ(d.type, p.type);
            EXPECT_EQ(d.flags & (P_ANIMATABLE | P_OBSOLETE | P_VARIABLE_SIZE), p.flags);
            ExpectDefault(d, p.def);
            ExpectRange(d, p.range);
        }
    }
}

TEST(DataModelLights, ParameterIdsAreUniquePerBlock) {
    for (const ClassCase& c : kParams) {
        SCOPED_TRACE(c.what);
        ParamBlockDesc2* desc = DescOf(c.index);
        std::set<ParamID> seen;
        for (int i = 0; i < desc->Count(); ++i) EXPECT_TRUE(seen.insert(desc->IndextoID(i)).second);
    }
    // The light's gap stays a gap: scenes never held a parameter 123.
    EXPECT_EQ(DescOf(LIGHT)->GetParamDef(123), nullptr);
}

// A new object starts from the block defaults, except where a class sets its
// own construction-time value; a reset goes back to the block defaults.
TEST(DataModelLights, NewObjectsStartFromTheirDefaults) {
    for (const ClassCase& c : kParams) {
        SCOPED_TRACE(c.what);
        RefHolder holder(Create(c.index));
        IParamBlock2* pb = static_cast<ReferenceMaker*>(holder.Get())->GetParamBlock(0);
        for (const ParamCase& p : c.params) {
            if (c.index == SUN && p.id == 106) continue;
            SCOPED_TRACE(p.id);
            const ParamDef* d = pb->GetParamDef(p.id);
            ASSERT_NE(d, nullptr);
            if (IsTab(d->type)) {
                EXPECT_EQ(pb->Count(p.id), 0);
            } else if (IsFloatType(d->type)) {
                EXPECT_EQ(pb->GetFloat(p.id), d->def.f);
            } else if (IsIntType(d->type)) {
                EXPECT_EQ(pb->GetInt(p.id), d->def.i);
            } else if (IsPoint3Type(d->type)) {
                EXPECT_EQ(pb->GetColor(p.id), Color(d->def.p.x, d->def.p.y, d->def.p.z));
            }
        }
    }
}

TEST(DataModelLights, NewSunIsSmallerThanItsBlockDefault) {
    RefHolder holder(Create(SUN));
    IParamBlock2* pb = static_cast<ReferenceMaker*>(holder.Get())->GetParamBlock(0);
    EXPECT_FLOAT_EQ(pb->GetFloat(106), 2.0f);
    EXPECT_EQ(pb->GetInt(112), 0);
    // Loading and resetting go by the block default.
    pb->ResetAll(FALSE, FALSE);
    EXPECT_FLOAT_EQ(pb->GetFloat(106), 10.0f);
}

// ---------------------------------------------------------------------------
// Choices: the stored value of each item, in display order.

struct Item {
    const char* label;
    int value;
};

struct ChoiceCase {
    unsigned index;
    ParamID id;
    ControlType2 kind;
    std::vector<Item> items;
};

const std::vector<ChoiceCase> kChoices = {
    {LIGHT, 121, TYPE_INT_COMBOBOX, {{"Sphere", 0}, {"Rectangle", 1}, {"Disk", 2}, {"Cylinder", 3}}},
    {LIGHT, 132, TYPE_RADIO, {{"Direct input:", 0}, {"Kelvin temp:", 1}, {"Texmap:", 2}}},
    // The list position is not the stored value.
    {LIGHT, 136, TYPE_INT_COMBOBOX,
     {{"Default: W/(sr.m^2)", 0}, {"Candela (cd)", 2}, {"Lumen (lm)", 1}, {"Lux (lx)", 3}}},
    {SUN, 107, TYPE_RADIO, {{"Direct input", 0}, {"Kelvin temp", 1}, {"Realistic", 2}}},
    {SKY, 107, TYPE_INT_COMBOBOX, {{"Preetham et.al.", 0}, {"Rawa-fake", 1}, {"Hosek&Wilkie", 2}}},
    {CAMERA_MOD, 200, TYPE_RADIO, {{"Spherical", 2}, {"Cylindrical", 3}}},
};

TEST(DataModelLights, ChoicesStoreTheirValues) {
    for (const ChoiceCase& c : kChoices) {
        const ParamDef* d = DescOf(c.index)->GetParamDef(c.id);
        ASSERT_NE(d, nullptr);
        SCOPED_TRACE(d->name);
        EXPECT_EQ(d->ui.kind, c.kind);
        ASSERT_EQ(d->ui.items.size(), c.items.size());
        for (size_t i = 0; i < c.items.size(); ++i) {
            EXPECT_EQ(Text(d->ui.items[i].labelId), c.items[i].label);
            EXPECT_EQ(d->ui.items[i].value, c.items[i].value);
            EXPECT_TRUE(d->IsControlValue(c.items[i].value));
            if (d->range) {
                EXPECT_GE(c.items[i].value, d->range->low);
                EXPECT_LE(c.items[i].value, d->range->high);
            }
        }
        if (c.kind == TYPE_RADIO) {
            EXPECT_EQ(d->ui.ctrlIds.size(), c.items.size());
        }
    }
    EXPECT_FALSE(DescOf(CAMERA_MOD)->GetParamDef(200)->IsControlValue(0));
}

// ---------------------------------------------------------------------------
// User interface wiring: every text resolves, every control is in its
// rollout's template, every parameter with a control is on an existing map.

const std::vector<unsigned> kClasses = {LIGHT, SUN, SKY, SHADOWS, CAMERA_MOD};

TEST(DataModelLights, ControlsAndTextsAreWired) {
    for (unsigned index : kClasses) {
        ParamBlockDesc2* desc = DescOf(index);
        SCOPED_TRACE(desc->InternalName());
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& d = desc->GetParamDefByIndex(i);
            SCOPED_TRACE(d.name);
            for (int id : {d.localName, d.tooltip, d.fileTypes}) {
                if (id) {
                    EXPECT_NE(findResourceString(id), nullptr) << id;
                }
            }
            for (const ParamUiItem& item : d.ui.items) EXPECT_NE(findResourceString(item.labelId), nullptr);
            if (d.ui.kind == TYPE_NONE) continue;
            auto rollout = std::find_if(desc->Rollouts().begin(), desc->Rollouts().end(),
                                        [&](const RolloutDesc& r) { return r.mapId == d.map; });
            ASSERT_NE(rollout, desc->Rollouts().end());
            const DialogResource* dlg = findDialogResource(rollout->dialogId);
            ASSERT_NE(dlg, nullptr);
            // The first id is the visible control; spinners add their arrows.
            const int shown = d.ui.ctrlIds.at(0);
            EXPECT_TRUE(std::any_of(dlg->controls.begin(), dlg->controls.end(),
                                    [&](const ControlResource& c) { return c.id == shown; }))
                << "control " << shown << " not in template " << dlg->id;
            if (d.ui.kind == TYPE_RADIO) {
                for (int ctrl : d.ui.ctrlIds)
                    EXPECT_TRUE(std::any_of(dlg->controls.begin(), dlg->controls.end(),
                                            [&](const ControlResource& c) { return c.id == ctrl; }));
            }
        }
    }
}

TEST(DataModelLights, LightDetailsTheRendererAndHostRelyOn) {
    ParamBlockDesc2* desc = DescOf(LIGHT);
    const ParamDef* file = desc->GetParamDef(125);
    EXPECT_EQ(file->ui.kind, TYPE_FILEOPENBUTTON);
    EXPECT_EQ(Text(file->fileTypes), "IES files (*.ies)|*.ies|");
    EXPECT_EQ(file->assetType, 3);
    // The IES controls live in the second rollout, everything else in the first.
    for (ParamID id : {124, 125, 127}) EXPECT_EQ(desc->GetParamDef(id)->map, 1) << id;
    for (ParamID id : {120, 121, 130, 131, 136, 160, 161, 126, 142}) EXPECT_EQ(desc->GetParamDef(id)->map, 0) << id;
    EXPECT_EQ(Text(desc->GetParamDef(135)->localName), "excludeIncludeMode");
    EXPECT_EQ(Text(desc->GetParamDef(160)->localName), "Width/radius:");
    EXPECT_EQ(desc->GetParamDef(160)->dim, DIM_WORLD);
    EXPECT_EQ(Text(desc->GetParamDef(122)->tooltip), "Makes the light directly visible to the camera.");
    for (ParamID id : {129, 136, 162, 163, 127, 126, 140, 141, 142})
        EXPECT_NE(desc->GetParamDef(id)->tooltip, 0) << id;
    // The intensity-units tooltip quotes the renderer's own term.
    EXPECT_NE(Text(desc->GetParamDef(136)->tooltip).find("\"image units\""), std::string::npos);

    // The main rollout carries the five groups and the exclude button.
    const DialogResource* main = findDialogResource(1700);
    ASSERT_NE(main, nullptr);
    std::vector<std::string> groups;
    bool excludeButton = false;
    for (const ControlResource& c : main->controls) {
        if (std::string(c.kind) == "group") groups.push_back(c.text);
        if (std::string(c.text) == "Include/Exclude...") excludeButton = true;
    }
    EXPECT_EQ(groups, (std::vector<std::string>{"Intensity", "Color", "Shape", "Visibility", "Viewport"}));
    EXPECT_TRUE(excludeButton);
}

TEST(DataModelLights, SunAnglesAreShownInDegreesAndStoredInRadians) {
    ParamBlockDesc2* desc = DescOf(SUN);
    for (ParamID id : {102, 103}) {
        const ParamDef* d = desc->GetParamDef(id);
        EXPECT_EQ(d->type, TYPE_ANGLE);
        EXPECT_EQ(d->dim, DIM_ANGLE);
        EXPECT_EQ(d->map, 1);
    }
    EXPECT_EQ(Text(desc->GetParamDef(102)->localName), "Rotation [deg]:");
    EXPECT_EQ(Text(desc->GetParamDef(103)->localName), "Angle [deg]:");
}

TEST(DataModelLights, SkyRowsAndSlots) {
    ParamBlockDesc2* desc = DescOf(SKY);
    // The side glow is on the "Sun colorbleed:" row and the colour bleed on
    // the "Sunside glow:" row.
    EXPECT_EQ(Text(desc->GetParamDef(304)->localName), "Sun colorbleed:");
    EXPECT_EQ(Text(desc->GetParamDef(306)->localName), "Sunside glow:");
    for (ParamID id : {301, 302, 303, 304, 306, 307}) EXPECT_EQ(desc->GetParamDef(id)->map, 1) << id;
    for (ParamID id : {107, 102, 101, 103, 104, 108}) EXPECT_EQ(desc->GetParamDef(id)->map, 0) << id;
    for (ParamID id : {105, 106}) EXPECT_EQ(desc->GetParamDef(id)->ui.kind, TYPE_NONE) << id;

    // The sky takes no sub-maps.
    RefHolder holder(Create(SKY));
    EXPECT_EQ(dynamic_cast<Texmap*>(holder.Get())->NumSubTexmaps(), 0);
}

TEST(DataModelLights, CameraModifierNamesInDeclarationOrder) {
    const char* const names[] = {"overrideType", "useOverrideType", "fStop", "sensorWidth", "iso", "removedParam",
                                 "useOverrideFocus", "overrideFocusDistance", "shutterSpeed",
                                 "cylindricalCameraHeight", "removedParam", "highlightCompression", "contrast",
                                 "whiteBalance", "exposureEv", "colorTint", "toneMapping_enableOverride",
                                 "forceDofOffInThisView"};
    ParamBlockDesc2* desc = DescOf(CAMERA_MOD);
    ASSERT_EQ(desc->Count(), static_cast<int>(std::size(names)));
    for (int i = 0; i < desc->Count(); ++i) EXPECT_EQ(Text(desc->GetParamDefByIndex(i).localName), names[i]) << i;
    EXPECT_EQ(desc->GetParamDef(102)->dim, DIM_WORLD);
    EXPECT_EQ(Text(desc->GetParamDef(201)->tooltip), "Overrides the camera type with a special projection type");
    EXPECT_NE(desc->GetParamDef(216)->tooltip, 0);
}

TEST(DataModelLights, ShadowNamesAndTooltips) {
    ParamBlockDesc2* desc = DescOf(SHADOWS);
    const std::pair<ParamID, const char*> names[] = {{101, "useAreaShadows"}, {100, "areaRadius"}, {102, "areaSamples"}};
    for (auto [id, name] : names) EXPECT_EQ(Text(desc->GetParamDef(id)->localName), name);
    EXPECT_EQ(desc->GetParamDef(100)->dim, DIM_WORLD);
    EXPECT_NE(desc->GetParamDef(101)->tooltip, 0);
    EXPECT_NE(desc->GetParamDef(102)->tooltip, 0);
    EXPECT_EQ(desc->GetParamDef(100)->tooltip, 0);
}

}  // namespace
}  // namespace Nimbal

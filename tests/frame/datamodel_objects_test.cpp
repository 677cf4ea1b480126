// The stored-data contract of the proxy, the scatter, the fractal object and
// map and the portal, ray-switch, shadow-catcher and volume materials: the
// renderer reads these parameters by id and scenes store them by id, so a
// wrong id, type, default or range silently breaks renders and old scenes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "ClassDescs.h"
#include "RaySwitchMtl/RaySwitchMtl.h"
#include "Resources.h"
#include "core-interface/Exception.h"
#include "host/Max.h"

namespace Nimbal {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// Registry indices of the classes under test.
enum : unsigned {
    FRACTAL_OBJECT = 3,
    VOLUME_MTL = 8,
    SCATTER = 9,
    PROXY = 10,
    PORTAL_MTL = 17,
    RAY_SWITCH_MTL = 21,
    SHADOW_CATCHER_MTL = 22,
    FRACTAL_TEX = 24,
};
const unsigned kClasses[] = {FRACTAL_OBJECT, VOLUME_MTL, SCATTER, PROXY, PORTAL_MTL, RAY_SWITCH_MTL, SHADOW_CATCHER_MTL,
                             FRACTAL_TEX};

// A default as the tables give it.
struct Def {
    enum Kind { NONE, FLOAT, INT, POINT, TEXT } kind = NONE;
    float f = 0.0f;
    int i = 0;
    Point3 p{0.0f, 0.0f, 0.0f};
};
Def F(float v) { return {Def::FLOAT, v, 0, {}}; }
Def I(int v) { return {Def::INT, 0.0f, v, {}}; }
Def B(bool v) { return I(v ? 1 : 0); }
Def P(float x, float y, float z) { return {Def::POINT, 0.0f, 0, Point3(x, y, z)}; }
Def EMPTY_TEXT() { return {Def::TEXT, 0.0f, 0, {}}; }
const Def NONE{};

constexpr int A = P_ANIMATABLE;
constexpr int VAR = P_VARIABLE_SIZE;
constexpr int OLD = P_OBSOLETE;

struct Param {
    ParamID id;
    const char* name;
    int type;
    int flags;  // animatable, variable size, obsolete, invisible
    Def def;
    std::optional<ParamRange> range;
    const char* label;  // text of the local name; null where none is declared
    MapID map = 0;
    ParamDim dim = DIM_NONE;
};

struct Rollout {
    MapID map;
    int dialog;
    const char* title;
};

struct Block {
    unsigned index;
    const char* name;
    const char* localName;
    int flags;
    int version;
    std::vector<Rollout> rollouts;
    std::vector<Param> params;
};

constexpr int AUTO = P_AUTO_CONSTRUCT | P_AUTO_UI;

Param Removed(ParamID id, int type) { return {id, "removedParam", type, OLD, NONE, std::nullopt, "removedParam"}; }

std::vector<Block> Blocks() {
    std::vector<Block> blocks{
        {PROXY, "NimbalProxyPb", "Proxy paramblock", AUTO | P_VERSION, 548, {{0, 1712, "Nimbal Proxy"}},
         {
             {0, "filename", TYPE_FILENAME, 0, EMPTY_TEXT(), std::nullopt, "filename"},
             {1, "cacheInRam", TYPE_BOOL, 0, B(true), std::nullopt, "cacheInRam"},
             {2, "previzType", TYPE_INT, 0, I(1), ParamRange{0, 3}, "viewportVisualizationMethod"},
             {3, "pointcloudDensity", TYPE_FLOAT, 0, F(0.05f), ParamRange{0, 100}, "pointCloudDisplayed", 0, DIM_PERCENT},
             {4, "viewportIconSize", TYPE_FLOAT, 0, F(1.0f), ParamRange{0.001, INF}, "viewportIconSize"},
         }},
        {SCATTER, "NimbalScatterPb", "Scatter paramblock", AUTO | P_MULTIMAP | P_VERSION, 1236,
         {{0, 1708, "Objects"}, {1, 1709, "Scattering"}, {2, 1710, "Transformations"}, {3, 1711, "Display"}},
         {
             {101, "distributionObjects", TabOf(TYPE_INODE), VAR, NONE, std::nullopt, nullptr, 0},
             {102, "distributionObjectsDensity", TabOf(TYPE_FLOAT), VAR | A, F(1.0f), ParamRange{0, INF}, nullptr, 0},
             {103, "scatteredObjects", TabOf(TYPE_INODE), VAR, NONE, std::nullopt, nullptr, 0},
             {104, "scatteredObjectsFrequency", TabOf(TYPE_FLOAT), VAR | A, F(1.0f), ParamRange{0, INF}, nullptr, 0},
             {105, "distributionObjectDensityMap", TYPE_TEXMAP, 0, NONE, std::nullopt, nullptr, 1},
             {106, "Scale Map X", TYPE_TEXMAP, 0, NONE, std::nullopt, nullptr, 2},
             {107, "Scale Map Y", TYPE_TEXMAP, 0, NONE, std::nullopt, nullptr, 2},
             {108, "Scale Map Z", TYPE_TEXMAP, 0, NONE, std::nullopt, nullptr, 2},
             {201, "count", TYPE_INT, A, I(10), ParamRange{1, 1000000000}, nullptr, 1},
             {202, "seed", TYPE_INT, A, I(1), ParamRange{1, 31337}, nullptr, 1},
             {203, "randomType", TYPE_INT, A, I(1), ParamRange{0, 1}, nullptr, 1},
             {204, "scatterType", TYPE_INT, A, I(66), ParamRange{66, 67}, nullptr, 1},
             {205, "Collision Detect", TYPE_BOOL, 0, B(false), std::nullopt, nullptr, 1},
             {321, "alignNormals", TYPE_BOOL, A, B(true), std::nullopt, nullptr, 2},
             {405, "translateMin", TYPE_POINT3, A, P(0, 0, 0), ParamRange{-INF, INF}, nullptr, 2, DIM_WORLD},
             {406, "translateMax", TYPE_POINT3, A, P(0, 0, 0), ParamRange{-INF, INF}, nullptr, 2, DIM_WORLD},
             {407, "rotateMin", TYPE_POINT3, A, P(0, 0, 0), ParamRange{-INF, INF}, nullptr, 2, DIM_ANGLE},
             {408, "rotateMax", TYPE_POINT3, A, P(0, 0, 0), ParamRange{-INF, INF}, nullptr, 2, DIM_ANGLE},
             {409, "scaleMin", TYPE_POINT3, A, P(1, 1, 1), ParamRange{-INF, INF}, nullptr, 2, DIM_PERCENT},
             {410, "scaleMax", TYPE_POINT3, A, P(1, 1, 1), ParamRange{-INF, INF}, nullptr, 2, DIM_PERCENT},
             {411, "Uniform Scaling", TYPE_BOOL, 0, B(true), std::nullopt, nullptr, 2},
             {401, "previzType", TYPE_INT, A, I(3), ParamRange{0, 4}, nullptr, 3},
             {402, "displayedFraction", TYPE_FLOAT, A, F(100.0f), ParamRange{0, 100}, nullptr, 3},
             {404, "iconSize", TYPE_FLOAT, A, F(1.0f), ParamRange{0.0001, INF}, nullptr, 3},
             {412, "lastRenderCamera", TYPE_POINT3, A, P(NaN, NaN, NaN), std::nullopt, nullptr, 0},
         }},
        {FRACTAL_OBJECT, "NimbalFractalPb", "Fractal paramblock", AUTO, 0, {{0, 1703, "Nimbal Volume Fractal"}},
         {
             {120, "mandelbulbFormulaPower", TYPE_INT, A, I(8), ParamRange{1, 999}, "mandelbulbFormulaPower"},
             {121, "raymarchingSteps", TYPE_INT, A, I(400), ParamRange{10, 10000}, "raymarchingSteps"},
             {122, "iterationSteps", TYPE_INT, A, I(10), ParamRange{1, 200}, "iterationSteps"},
             {123, "precisionSteps", TYPE_INT, A, I(1), ParamRange{1, 10}, "precisionSteps"},
             {124, "cdgEpsilon", TYPE_FLOAT, A, F(0.25f), ParamRange{0.001, 10}, "cdgEpsilon"},
             {125, "valueAdaptivity", TYPE_FLOAT, A, F(10.0f), ParamRange{1, 100}, "valueAdaptivity"},
             {126, "previzType", TYPE_INT, A, I(0), ParamRange{1, 1}, "previzType"},
             {127, "pointPrevizCount", TYPE_INT, A, I(1), ParamRange{1, 1000}, "pointCloudPrevizPoints"},
             {128, "previzResolution", TYPE_INT, A, I(-4), ParamRange{-10, 0}, "fullvizResolutionMult"},
             {129, "fractalType", TYPE_INT, A, I(0), ParamRange{0, 1}, "fractalType"},
             {130, "boxS", TYPE_FLOAT, A, F(2.0f), ParamRange{-INF, INF}, "mandelboxS"},
             {131, "boxR", TYPE_FLOAT, A, F(0.5f), ParamRange{-INF, INF}, "mandelboxR"},
             {132, "boxF", TYPE_FLOAT, A, F(1.0f), ParamRange{-INF, INF}, "mandelboxF"},
             {133, "texmap", TYPE_TEXMAP, 0, NONE, std::nullopt, "texmap"},
         }},
        {FRACTAL_TEX, "NimbalFractalMapPb", "Fractal map paramblock", AUTO, 0, {{0, 1715, "Nimbal Fractal Map"}},
         {
             {666, "uvGen", TYPE_REFTARG, 0, NONE, std::nullopt, "uvgen"},
             {0, "type", TYPE_INT, A, I(0), ParamRange{0, 2}, "type"},
             {1, "iterations", TYPE_INT, A, I(100), ParamRange{1, 999}, "iterations"},
             {2, "power", TYPE_FLOAT, A, F(2.0f), ParamRange{-99, 99}, "mandelbrotPowerFactor"},
             {3, "mandelrectS", TYPE_FLOAT, A, F(2.0f), ParamRange{-99, 99}, "mandelrectS"},
             {4, "mandelrectR", TYPE_FLOAT, A, F(0.5f), ParamRange{0.001, 1.0}, "mandelrectR"},
             {5, "mandelrectF", TYPE_FLOAT, A, F(1.0f), ParamRange{0.1, 10}, "mandelrectF"},
             {6, "juliaRealConstant", TYPE_FLOAT, A, F(-0.74543f), ParamRange{-2, 2}, "juliaReal"},
             {7, "juliaImaginaryConstant", TYPE_FLOAT, A, F(-0.11301f), ParamRange{-2, 2}, "juliaImaginary"},
         }},
        {PORTAL_MTL, "NimbalPortalMtlPb", "Portal mtl paramblock", AUTO, 0, {{0, 1491, "Nimbal Portal Material"}}, {}},
        {RAY_SWITCH_MTL, "RaySwitchMtlPb", "Rayswitchermtlpb", AUTO, 0, {{0, 1493, "Nimbal Ray Switcher Material"}},
         {
             {1600, "giMtl", TYPE_MTL, 0, NONE, std::nullopt, "globalIlluminationMtl"},
             {1601, "reflectMtl", TYPE_MTL, 0, NONE, std::nullopt, "reflectionMtl"},
             {1602, "refractMtl", TYPE_MTL, 0, NONE, std::nullopt, "refractionMtl"},
             {1603, "directMtl", TYPE_MTL, 0, NONE, std::nullopt, "directlyVisibleMtl"},
             {1604, "displacementSource", TYPE_INT, 0, I(0), ParamRange{0, 3}, "displacementFrom"},
         }},
        {SHADOW_CATCHER_MTL, "ShadowCatcherPb", "Shadow catcher mtl paramblock", AUTO, 0,
         {{0, 1507, "Nimbal Shadow Catcher Material"}},
         {
             {301, "backplateColor", TYPE_RGBA, A, P(0.5f, 0.5f, 0.5f), std::nullopt, "enviroBackplateColor"},
             {302, "backplateTexmap", TYPE_TEXMAP, 0, NONE, std::nullopt, "enviroBackplateTexmap"},
             {307, "colorReflect", TYPE_RGBA, A, P(1, 1, 1), std::nullopt, "reflectionColor"},
             {304, "shadowAmount", TYPE_FLOAT, A, F(1.0f), ParamRange{0.1, 10}, "shadowAmount"},
             {306, "reflectLevel", TYPE_FLOAT, A, F(0.0f), ParamRange{0, 1}, "reflectionLevel"},
             {308, "reflectIor", TYPE_FLOAT, A, F(1.52f), ParamRange{1, 999}, "reflectionFresnelIor"},
             {309, "reflectGlossiness", TYPE_FLOAT, A, F(0.5f), ParamRange{0, 1}, "reflectionGlossiness"},
             {303, "alphaMode", TYPE_INT, 0, I(1), ParamRange{1, 2}, "alphaMode"},
             {350, "ofscreenMap", TYPE_TEXMAP, 0, NONE, std::nullopt, "offscreenTexmap"},
             {310, "projectionMode", TYPE_INT, 0, I(0), std::nullopt, "projectionMode"},
             {311, "preserveAspectRatio", TYPE_BOOL, 0, B(false), std::nullopt, "preserveAspectRatio"},
             {312, "useEnviroOffscreen", TYPE_BOOL, 0, B(true), std::nullopt, "useEnviroForOffScreenRays"},
             {313, "offscreenColor", TYPE_RGBA, A, P(1, 1, 1), std::nullopt, "offScreenColor"},
             {351, "fresnelIorTexmap", TYPE_TEXMAP, 0, NONE, std::nullopt, "reflectionFresnelIorTexmap"},
             {352, "reflectGlossinessTexmap", TYPE_TEXMAP, 0, NONE, std::nullopt, "reflectionGlossinessTexmap"},
             {353, "bump", TYPE_TEXMAP, 0, NONE, std::nullopt, "bumpTexmap"},
             {354, "reflectColorTexmap", TYPE_TEXMAP, 0, NONE, std::nullopt, "reflectionColorTexmap"},
             {355, "bumpAmount", TYPE_FLOAT, A, F(1.0f), ParamRange{0, 999}, "bumpAmount"},
             {356, "projectReflectionMaps", TYPE_BOOL, 0, B(true), std::nullopt, "useMatteProjectionMode"},
         }},
        {VOLUME_MTL, "VolumeMtlPb", "VOlumeMtl paramblock", AUTO | P_VERSION, 47346,
         {{0, 1505, "Nimbal Volumetric Material"}},
         {
             {202, "emissionColor", TYPE_RGBA, 0, P(1, 1, 1), std::nullopt, "emissionColor"},
             {201, "emissionDist", TYPE_WORLD, 0, F(0.0f), ParamRange{0, INF}, "emissionDistance", 0, DIM_WORLD},
             {102, "absorptionColor", TYPE_RGBA, 0, P(0.5f, 0.5f, 0.5f), std::nullopt, "absorptionColor"},
             {101, "absorptionDist", TYPE_WORLD, 0, F(0.0f), ParamRange{0, INF}, "absorptionDistance", 0, DIM_WORLD},
             {203, "scatteringColor", TYPE_RGBA, 0, P(0, 0, 0), std::nullopt, "scatteringColor"},
             {204, "scatteringDirectionality", TYPE_FLOAT, 0, F(0.0f), ParamRange{-0.999, 0.999},
              "scatteringDirectionality"},
             {206, "absorptionColorTexmap", TYPE_TEXMAP, 0, NONE, std::nullopt, "absorptionColorTexmap"},
             {205, "scatteringColorTexmap", TYPE_TEXMAP, 0, NONE, std::nullopt, "scatteringColorTexmap"},
             {208, "absorptionColorTexmapOn", TYPE_BOOL, 0, B(true), std::nullopt, "absorptionColorTexmapOn"},
             {207, "scatteringColorTexmapOn", TYPE_BOOL, 0, B(true), std::nullopt, "scatteringColorTexmapOn"},
             {209, "singleBounce", TYPE_BOOL, 0, B(false), std::nullopt, "singleBounceOnly"},
         }},
    };
    // The scatter's retired per-axis parameters: what the conversion of old
    // scenes reads, with the types they were saved with.
    Block& scatter = *std::find_if(blocks.begin(), blocks.end(), [](const Block& b) { return b.index == SCATTER; });
    for (ParamID id = 301; id <= 320; ++id) {
        const bool world = (id >= 301 && id <= 303) || (id >= 311 && id <= 313);
        scatter.params.push_back(Removed(id, world ? TYPE_WORLD : TYPE_FLOAT));
    }
    scatter.params.push_back(Removed(403, TYPE_BOOL));
    return blocks;
}

ReferenceTarget* Create(unsigned index) {
    return static_cast<ReferenceTarget*>(static_cast<Animatable*>(classDescAt(index)->Create(FALSE)));
}

ParamBlockDesc2* DescOf(unsigned index) { return classDescAt(index)->GetParamBlockDesc(0); }

std::string Text(int id) {
    const char* s = findResourceString(id);
    return s ? s : "<no string " + std::to_string(id) + ">";
}

void ExpectRange(const std::optional<ParamRange>& got, const std::optional<ParamRange>& want) {
    ASSERT_EQ(got.has_value(), want.has_value());
    if (!want) return;
    EXPECT_EQ(got->low, want->low);
    EXPECT_EQ(got->high, want->high);
}

void ExpectPoint(const Point3& got, const Point3& want) {
    for (int k = 0; k < 3; ++k) {
        if (std::isnan(want[k])) {
            EXPECT_TRUE(std::isnan(got[k])) << "component " << k;
        } else {
            EXPECT_FLOAT_EQ(got[k], want[k]) << "component " << k;
        }
    }
}

TEST(DataModelObjects, BlocksMatchTheirTables) {
    for (const Block& b : Blocks()) {
        SCOPED_TRACE(b.name);
        ParamBlockDesc2* desc = DescOf(b.index);
        ASSERT_NE(desc, nullptr);
        EXPECT_EQ(desc->ID(), 0);
        EXPECT_STREQ(desc->InternalName(), b.name);
        EXPECT_EQ(Text(desc->LocalName()), b.localName);
        EXPECT_EQ(desc->Flags(), b.flags);
        EXPECT_EQ(desc->Version(), b.version);
        EXPECT_EQ(desc->RefNo(), 0);
        EXPECT_EQ(desc->Owner(), classDescAt(b.index));
        ASSERT_EQ(desc->Rollouts().size(), b.rollouts.size());
        for (size_t r = 0; r < b.rollouts.size(); ++r) {
            EXPECT_EQ(desc->Rollouts()[r].mapId, b.rollouts[r].map);
            EXPECT_EQ(desc->Rollouts()[r].dialogId, b.rollouts[r].dialog);
            EXPECT_EQ(Text(desc->Rollouts()[r].titleId), b.rollouts[r].title);
            EXPECT_EQ(desc->Rollouts()[r].flags & APPENDROLL_CLOSED, 0);
        }

        // Exactly the declared parameters, no more.
        ASSERT_EQ(desc->Count(), static_cast<int>(b.params.size()));
        for (const Param& p : b.params) {
            SCOPED_TRACE(p.id);
            const ParamDef* d = desc->GetParamDef(p.id);
            ASSERT_NE(d, nullptr);
            EXPECT_STREQ(d->name, p.name);
            EXPECT_EQ(d->type, p.type);
            EXPECT_EQ(d->flags & (P_ANIMATABLE | P_VARIABLE_SIZE | P_OBSOLETE | P_INVISIBLE), p.flags);
            ExpectRange(d->range, p.range);
            EXPECT_EQ(d->map, p.map);
            EXPECT_EQ(d->dim, p.dim);
            if (p.label) {
                EXPECT_EQ(Text(d->localName), p.label);
            }
            EXPECT_EQ(d->tableSize, 0);
            switch (p.def.kind) {
            case Def::FLOAT: EXPECT_FLOAT_EQ(d->def.f, p.def.f); break;
            case Def::INT: EXPECT_EQ(d->def.i, p.def.i); break;
            case Def::POINT: ExpectPoint(d->def.p, p.def.p); break;
            case Def::TEXT: EXPECT_TRUE(d->def.s.empty()); break;
            case Def::NONE: EXPECT_EQ(d->def.r, nullptr); break;
            }
        }
    }
}

// What a new object holds is what the renderer sees first; tables start empty.
TEST(DataModelObjects, NewObjectsHoldTheDefaults) {
    for (const Block& b : Blocks()) {
        SCOPED_TRACE(b.name);
        RefHolder holder(Create(b.index));
        ASSERT_NE(holder.Get(), nullptr);
        IParamBlock2* pb = holder.Get()->GetParamBlock(0);
        ASSERT_NE(pb, nullptr);
        EXPECT_EQ(pb->GetVersion(), b.version);
        for (const Param& p : b.params) {
            SCOPED_TRACE(p.id);
            if (IsTab(p.type)) {
                EXPECT_EQ(pb->Count(p.id), 0);
                continue;
            }
            switch (p.def.kind) {
            case Def::FLOAT: EXPECT_FLOAT_EQ(pb->GetFloat(p.id), p.def.f); break;
            case Def::INT: EXPECT_EQ(pb->GetInt(p.id), p.def.i); break;
            case Def::POINT: ExpectPoint(pb->GetPoint3(p.id), p.def.p); break;
            case Def::TEXT: EXPECT_EQ(MSTR(pb->GetStr(p.id)), MSTR()); break;
            case Def::NONE:
                if (!(p.flags & P_OBSOLETE)) {
                    EXPECT_EQ(pb->GetReferenceTarget(p.id), nullptr);
                }
                break;
            }
        }
    }
}

// Radio buttons and drop-downs write these values, in display order; several
// lie outside the declared range and scenes hold them all the same.
TEST(DataModelObjects, ChoicesStoreTheirValues) {
    struct Choice {
        unsigned index;
        ParamID id;
        ControlType2 kind;
        std::vector<int> values;
        std::vector<const char*> labels;
    };
    const Choice choices[] = {
        {PROXY, 2, TYPE_RADIO, {0, 1, 2, 3}, {"Solid bounding box", "Wire bounding box", "Point cloud", "Full mesh"}},
        {SCATTER, 203, TYPE_RADIO, {0, 1}, {"Congruent", "Halton"}},
        {SCATTER, 204, TYPE_RADIO, {66, 67}, {"On surfaces", "In bounding box"}},
        {SCATTER, 401, TYPE_RADIO, {0, 1, 2, 3, 4}, {"None", "Dot", "Box", "Wire box", "Full"}},
        {FRACTAL_OBJECT, 126, TYPE_RADIO, {0, 1, 2}, {"Sphere only", "Full (dot product shading)", "Point cloud"}},
        {FRACTAL_OBJECT, 129, TYPE_RADIO, {0, 1, 2}, {"Mandelbulb", "Mandelbox", "Texmap"}},
        {FRACTAL_TEX, 0, TYPE_RADIO, {0, 1, 2}, {"Mandelbrot set", "2D Mandelbox", "Julia set"}},
        {RAY_SWITCH_MTL, 1604, TYPE_INT_COMBOBOX, {0, 1, 2, 3},
         {"Global illumination mtl", "Reflection mtl", "Refraction mtl", "Directly visible mtl"}},
        {SHADOW_CATCHER_MTL, 303, TYPE_INT_COMBOBOX, {1, 2, 3}, {"Always solid", "For compositing", "Always transparent"}},
        {SHADOW_CATCHER_MTL, 310, TYPE_INT_COMBOBOX, {0, 1, 2},
         {"Screen projection onto geometry", "Enviro projection onto geometry", "Do not alter projection"}},
    };
    for (const Choice& c : choices) {
        SCOPED_TRACE(testing::Message() << DescOf(c.index)->InternalName() << " " << c.id);
        const ParamDef* d = DescOf(c.index)->GetParamDef(c.id);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->ui.kind, c.kind);
        ASSERT_EQ(d->ui.items.size(), c.values.size());
        for (size_t k = 0; k < c.values.size(); ++k) {
            EXPECT_EQ(d->ui.items[k].value, c.values[k]);
            EXPECT_EQ(Text(d->ui.items[k].labelId), c.labels[k]);
            EXPECT_TRUE(d->IsControlValue(c.values[k]));
        }
        if (c.kind == TYPE_RADIO) {
            EXPECT_EQ(d->ui.ctrlIds.size(), c.values.size());
        }
    }
}

// Every text a block refers to exists and belongs to its class; every control
// a parameter names is in its rollout's template and no two parameters of a
// rollout share one (the generated rollout would bind both to one control).
TEST(DataModelObjects, ResourcesAndControlsAreConsistent) {
    for (unsigned index : kClasses) {
        ParamBlockDesc2* desc = DescOf(index);
        SCOPED_TRACE(desc->InternalName());
        const int base = static_cast<int>(index + 1) * 1000;
        auto expectOwnString = [&](int id, const char* what) {
            if (id == 0) return;
            EXPECT_NE(findResourceString(id), nullptr) << what << " " << id;
            EXPECT_TRUE(id >= base && id < base + 1000) << what << " " << id;
        };
        expectOwnString(desc->LocalName(), "block name");
        std::map<MapID, const DialogResource*> dialogs;
        for (const RolloutDesc& r : desc->Rollouts()) {
            expectOwnString(r.titleId, "rollout title");
            const DialogResource* dlg = findDialogResource(r.dialogId);
            ASSERT_NE(dlg, nullptr) << "dialog " << r.dialogId;
            EXPECT_EQ(dlg->title, Text(r.titleId));
            dialogs[r.mapId] = dlg;
        }
        std::map<MapID, std::set<int>> used;
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& d = desc->GetParamDefByIndex(i);
            SCOPED_TRACE(d.id);
            expectOwnString(d.localName, "label");
            expectOwnString(d.tooltip, "tooltip");
            expectOwnString(d.fileTypes, "file filter");
            for (const ParamUiItem& item : d.ui.items) expectOwnString(item.labelId, "item");
            if (d.flags & P_OBSOLETE) {
                EXPECT_EQ(d.ui.kind, TYPE_NONE);
            }
            if (d.ui.kind == TYPE_NONE) continue;
            ASSERT_TRUE(dialogs.count(d.map)) << "no rollout " << d.map;
            for (int ctrl : d.ui.ctrlIds) {
                const auto& controls = dialogs[d.map]->controls;
                const bool spinPart = std::none_of(controls.begin(), controls.end(),
                                                   [&](const ControlResource& c) { return c.id == ctrl; });
                // A spinner's arrow control follows its edit field in the template.
                if (spinPart) {
                    EXPECT_EQ(d.ui.kind, TYPE_SPINNER) << "control " << ctrl << " not in the template";
                    EXPECT_TRUE(std::any_of(controls.begin(), controls.end(),
                                            [&](const ControlResource& c) { return c.id == ctrl - 1; }))
                        << "control " << ctrl;
                }
                EXPECT_TRUE(used[d.map].insert(ctrl).second) << "control " << ctrl << " used twice";
            }
        }
    }
}

TEST(DataModelObjects, ProxyFileParameterCarriesFilterAndAssetNumber) {
    const ParamDef* d = DescOf(PROXY)->GetParamDef(0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->assetType, 7);
    EXPECT_EQ(Text(d->fileTypes),
              "All formats (*.nproxy, *.obj, *.nmesh, *.nbin, *.nzmesh)|*.obj;*.nmesh;*.nbin;*.nzmesh;*.nproxy|");
    EXPECT_EQ(Text(d->tooltip), "Loads an existing proxy object from a file");
    EXPECT_EQ(d->ui.kind, TYPE_FILEOPENBUTTON);
}

// A script asking for "previzType" or any live name must not land on a
// retired parameter.
TEST(DataModelObjects, ScatterNamesResolveToLiveParameters) {
    ParamBlockDesc2* desc = DescOf(SCATTER);
    for (const char* name : {"previzType", "scaleMin", "Uniform Scaling", "Collision Detect", "Scale Map Y"}) {
        const ParamDef* d = desc->FindByName(name);
        ASSERT_NE(d, nullptr) << name;
        EXPECT_EQ(d->flags & P_OBSOLETE, 0) << name;
    }
    const ParamDef* removed = desc->FindByName("removedParam");
    ASSERT_NE(removed, nullptr);
    EXPECT_NE(removed->flags & P_OBSOLETE, 0);
}

// The host lists a material's maps through its slot table: slot i must be the
// map parameter with sub-map number i, switched by the right check box.
TEST(DataModelObjects, MaterialMapSlots) {
    struct Slot {
        const char* name;
        ParamID texmap;
        ParamID enable;
    };
    const std::vector<std::pair<unsigned, std::vector<Slot>>> cases = {
        {SHADOW_CATCHER_MTL,
         {{"enviroBackplateTexmap", 302, 0},
          {"offscreenTexmap", 350, 0},
          {"reflectionFresnelIorTexmap", 351, 0},
          {"reflectionGlossinessTexmap", 352, 0},
          {"bumpTexmap", 353, 0},
          {"reflectionColorTexmap", 354, 0}}},
        {VOLUME_MTL, {{"absorptionColorTexmap", 206, 208}, {"scatteringColorTexmap", 205, 207}}},
        {PORTAL_MTL, {}},
        {FRACTAL_TEX, {}},
        {RAY_SWITCH_MTL, {}},
    };
    for (const auto& [index, slots] : cases) {
        SCOPED_TRACE(DescOf(index)->InternalName());
        RefHolder holder(Create(index));
        auto* mtl = dynamic_cast<MtlBase*>(holder.Get());
        ASSERT_NE(mtl, nullptr);
        IParamBlock2* pb = mtl->GetParamBlock(0);
        ASSERT_EQ(mtl->NumSubTexmaps(), static_cast<int>(slots.size()));
        for (int i = 0; i < static_cast<int>(slots.size()); ++i) {
            const Slot& s = slots[i];
            SCOPED_TRACE(s.name);
            EXPECT_EQ(ToUtf8(mtl->GetSubTexmapSlotName(i)), s.name);
            EXPECT_EQ(pb->GetParamDef(s.texmap)->subTexNo, i);

            auto* map = static_cast<Texmap*>(static_cast<Animatable*>(classDescAt(FRACTAL_TEX)->Create(FALSE)));
            mtl->SetSubTexmap(i, map);
            EXPECT_EQ(pb->GetTexmap(s.texmap), map);
            EXPECT_EQ(mtl->GetSubTexmap(i), map);
            EXPECT_EQ(mtl->SubTexmapOn(i), 1);
            if (s.enable) {
                pb->SetValue(s.enable, 0, 0);
                EXPECT_EQ(mtl->SubTexmapOn(i), 0);
            }
        }
    }
}

// The four sub-materials, one per kind of ray, are parameters 1600..1603.
TEST(DataModelObjects, RaySwitchSubMaterials) {
    const char* names[] = {"Global illumination", "Reflect override", "Refract override", "Direct override"};
    RefHolder holder(Create(RAY_SWITCH_MTL));
    auto* mtl = dynamic_cast<::Mtl*>(holder.Get());
    ASSERT_NE(mtl, nullptr);
    IParamBlock2* pb = mtl->GetParamBlock(0);
    ASSERT_EQ(mtl->NumSubMtls(), 4);
    std::vector<::Mtl*> subs;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ToUtf8(mtl->GetSubMtlSlotName(i)), names[i]);
        EXPECT_EQ(pb->GetParamDef(static_cast<ParamID>(1600 + i))->subMtlNo, i);
        EXPECT_EQ(mtl->GetSubMtl(i), nullptr);
        subs.push_back(static_cast<::Mtl*>(static_cast<Animatable*>(classDescAt(PORTAL_MTL)->Create(FALSE))));
        mtl->SetSubMtl(i, subs.back());
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pb->GetMtl(static_cast<ParamID>(1600 + i)), subs[i]);
        EXPECT_EQ(mtl->GetSubMtl(i), subs[i]);
    }
    EXPECT_THROW(mtl->GetSubMtl(4), Exception);
    EXPECT_THROW(mtl->SetSubMtl(-1, nullptr), Exception);
}

}  // namespace
}  // namespace Nimbal

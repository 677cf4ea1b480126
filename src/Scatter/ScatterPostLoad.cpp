#include "Scatter/ScatterPostLoad.h"

#include "Scatter/Scatter.h"

namespace Nimbal {

namespace {

// Retired parameters, as older blocks stored them.
enum : ParamID {
    old_translateX = 301,  // world, 301..303 min x, y, z
    old_rotateX = 304,     // degrees, 304..306
    old_scaleX = 307,      // percent, 307..309
    old_scaleUniformMin = 310,
    old_translateMaxX = 311,
    old_rotateMaxX = 314,
    old_scaleMaxX = 317,
    old_scaleUniformMax = 320,
};

constexpr float DEGREES_TO_RADIANS = 0.017453292f;

// A choice that a damaged file holds outside the values its control writes
// would stop display or generation with the internal assertion; it goes back
// to its default, keys and all.
void keepToChoice(IParamBlock2* pb, ParamID id, int low, int high, int fallback) {
    const IParamBlock2::Slot* slot = pb->GetSlot(id);
    if (!slot) return;
    bool bad = false;
    for (const IParamBlock2::Entry& e : slot->entries) {
        bad = bad || e.value.i < low || e.value.i > high;
        for (const IParamBlock2::Key& k : e.keys) bad = bad || k.v.i < low || k.v.i > high;
    }
    if (!bad) return;
    pb->DeleteKeys(id);
    pb->SetValue(id, 0, fallback);
}

Point3 triple(IParamBlock2* pb, ParamID first) {
    return Point3(pb->GetFloat(first), pb->GetFloat(static_cast<ParamID>(first + 1)),
                  pb->GetFloat(static_cast<ParamID>(first + 2)));
}

}  // namespace

void ScatterPostLoad::proc(ILoad*) {
    if (Scatter* scatter = scatter_) {
        scatter->pendingPostLoad = nullptr;
        scatter->afterLoad();
    }
    delete this;
}

void ScatterPostLoad::Abandon() {
    if (scatter_) scatter_->pendingPostLoad = nullptr;
    delete this;
}

void Scatter::afterLoad() {
    IParamBlock2* pb = pblock;
    if (!pb) return;
    convertingLoaded = true;
    convertLoadedBlock(pb);
    convertingLoaded = false;
    // Other objects' own post-load steps may still change what this one
    // gathers: the next consumer regenerates.
    dirty = true;
}

void Scatter::convertLoadedBlock(IParamBlock2* pb) {
    keepToChoice(pb, scatter_previzType, SCATTER_PREVIZ_NONE, SCATTER_PREVIZ_FULL, SCATTER_PREVIZ_WIRE_BOX);
    keepToChoice(pb, scatter_randomType, 0, 1, 1);
    auto* info = static_cast<IParamBlock2PostLoadInfo*>(pb->GetInterface(IPARAMBLOCK2POSTLOADINFO_ID));
    if (!info) return;
    const int version = static_cast<int>(info->GetVersion());
    if (version >= 1236) return;

    // Older layouts used the Halton sequence without scrambling.
    legacy = true;
    if (version == 1235) return;
    if (version == 1234) {
        pb->SetValue(scatter_scaleMin, 0, pb->GetPoint3(scatter_scaleMin) * pb->GetFloat(old_scaleUniformMin));
        pb->SetValue(scatter_scaleMax, 0, pb->GetPoint3(scatter_scaleMax) * pb->GetFloat(old_scaleUniformMax));
    } else {
        pb->SetValue(scatter_translateMin, 0, triple(pb, old_translateX));
        pb->SetValue(scatter_translateMax, 0, triple(pb, old_translateMaxX));
        pb->SetValue(scatter_rotateMin, 0, triple(pb, old_rotateX) * DEGREES_TO_RADIANS);
        pb->SetValue(scatter_rotateMax, 0, triple(pb, old_rotateMaxX) * DEGREES_TO_RADIANS);
        const Point3 scaleMin = triple(pb, old_scaleX) / 100.0f;
        const Point3 scaleMax = triple(pb, old_scaleMaxX) / 100.0f;
        pb->SetValue(scatter_scaleMin, 0, scaleMin * (pb->GetFloat(old_scaleUniformMin) / 100.0f));
        pb->SetValue(scatter_scaleMax, 0, scaleMax * (pb->GetFloat(old_scaleUniformMax) / 100.0f));
    }
    pb->SetValue(scatter_uniformScaling, 0, FALSE);
}

}  // namespace Nimbal

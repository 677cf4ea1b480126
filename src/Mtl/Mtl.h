#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class Mtl;

struct MtlTraits {
    using Base = ::Mtl;
    using Final = Mtl;
    static constexpr SClass_ID SUPER_CLASS_ID = MATERIAL_CLASS_ID;
    static ClassDesc2* classDesc();
};

// One sub-map of the material: the parameters behind it, the small button
// that mirrors it next to its channel's values in the editor, and its label.
// Zero ids mean "none"; the material has no parameter with id 0.
struct MtlSubTexmapSlot {
    ParamID texmapId = 0;
    ParamID enableId = 0;
    MapID rollout = 0;  // map id of the rollout holding the small button
    int buttonId = 0;   // its control id there
    const char* label = "";
};

class Mtl final : public PluginTemplate<MtlTraits> {
public:
    // Sub-map numbers 20 and 21 are reported but have no parameter.
    static constexpr int NUM_SUBTEXMAPS = 22;

    Mtl();

    // The slot of a sub-map number; numbers without one (20, 21 and any
    // outside the range) give the empty record.
    static const MtlSubTexmapSlot& subTexmapSlot(int i);

    int NumSubTexmaps() override { return NUM_SUBTEXMAPS; }
    Texmap* GetSubTexmap(int i) override;
    void SetSubTexmap(int i, Texmap* map) override;
    int SubTexmapOn(int i) override;
    MSTR GetSubTexmapSlotName(int i) override;
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* mtlClassDesc();

}  // namespace Nimbal

#pragma once

#include "PluginTemplate.h"

namespace Nimbal {

class MultiMapTex;

struct MultiMapTexTraits {
    using Base = ::Texmap;
    using Final = MultiMapTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class MultiMapTex final : public TexmapTemplate<MultiMapTexTraits> {
public:
    // Parameter ids: stored in scenes and read by the renderer.
    enum : ParamID { PB_MODE = 700, PB_ITEMS = 701, PB_TEXMAPS = 702, PB_COLORS = 703, PB_MIX_AMOUNT = 704 };
    // Entries of the "texmaps" and "colors" tables.
    static constexpr int MAX_ITEMS = 15;

    MultiMapTex();

    // Sub-map i is entry i of "texmaps", whatever "items" says; a slot
    // record cannot name a table entry, so these replace the slot table.
    int NumSubTexmaps() override { return MAX_ITEMS; }
    Texmap* GetSubTexmap(int i) override;
    void SetSubTexmap(int i, Texmap* map) override;
    int SubTexmapOn(int) override { return 1; }
    MSTR GetSubTexmapSlotName(int i) override;
};

// The class's descriptor, as the registry hands it to the host.
ClassDescCommon* multiMapTexClassDesc();

}  // namespace Nimbal

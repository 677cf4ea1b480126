// The renderer plug-in's renderer class. The library never creates one: it
// finds it as the host's production renderer and reads or writes four of its
// parameters by id. Its members are defined by the renderer plug-in.
#pragma once

#include "host/Interface.h"
#include "host/ParamBlock.h"

namespace Nimbal {

class NimbalMax : public ::Renderer {
public:
    static constexpr Class_ID CLASS_ID{0x3B5F0D21, 0x6C8E1A47};

    enum ParamIds : ParamID {
        // Texture map: the renderer's own environment slot.
        PARAM_ENVIRONMENT_TEXMAP = 1001,
        // Integer: 1 turns the environment slot on.
        PARAM_USE_ENVIRONMENT_TEXMAP = 1013,
        // Integer: non-zero sends the sun's sky to the renderer's slot rather
        // than to the host's environment.
        PARAM_SUN_SKY_TO_RENDERER = 1057,
        // Boolean: physical exposure (ISO) rather than simple exposure.
        PARAM_PHYSICAL_EXPOSURE = 1077,
    };

    NimbalMax();
    ~NimbalMax() override;

    Class_ID ClassID() override;
    void GetClassName(MSTR& s) const override;
    int NumRefs() override;
    RefTargetHandle GetReference(int i) override;
    void SetReference(int i, RefTargetHandle target) override;
    int NumSubs() override;
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i) override;
    int NumParamBlocks() override;
    IParamBlock2* GetParamBlock(int i) override;
    IParamBlock2* GetParamBlockByID(BlockID id) override;
    RefTargetHandle Clone(RemapDir& remap) override;

    IParamBlock2* pblock = nullptr;
};

// The renderer's parameter block when the production renderer is NimbalMax;
// null for any other renderer or none.
inline IParamBlock2* nimbalMaxParamBlock(Interface* ip) {
    ::Renderer* renderer = ip ? ip->GetProductionRenderer() : nullptr;
    if (!renderer || renderer->ClassID() != NimbalMax::CLASS_ID || renderer->SuperClassID() != RENDERER_CLASS_ID)
        return nullptr;
    return renderer->GetParamBlockByID(0);
}

} // namespace Nimbal

#include "RaySwitchMtl/RaySwitchMtl.h"

#include "Resources.h"

namespace Nimbal {

namespace {
enum : ParamID {
    PB_GI_MTL = 1600,
    PB_REFLECT_MTL = 1601,
    PB_REFRACT_MTL = 1602,
    PB_DIRECT_MTL = 1603,
    PB_DISPLACEMENT_SOURCE = 1604,
};

enum : int {
    IDS_RAYSWITCHMTL_PB = 22000,
    IDS_RAYSWITCHMTL_ROLLOUT_0 = 22001,
    IDS_GLOBAL_ILLUMINATION_MTL = 22010,
    IDS_REFLECTION_MTL,
    IDS_REFRACTION_MTL,
    IDS_DIRECTLY_VISIBLE_MTL,
    IDS_DISPLACEMENT_FROM,
    IDS_DISPLACEMENT_FROM_TOOLTIP,
    IDS_FROM_GI_MTL = 22030,
    IDS_FROM_REFLECTION_MTL,
    IDS_FROM_REFRACTION_MTL,
    IDS_FROM_DIRECTLY_VISIBLE_MTL,
};

// Control ids of dialog template 1493.
enum : int {
    IDC_GI_MTL = 1001,
    IDC_REFLECT_MTL,
    IDC_REFRACT_MTL,
    IDC_DIRECT_MTL,
    IDC_DISPLACEMENT_SOURCE,
};

const StringTable strings{
    {IDS_RAYSWITCHMTL_PB, "Rayswitchermtlpb"},
    {IDS_RAYSWITCHMTL_ROLLOUT_0, "Nimbal Ray Switcher Material"},
    {IDS_GLOBAL_ILLUMINATION_MTL, "globalIlluminationMtl"},
    {IDS_REFLECTION_MTL, "reflectionMtl"},
    {IDS_REFRACTION_MTL, "refractionMtl"},
    {IDS_DIRECTLY_VISIBLE_MTL, "directlyVisibleMtl"},
    {IDS_DISPLACEMENT_FROM, "displacementFrom"},
    {IDS_DISPLACEMENT_FROM_TOOLTIP, "Selects which of the four materials will serve as a source of displacement"},
    {IDS_FROM_GI_MTL, "Global illumination mtl"},
    {IDS_FROM_REFLECTION_MTL, "Reflection mtl"},
    {IDS_FROM_REFRACTION_MTL, "Refraction mtl"},
    {IDS_FROM_DIRECTLY_VISIBLE_MTL, "Directly visible mtl"},
};

const DialogTable dialogs{
    {1493, "Nimbal Ray Switcher Material",
     {{IDC_GI_MTL, "map", "Global illumination:"},
      {IDC_REFLECT_MTL, "map", "Reflection:"},
      {IDC_REFRACT_MTL, "map", "Refraction:"},
      {IDC_DIRECT_MTL, "map", "Directly visible:"},
      {IDC_DISPLACEMENT_SOURCE, "combo", "Displacement from:"}}},
};

class RaySwitchMtlCd : public ClassDescCommon {
public:
    RaySwitchMtlCd() : ClassDescCommon("Nimbal", "NimbalRaySwitchMtl", MATERIAL_CLASS_ID, Class_ID(0x6816116A, 0xABE651DE)) {}
    void* Create(BOOL) override { return new (std::nothrow) RaySwitchMtl(); }
};

RaySwitchMtlCd raySwitchMtlCd;

ParamBlockDesc2 raySwitchMtlPbDesc(
    BlockDesc{0, "RaySwitchMtlPb", IDS_RAYSWITCHMTL_PB, &raySwitchMtlCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 0, 0,
             {
             RolloutDesc{0, 1493, IDS_RAYSWITCHMTL_ROLLOUT_0, 0, nullptr}
             }},
    {
        {.id = PB_GI_MTL, .name = "giMtl", .type = TYPE_MTL, .ui = {TYPE_MTLBUTTON, {IDC_GI_MTL}},
         .localName = IDS_GLOBAL_ILLUMINATION_MTL, .subMtlNo = 0},
        {.id = PB_REFLECT_MTL, .name = "reflectMtl", .type = TYPE_MTL, .ui = {TYPE_MTLBUTTON, {IDC_REFLECT_MTL}},
         .localName = IDS_REFLECTION_MTL, .subMtlNo = 1},
        {.id = PB_REFRACT_MTL, .name = "refractMtl", .type = TYPE_MTL, .ui = {TYPE_MTLBUTTON, {IDC_REFRACT_MTL}},
         .localName = IDS_REFRACTION_MTL, .subMtlNo = 2},
        {.id = PB_DIRECT_MTL, .name = "directMtl", .type = TYPE_MTL, .ui = {TYPE_MTLBUTTON, {IDC_DIRECT_MTL}},
         .localName = IDS_DIRECTLY_VISIBLE_MTL, .subMtlNo = 3},
        {.id = PB_DISPLACEMENT_SOURCE, .name = "displacementSource", .type = TYPE_INT, .def = 0, .range = ParamRange{0, 3},
         .ui = {TYPE_INT_COMBOBOX, {IDC_DISPLACEMENT_SOURCE}, 0.0f,
                {{IDS_FROM_GI_MTL, 0}, {IDS_FROM_REFLECTION_MTL, 1}, {IDS_FROM_REFRACTION_MTL, 2},
                 {IDS_FROM_DIRECTLY_VISIBLE_MTL, 3}}},
         .localName = IDS_DISPLACEMENT_FROM, .tooltip = IDS_DISPLACEMENT_FROM_TOOLTIP},
    });
}  // namespace

const SubMtlSlot RaySwitchMtl::subMtlSlots[NUM_SUB_MTLS] = {
    {PB_GI_MTL, "Global illumination"},
    {PB_REFLECT_MTL, "Reflect override"},
    {PB_REFRACT_MTL, "Refract override"},
    {PB_DIRECT_MTL, "Direct override"},
};

ClassDesc2* RaySwitchMtlTraits::classDesc() { return &raySwitchMtlCd; }
ClassDescCommon* raySwitchMtlClassDesc() { return &raySwitchMtlCd; }

RaySwitchMtl::RaySwitchMtl() = default;

// The host asks only for numbers below NumSubMtls; anything else is a caller's slip.
::Mtl* RaySwitchMtl::GetSubMtl(int i) {
    if (i < 0 || i >= NUM_SUB_MTLS) NIMBAL_STOP();
    return pblock->GetMtl(subMtlSlots[i].mtlId, 0);
}

void RaySwitchMtl::SetSubMtl(int i, ::Mtl* m) {
    if (i < 0 || i >= NUM_SUB_MTLS) NIMBAL_STOP();
    pblock->SetValue(subMtlSlots[i].mtlId, 0, static_cast<ReferenceTarget*>(m));
    raySwitchMtlCd.InvalidateUI(pblock->GetDesc());
}

MSTR RaySwitchMtl::GetSubMtlSlotName(int i) {
    if (i < 0 || i >= NUM_SUB_MTLS) NIMBAL_STOP();
    return FromUtf8(subMtlSlots[i].name);
}

}  // namespace Nimbal

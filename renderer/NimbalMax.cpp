#include "core-interface/NimbalMax.h"

#include "RendererPlugin.h"

namespace Nimbal {

namespace {

class NimbalMaxCd : public ClassDesc2 {
public:
    int IsPublic() override { return 1; }
    void* Create(BOOL) override { return new NimbalMax(); }
    const MCHAR* ClassName() override { return u"NimbalMax"; }
    const MCHAR* InternalName() override { return u"NimbalMax"; }
    SClass_ID SuperClassID() override { return RENDERER_CLASS_ID; }
    Class_ID ClassID() override { return NimbalMax::CLASS_ID; }
    const MCHAR* Category() override { return u""; }
};

NimbalMaxCd& desc() {
    static NimbalMaxCd cd;
    return cd;
}

ParamBlockDesc2& pbDesc() {
    static ParamBlockDesc2 pbd(
        BlockDesc{0, "NimbalMaxPb", 0, &desc(), P_AUTO_CONSTRUCT, 0, 0, {}},
        {
            {.id = NimbalMax::PARAM_ENVIRONMENT_TEXMAP, .name = "environmentTexmap", .type = TYPE_TEXMAP},
            {.id = NimbalMax::PARAM_USE_ENVIRONMENT_TEXMAP, .name = "useEnvironmentTexmap", .type = TYPE_INT, .def = 0,
             .range = ParamRange{0, 1}},
            {.id = NimbalMax::PARAM_SUN_SKY_TO_RENDERER, .name = "sunSkyToRenderer", .type = TYPE_INT, .def = 0,
             .range = ParamRange{0, 1}},
            {.id = NimbalMax::PARAM_PHYSICAL_EXPOSURE, .name = "physicalExposure", .type = TYPE_BOOL, .def = false},
        });
    return pbd;
}

const MCHAR* libDescription() { return u"Nimbal renderer (stand-in)"; }
int libNumberClasses() { return 1; }
ClassDesc* libClassDesc(unsigned int i) { return i == 0 ? nimbalMaxClassDesc() : nullptr; }
ULONG libVersion() { return Get3DSMAXVersion(); }

}  // namespace

ClassDesc2* nimbalMaxClassDesc() {
    pbDesc();
    return &desc();
}

PluginEntryPoints rendererEntryPoints() {
    PluginEntryPoints e;
    e.LibDescription = &libDescription;
    e.LibNumberClasses = &libNumberClasses;
    e.LibClassDesc = &libClassDesc;
    e.LibVersion = &libVersion;
    return e;
}

std::unique_ptr<PluginLibrary> loadRendererPlugin(std::string& error) {
    return PluginLibrary::FromEntryPoints(rendererEntryPoints(), error);
}

NimbalMax* makeProductionRenderer(Interface* ip) {
    if (!ip) return nullptr;
    auto* renderer = static_cast<NimbalMax*>(
        static_cast<::Renderer*>(static_cast<Animatable*>(ip->CreateInstance(RENDERER_CLASS_ID, NimbalMax::CLASS_ID))));
    if (renderer) ip->AssignCurRenderer(renderer);
    return renderer;
}

NimbalMax::NimbalMax() { nimbalMaxClassDesc()->MakeAutoParamBlocks(this); }
NimbalMax::~NimbalMax() = default;

Class_ID NimbalMax::ClassID() { return CLASS_ID; }
void NimbalMax::GetClassName(MSTR& s) const { s = u"NimbalMax"; }
int NimbalMax::NumRefs() { return 1; }
RefTargetHandle NimbalMax::GetReference(int i) { return i == 0 ? pblock : nullptr; }
void NimbalMax::SetReference(int i, RefTargetHandle target) {
    if (i == 0) pblock = dynamic_cast<IParamBlock2*>(target);
}
int NimbalMax::NumSubs() { return 1; }
Animatable* NimbalMax::SubAnim(int i) { return i == 0 ? pblock : nullptr; }
MSTR NimbalMax::SubAnimName(int i) { return i == 0 ? MSTR(u"Parameters") : MSTR(); }
int NimbalMax::NumParamBlocks() { return 1; }
IParamBlock2* NimbalMax::GetParamBlock(int i) { return i == 0 ? pblock : nullptr; }
IParamBlock2* NimbalMax::GetParamBlockByID(BlockID id) { return id == 0 ? pblock : nullptr; }

RefTargetHandle NimbalMax::Clone(RemapDir& remap) {
    auto* copy = new NimbalMax();
    if (pblock) copy->ReplaceReference(0, remap.CloneRef(pblock));
    BaseClone(this, copy, remap);
    return copy;
}

} // namespace Nimbal

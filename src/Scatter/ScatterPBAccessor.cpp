#include "Scatter/ScatterPBAccessor.h"

#include "Light/Light.h"
#include "Proxy/Proxy.h"
#include "Scatter/Scatter.h"

namespace Nimbal {

void ScatterPBAccessor::Set(PB2Value&, ReferenceMaker* owner, ParamID id, int, TimeValue t) {
    auto* scatter = dynamic_cast<Scatter*>(owner);
    if (!scatter || !scatter->pblock) return;
    switch (id) {
    case scatter_distributionObjectsDensity:
    case scatter_count:
    case scatter_seed:
    case scatter_randomType:
    case scatter_scatterType:
    case scatter_collisionDetect: scatter->requestRegeneration(t, false); break;
    case scatter_densityMap:
    case scatter_scaleMapX:
    case scatter_scaleMapY:
    case scatter_scaleMapZ:
    // A node put into an existing entry (by a script; the list box only adds
    // and removes) must be linked and gathered like an added one.
    case scatter_distributionObjects:
    case scatter_scatteredObjects: scatter->requestRegeneration(t, true); break;
    case scatter_alignNormals:
    case scatter_translateMin:
    case scatter_translateMax:
    case scatter_rotateMin:
    case scatter_rotateMax:
    case scatter_scaleMin:
    case scatter_scaleMax:
    case scatter_uniformScaling:
        // Without collision detection nothing cached depends on the
        // transformations: instances compute them when asked.
        if (scatter->pblock->GetInt(scatter_collisionDetect, t) != 0) scatter->requestRegeneration(t, false);
        break;
    default: break;
    }
}

void ScatterPBAccessor::TabChanged(tab_changes change, std::vector<PB2Value>*, ReferenceMaker* owner, ParamID id,
                                   int tabIndex, int count) {
    if (id != scatter_distributionObjects && id != scatter_scatteredObjects) return;
    if (auto* scatter = dynamic_cast<Scatter*>(owner)) scatter->nodeTableChanged(change, id, tabIndex, count);
}

BOOL ScatterNodeValidator::Validate(PB2Value& v, ReferenceMaker*, ParamID id, int) {
    auto* node = dynamic_cast<INode*>(v.r);
    if (!node) return FALSE;
    ::Object* obj = node->EvalWorldState(GetCOREInterface()->GetTime()).obj;
    if (!obj) return FALSE;
    if (obj->CanConvertToType(TRIOBJ_CLASS_ID)) return TRUE;
    if (id != scatter_scatteredObjects) return FALSE;
    const Class_ID cid = obj->ClassID();
    return cid == lightClassDesc()->ClassID() || cid == proxyClassDesc()->ClassID();
}

BOOL ScatterNodeValidator::Validate(PB2Value&) { NIMBAL_STOP(); }

}  // namespace Nimbal

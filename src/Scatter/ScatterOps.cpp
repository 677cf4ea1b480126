#include "Scatter/ScatterOps.h"

#include "Scatter/Scatter.h"

namespace Nimbal {

ScatterFpImp::ScatterFpImp(ClassDesc* owner)
    : desc_(SCATTER_OPS_INTERFACE_ID, "ScatterOps",
            {
                {scatterops_update, "update", TYPE_VOID,
                 {{"scatter", TYPE_REFTARG}, {"renderCameraPos", TYPE_POINT3}, {"time", TYPE_TIMEVALUE}}},
                {scatterops_convertToGeometry, "convertToGeometry", TYPE_VOID,
                 {{"scatter", TYPE_REFTARG}, {"time", TYPE_TIMEVALUE}}},
                {scatterops_getNumInstances, "getNumInstances", TYPE_INT, {{"scatter", TYPE_REFTARG}}},
                {scatterops_getInstanceObject, "getInstanceObject", TYPE_INODE,
                 {{"scatter", TYPE_REFTARG}, {"instanceId", TYPE_INT}}},
                {scatterops_getInstanceTm, "getInstanceTm", TYPE_MATRIX3,
                 {{"scatter", TYPE_REFTARG}, {"instanceId", TYPE_INT}}},
            }) {
    owner->AddInterface(this);
}

Scatter* ScatterFpImp::scatterOf(ReferenceTarget* target) {
    if (auto* scatter = dynamic_cast<Scatter*>(target)) return scatter;
    auto* node = dynamic_cast<INode*>(target);
    return node ? dynamic_cast<Scatter*>(node->GetObjectRef()) : nullptr;
}

FPStatus ScatterFpImp::Invoke(FunctionID fid, FPValue& result, const FPParams& params) {
    const FPFunctionDef* def = desc_.FindFunction(fid);
    if (!def) return FPS_NO_SUCH_FUNCTION;
    if (params.size() != def->params.size()) return FPS_FAIL;
    // Callers by id may hand the node as a node.
    Scatter* scatter = scatterOf(params[0].r ? params[0].r : params[0].n);
    switch (fid) {
    case scatterops_update:
        result = FPValue();
        if (scatter) scatter->update(params[1].p, params[2].i);
        return FPS_OK;
    case scatterops_convertToGeometry:
        result = FPValue();
        if (scatter) scatter->convertToGeometry(params[1].i);
        return FPS_OK;
    case scatterops_getNumInstances:
        result = FPValue::Int(scatter ? scatter->numInstances() : -1);
        return FPS_OK;
    case scatterops_getInstanceObject:
        result = FPValue::Node(scatter ? scatter->instanceNode(params[1].i) : nullptr);
        return FPS_OK;
    case scatterops_getInstanceTm: {
        Matrix3 tm;
        tm.Zero();
        if (scatter) tm = scatter->instanceTm(params[1].i);
        result = FPValue::Matrix(tm);
        return FPS_OK;
    }
    default: return FPS_NO_SUCH_FUNCTION;
    }
}

}  // namespace Nimbal

// "ScatterOps": how renderers and scripts reach a scatter's instances.
#pragma once

#include "host/Max.h"

namespace Nimbal {

class Scatter;

inline constexpr Interface_ID SCATTER_OPS_INTERFACE_ID(0x4F1C2A67, 0x6B2E1D93);

enum : FunctionID {
    scatterops_update = 0,
    scatterops_convertToGeometry = 1,
    scatterops_getNumInstances = 2,
    scatterops_getInstanceObject = 3,
    scatterops_getInstanceTm = 4,
};

// Every function takes the scatter first (the object, or a node that shows
// it) and does nothing for anything else: the queries then answer -1, null
// and the zero matrix.
class ScatterFpImp : public FPInterface {
public:
    explicit ScatterFpImp(ClassDesc* owner);
    FPInterfaceDesc* GetDesc() override { return &desc_; }
    FPStatus Invoke(FunctionID fid, FPValue& result, const FPParams& params) override;

    static Scatter* scatterOf(ReferenceTarget* target);

private:
    FPInterfaceDesc desc_;
};

}  // namespace Nimbal

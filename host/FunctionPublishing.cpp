#include "host/FunctionPublishing.h"

const FPFunctionDef* FPInterfaceDesc::FindFunction(std::string_view name) const {
    for (const auto& f : functions_)
        if (name == f.name) return &f;
    return nullptr;
}

const FPFunctionDef* FPInterfaceDesc::FindFunction(FunctionID id) const {
    for (const auto& f : functions_)
        if (f.id == id) return &f;
    return nullptr;
}

FPStatus FPInterface::Invoke(std::string_view name, FPValue& result, const FPParams& params) {
    const FPFunctionDef* f = GetDesc()->FindFunction(name);
    if (!f) return FPS_NO_SUCH_FUNCTION;
    if (params.size() != f->params.size()) return FPS_FAIL;
    return Invoke(f->id, result, params);
}

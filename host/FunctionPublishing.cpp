#include "host/FunctionPublishing.h"

#include "host/Node.h"

namespace {
bool IsNumber(int t) { return t == TYPE_BOOL || IsFloatType(t) || IsIntType(t); }

// Brings an argument to the declared type of its parameter: numbers convert
// among themselves, nodes are targets; anything else of another type is an
// error the caller must hear about.
bool ToDeclaredType(FPValue& v, int want) {
    if (v.type == want || want == TYPE_VOID) return true;
    const bool sameKind = (IsStringType(want) && IsStringType(v.type)) || (IsPoint3Type(want) && IsPoint3Type(v.type));
    if (IsNumber(want) && IsNumber(v.type)) {
        if (IsFloatType(want) && !IsFloatType(v.type)) v.f = static_cast<float>(v.i);
        else if (!IsFloatType(want) && IsFloatType(v.type)) v.i = static_cast<int>(v.f);
        if (want == TYPE_BOOL) v.i = v.i != 0;
    } else if (want == TYPE_REFTARG && v.type == TYPE_INODE) {
        v.r = v.n;
    } else if (want == TYPE_INODE && v.type == TYPE_REFTARG) {
        v.n = dynamic_cast<INode*>(v.r);
        if (v.r && !v.n) return false;
    } else if (!sameKind) {
        return false;
    }
    v.type = want;
    return true;
}
}  // namespace

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
    FPParams args = params;
    for (size_t i = 0; i < args.size(); ++i)
        if (!ToDeclaredType(args[i], f->params[i].type)) return FPS_FAIL;
    return Invoke(f->id, result, args);
}

// Function publishing: interfaces with named, typed functions that scripts,
// tests and the command-line tool call by name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/Geom.h"
#include "host/ParamBlock.h"

class INode;

using FunctionID = short;
constexpr FunctionID FP_NO_FUNCTION = -1;

enum FPStatus { FPS_FAIL = 0, FPS_OK = 1, FPS_NO_SUCH_FUNCTION = -1, FPS_ACTION_DISABLED = -2 };

// A typed value crossing a published interface.
struct FPValue {
    FPValue() = default;
    static FPValue Int(int v) { FPValue r; r.type = TYPE_INT; r.i = v; return r; }
    static FPValue Bool(bool v) { FPValue r; r.type = TYPE_BOOL; r.i = v ? 1 : 0; return r; }
    static FPValue Float(float v) { FPValue r; r.type = TYPE_FLOAT; r.f = v; return r; }
    static FPValue String(const MSTR& v) { FPValue r; r.type = TYPE_STRING; r.s = v; return r; }
    static FPValue Node(INode* v) { FPValue r; r.type = TYPE_INODE; r.n = v; return r; }
    static FPValue Ref(ReferenceTarget* v) { FPValue r; r.type = TYPE_REFTARG; r.r = v; return r; }
    static FPValue Point(const Point3& v) { FPValue r; r.type = TYPE_POINT3; r.p = v; return r; }
    static FPValue Matrix(const Matrix3& v) { FPValue r; r.type = TYPE_MATRIX3; r.m = v; return r; }

    int type = TYPE_VOID;
    int i = 0;
    float f = 0.0f;
    MSTR s;
    INode* n = nullptr;
    ReferenceTarget* r = nullptr;
    Point3 p{0.0f, 0.0f, 0.0f};
    Matrix3 m;
};

using FPParams = std::vector<FPValue>;

struct FPParamDef {
    const char* name;
    int type;
};

struct FPFunctionDef {
    FunctionID id;
    const char* name;
    int resultType;
    std::vector<FPParamDef> params;
};

class FPInterfaceDesc {
public:
    FPInterfaceDesc(Interface_ID id, const char* name, std::vector<FPFunctionDef> functions)
        : id_(id), name_(name), functions_(std::move(functions)) {}
    Interface_ID GetID() const { return id_; }
    const char* InternalName() const { return name_; }
    const std::vector<FPFunctionDef>& Functions() const { return functions_; }
    const FPFunctionDef* FindFunction(std::string_view name) const;
    const FPFunctionDef* FindFunction(FunctionID id) const;

private:
    Interface_ID id_;
    const char* name_;
    std::vector<FPFunctionDef> functions_;
};

class FPInterface : public BaseInterface {
public:
    virtual FPInterfaceDesc* GetDesc() = 0;
    Interface_ID GetID() override { return GetDesc()->GetID(); }
    // Calls one function; the result's type is the function's result type.
    virtual FPStatus Invoke(FunctionID fid, FPValue& result, const FPParams& params) {
        (void)fid; (void)result; (void)params;
        return FPS_NO_SUCH_FUNCTION;
    }
    // By name, checking the number of arguments and bringing each to its
    // declared type (numbers convert; another kind of value fails).
    FPStatus Invoke(std::string_view name, FPValue& result, const FPParams& params);
};

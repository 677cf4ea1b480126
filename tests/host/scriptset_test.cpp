// Scripted sets keep to the declared range, except for the values a radio
// group or drop-down writes; code sets store what they are given.
#include <gtest/gtest.h>

#include <cmath>

#include "host/Max.h"

namespace {

class Owner : public ReferenceTarget {
public:
    IParamBlock2* pb = nullptr;
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int) override { return pb; }
    void SetReference(int, RefTargetHandle t) override { pb = dynamic_cast<IParamBlock2*>(t); }
};

struct EvenOnly : PBValidator {
    BOOL Validate(PB2Value& v) override { return v.i % 2 == 0; }
} evenOnly;

ParamBlockDesc2 desc(BlockDesc{0, "ScriptPb", 0, nullptr, P_AUTO_CONSTRUCT, 0, 0, {}},
                     {
                         {.id = 1, .name = "mode", .type = TYPE_INT, .def = 0, .range = ParamRange{0, 1},
                          .ui = {TYPE_RADIO, {10, 11, 12}, 0.0f, {{0, 0}, {0, 1}, {0, 5}}}},
                         {.id = 2, .name = "amount", .type = TYPE_FLOAT, .def = 0.5f, .range = ParamRange{0, 1}},
                         {.id = 3, .name = "flag", .type = TYPE_BOOL, .def = false},
                         {.id = 4, .name = "offset", .type = TYPE_POINT3, .range = ParamRange{-1, 1}},
                         {.id = 5, .name = "even", .type = TYPE_INT, .validator = &evenOnly},
                         {.id = 6, .name = "list", .type = TabOf(TYPE_FLOAT), .flags = P_VARIABLE_SIZE},
                         {.id = 7, .name = "amount", .type = TYPE_FLOAT, .flags = P_OBSOLETE},
                         {.id = 8, .name = "size", .type = TYPE_FLOAT, .def = 1.0f, .range = ParamRange{0.0001, 1e30}},
                     });

TEST(ScriptSet, RangesControlValuesAndValidators) {
    Owner owner;
    owner.ReplaceReference(0, CreateParameterBlock2(&desc, &owner));
    IParamBlock2* pb = owner.pb;
    std::string error;

    struct Case {
        const char* name;
        PB2Value value;
        bool ok;
    } cases[] = {
        {"mode", PB2Value(1), true},
        {"mode", PB2Value(5), true},  // a radio value beyond the declared range
        {"mode", PB2Value(3), false},
        {"amount", PB2Value(1.0f), true},
        {"amount", PB2Value(1.5f), false},
        {"amount", PB2Value(std::nanf("")), false},
        {"size", PB2Value(0.0001f), true},  // the float nearest the bound lies below it
        {"size", PB2Value(0.0000999f), false},
        {"flag", PB2Value(1), true},
        {"flag", PB2Value(2), false},
        {"offset", PB2Value(Point3(0.5f, -1.0f, 1.0f)), true},
        {"offset", PB2Value(Point3(0.5f, -2.0f, 0.0f)), false},
        {"even", PB2Value(4), true},
        {"even", PB2Value(3), false},
        {"nothing", PB2Value(0), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name));
        error.clear();
        EXPECT_EQ(ScriptSetParam(pb, c.name, c.value, error), c.ok) << error;
        EXPECT_EQ(error.empty(), c.ok);
    }
    EXPECT_EQ(pb->GetInt(1), 5);
    EXPECT_FLOAT_EQ(pb->GetFloat(2), 1.0f);  // the live parameter, not the retired one
    // A refused value leaves the old one.
    EXPECT_EQ(pb->GetInt(5), 4);

    // Code sets store what they are given.
    pb->SetValue(2, 0, 7.0f);
    EXPECT_FLOAT_EQ(pb->GetFloat(2), 7.0f);

    // Table entries must exist.
    EXPECT_FALSE(ScriptSetParam(pb, "list", PB2Value(1.0f), error));
    pb->SetCount(6, 2);
    EXPECT_TRUE(ScriptSetParam(pb, "list", PB2Value(1.0f), error, 1));
    EXPECT_FLOAT_EQ(pb->GetFloat(6, 0, 1), 1.0f);
    owner.DeleteAllRefsFromMe();
}

}  // namespace

// Every class keeps every parameter through clone, save and load, with values
// other than the defaults: tables, maps and materials in slots, nodes in node
// tables. A slip here loses a user's data.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "ClassDescs.h"
#include "host/Max.h"

namespace Nimbal {
namespace {

ReferenceTarget* Create(unsigned index) {
    return dynamic_cast<ReferenceTarget*>(static_cast<Animatable*>(classDescAt(index)->Create(FALSE)));
}

// A value unlike the default, inside the declared range where there is one.
PB2Value Changed(const ParamDef& d, int salt) {
    PB2Value v = d.def;
    const double lo = d.range ? d.range->low : -1e9, hi = d.range ? d.range->high : 1e9;
    auto pick = [&](double x) {
        double c = x;
        if (c < lo || c > hi) c = lo + (hi - lo) * 0.37;
        if (c == x && x == static_cast<double>(d.def.f) && d.range) c = (lo + hi) / 2;
        return c;
    };
    if (IsFloatType(d.type)) {
        v.f = static_cast<float>(pick(d.def.f + 0.125 + salt));
        if (v.f == d.def.f) v.f = static_cast<float>(lo);
    } else if (BaseType(d.type) == TYPE_BOOL) {
        v.i = d.def.i ? 0 : 1;
    } else if (IsIntType(d.type)) {
        v.i = static_cast<int>(pick(d.def.i + 1 + salt));
        if (v.i == d.def.i) v.i = static_cast<int>(lo);
    } else if (IsPoint3Type(d.type)) {
        v.p = Point3(0.25f, 0.5f + 0.01f * salt, 0.75f);
    } else if (IsPoint4Type(d.type)) {
        v.p4 = Point4(0.25f, 0.5f, 0.75f + 0.01f * salt, 0.5f);
    } else if (IsStringType(d.type)) {
        v.s = u"value \u00e9 " + FromUtf8(std::to_string(salt));
    }
    return v;
}

// Fills a block with non-default values; references get fresh targets.
void FillBlock(IParamBlock2* pb, std::vector<INode*>& nodes) {
    ParamBlockDesc2* desc = pb->GetDesc();
    for (int i = 0; i < desc->Count(); ++i) {
        const ParamDef& d = desc->GetParamDefByIndex(i);
        if (IsTab(d.type) && (d.flags & P_VARIABLE_SIZE)) pb->SetCount(d.id, 2);
        const int n = IsTab(d.type) ? pb->Count(d.id) : 1;
        for (int k = 0; k < n; ++k) {
            switch (BaseType(d.type)) {
            case TYPE_TEXMAP:
                pb->SetValue(d.id, 0, Create(14), k);  // a colour map
                break;
            case TYPE_MTL:
                pb->SetValue(d.id, 0, Create(17), k);  // a portal material
                break;
            case TYPE_REFTARG:
                pb->SetValue(d.id, 0, Create(14), k);
                break;
            case TYPE_INODE: {
                INode* node = GetCOREInterface()->CreateObjectNode(
                    static_cast<Object*>(static_cast<Animatable*>(
                        GetCOREInterface()->CreateInstance(HELPER_CLASS_ID, DUMMY_CLASS_ID))));
                nodes.push_back(node);
                pb->SetValue(d.id, 0, node, k);
                break;
            }
            default:
                pb->SetValue(d.id, 0, Changed(d, k), k);
            }
        }
    }
}

std::string Describe(IParamBlock2* pb) {
    std::ostringstream s;
    ParamBlockDesc2* desc = pb->GetDesc();
    for (int i = 0; i < desc->Count(); ++i) {
        const ParamDef& d = desc->GetParamDefByIndex(i);
        s << d.id << "[";
        for (int k = 0; k < (IsTab(d.type) ? pb->Count(d.id) : 1); ++k) {
            const PB2Value v = pb->GetRawValue(d.id, 0, k);
            if (IsFloatType(d.type)) s << v.f;
            else if (IsIntType(d.type)) s << v.i;
            else if (IsPoint3Type(d.type)) s << v.p.x << "," << v.p.y << "," << v.p.z;
            else if (IsPoint4Type(d.type)) s << v.p4.x << "," << v.p4.y << "," << v.p4.z << "," << v.p4.w;
            else if (IsStringType(d.type)) s << ToUtf8(v.s);
            else if (auto* node = dynamic_cast<INode*>(v.r)) s << "node " << ToUtf8(node->GetName());
            else if (v.r) {
                MSTR n;
                v.r->GetClassName(n);
                s << ToUtf8(n);
            } else s << "none";
            s << ";";
        }
        s << "] ";
    }
    return s.str();
}

std::string DescribeDefaults(ParamBlockDesc2* desc) {
    RefHolder fresh(CreateParameterBlock2(desc, nullptr));
    return Describe(static_cast<IParamBlock2*>(fresh.Get()));
}

class RoundTrip : public ::testing::TestWithParam<unsigned> {};

TEST_P(RoundTrip, CloneSaveLoadAndReset) {
    const unsigned index = GetParam();
    Interface* ip = GetCOREInterface();
    ip->ResetScene();
    ReferenceTarget* obj = Create(index);
    ASSERT_NE(obj, nullptr);
    ip->AddToScene(obj);
    IParamBlock2* pb = obj->GetParamBlock(0);
    std::vector<INode*> nodes;
    FillBlock(pb, nodes);
    const std::string filled = Describe(pb);

    // Clone: equal values; maps and materials cloned, nodes shared.
    RemapDir remap;
    auto* copy = remap.CloneRef(obj);
    ASSERT_NE(copy, nullptr);
    ip->AddToScene(copy);
    EXPECT_EQ(Describe(copy->GetParamBlock(0)), filled);

    // Save and load: equal values, node entries point at the loaded nodes.
    const std::string path =
        (std::filesystem::temp_directory_path() / ("roundtrip_" + std::to_string(index) + ".nscene")).string();
    std::string error;
    ASSERT_TRUE(ip->SaveToFile(FromUtf8(path), error)) << error;
    ip->ResetScene();
    ASSERT_TRUE(ip->LoadFromFile(FromUtf8(path), error)) << error;
    std::remove(path.c_str());
    ASSERT_EQ(ip->NumSceneObjects(), 2);
    ReferenceTarget* loaded = ip->GetSceneObject(0);
    EXPECT_EQ(loaded->ClassID(), classDescAt(index)->ClassID());
    EXPECT_EQ(Describe(loaded->GetParamBlock(0)), filled);
    EXPECT_EQ(Describe(ip->GetSceneObject(1)->GetParamBlock(0)), filled);

    // Reset: back to the declared defaults.
    const std::string defaults = DescribeDefaults(loaded->GetParamBlock(0)->GetDesc());
    classDescAt(index)->Reset(loaded, TRUE, TRUE);
    EXPECT_EQ(Describe(loaded->GetParamBlock(0)), defaults);
    ip->ResetScene();
}

INSTANTIATE_TEST_SUITE_P(AllClasses, RoundTrip, ::testing::Range(0u, ALL_CLASSES), [](const auto& info) {
    return ToUtf8(classDescAt(info.param)->ClassName());
});

}  // namespace
}  // namespace Nimbal

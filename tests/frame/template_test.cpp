// What the plug-in templates give every class, shown on small classes of the
// tests' own and on the ambient-occlusion map.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "AoTex/AoTex.h"
#include "ClassDescs.h"
#include "PluginTemplate.h"
#include "core-interface/Exception.h"
#include "host/Max.h"

namespace Nimbal {
namespace {

// A map with one slot that is always on and one with an enable switch, and a
// class that claims a second reference without supplying the hooks.
class ProbeTex;
struct ProbeTexTraits {
    using Base = ::Texmap;
    using Final = ProbeTex;
    static constexpr SClass_ID SUPER_CLASS_ID = TEXMAP_CLASS_ID;
    static ClassDesc2* classDesc();
};

class ProbeTex final : public TexmapTemplate<ProbeTexTraits> {
public:
    ProbeTex() {
        addSubTexmapSlot("Always", 1, 0);
        addSubTexmapSlot("Switched", 2, 3);
    }
    void copyFrom(const ProbeTex& from) override { copiedFrom = &from; cache = from.cache; }
    const ProbeTex* copiedFrom = nullptr;
    int cache = 0;
    int extraRefs = 0;
    int NumRefs() override { return 1 + extraRefs; }
};

class ProbeTexCd : public ClassDescCommon {
public:
    ProbeTexCd() : ClassDescCommon(TEXMAP_CAT_2D, "ProbeTex", TEXMAP_CLASS_ID, Class_ID(0x1234, 0x5678)) {}
    void* Create(BOOL) override { return new ProbeTex(); }
};
ProbeTexCd probeCd;
ParamBlockDesc2 probePb(BlockDesc{0, "ProbePb", 0, &probeCd, P_AUTO_CONSTRUCT | P_AUTO_UI, 3, 0, {RolloutDesc{0, 100, 0, 0, nullptr}}},
                        {
                            {.id = 0, .name = "amount", .type = TYPE_FLOAT, .flags = P_ANIMATABLE, .def = 0.5f,
                             .range = ParamRange{0, 1}},
                            {.id = 1, .name = "mapAlways", .type = TYPE_TEXMAP, .subTexNo = 0},
                            {.id = 2, .name = "mapSwitched", .type = TYPE_TEXMAP, .subTexNo = 1},
                            {.id = 3, .name = "mapSwitchedOn", .type = TYPE_BOOL, .def = true},
                        });
ClassDesc2* ProbeTexTraits::classDesc() { return &probeCd; }

struct Registered {
    Registered() { ClassDirectory::Get().AddClass(&probeCd); }
} registered;

ReferenceTarget* Create(ClassDesc* cd) {
    return dynamic_cast<ReferenceTarget*>(static_cast<Animatable*>(cd->Create(FALSE)));
}

TEST(Template, EveryClassHasOneBlockAsItsOnlyReference) {
    for (unsigned i = 0; i < ALL_CLASSES; ++i) {
        ClassDescCommon* cd = classDescAt(i);
        SCOPED_TRACE(ToUtf8(cd->ClassName()));
        ReferenceTarget* obj = Create(cd);
        ASSERT_NE(obj, nullptr);
        RefHolder hold(obj);
        IParamBlock2* pb = obj->GetParamBlock(0);
        ASSERT_NE(pb, nullptr);
        // Only the scatter holds more: links to the nodes it depends on.
        if (cd->ClassID() != Class_ID(0x63B20069, 0x325E5220)) {
            EXPECT_EQ(obj->NumRefs(), 1);
            EXPECT_EQ(obj->NumSubs(), 1);
        }
        EXPECT_EQ(obj->GetReference(0), pb);
        EXPECT_EQ(obj->SubAnim(0), pb);
        EXPECT_EQ(ToUtf8(obj->SubAnimName(0)), "Pblock");
        EXPECT_EQ(obj->NumParamBlocks(), 1);
        EXPECT_EQ(obj->GetParamBlock(5), pb);
        EXPECT_EQ(obj->GetParamBlockByID(7), pb);
        EXPECT_EQ(pb->GetDesc(), cd->GetParamBlockDesc(0));
        MSTR name;
        obj->GetClassName(name);
        EXPECT_EQ(name, MSTR(cd->ClassName()));
        EXPECT_EQ(obj->ClassID(), cd->ClassID());
        EXPECT_EQ(obj->SuperClassID(), cd->SuperClassID());
    }
}

TEST(Template, SlotsReadTheirParametersAndSwitches) {
    RefHolder hold(Create(&probeCd));
    auto* tex = static_cast<ProbeTex*>(hold.Get());
    ASSERT_EQ(tex->NumSubTexmaps(), 2);
    EXPECT_EQ(ToUtf8(tex->GetSubTexmapSlotName(0)), "Always");
    EXPECT_EQ(tex->subTexmapSlots[1].ids, 2u | (3u << 16));

    tex->pblock->SetValue(3, 0, 0);
    EXPECT_EQ(tex->SubTexmapOn(0), 1);  // no switch: always on
    EXPECT_EQ(tex->SubTexmapOn(1), 0);
    tex->pblock->SetValue(3, 0, 7);
    EXPECT_EQ(tex->SubTexmapOn(1), 1);

    auto* sub = static_cast<Texmap*>(Create(&probeCd));
    tex->SetSubTexmap(1, sub);
    EXPECT_EQ(tex->GetSubTexmap(1), sub);
    EXPECT_EQ(tex->pblock->GetTexmap(2), sub);
    EXPECT_EQ(tex->GetSubTexmap(0), nullptr);
    EXPECT_THROW(tex->GetSubTexmap(2), Exception);
}

TEST(Template, CloneRemapsSlotMapsAndRunsTheCopyHook) {
    RefHolder hold(Create(&probeCd));
    auto* tex = static_cast<ProbeTex*>(hold.Get());
    auto* shared = static_cast<Texmap*>(Create(&probeCd));
    tex->SetSubTexmap(0, shared);
    tex->SetSubTexmap(1, shared);
    tex->SetName(u"Probe #1");
    tex->cache = 42;
    tex->pblock->SetValue(0, 0, 0.25f);

    RemapDir remap;
    auto* copy = static_cast<ProbeTex*>(remap.CloneRef(tex));
    RefHolder holdCopy(copy);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->pblock, tex->pblock);
    EXPECT_FLOAT_EQ(copy->pblock->GetFloat(0), 0.25f);
    Texmap* cloned = copy->GetSubTexmap(0);
    ASSERT_NE(cloned, nullptr);
    EXPECT_NE(cloned, shared);
    EXPECT_EQ(cloned, remap.FindMapping(shared));
    EXPECT_EQ(copy->GetSubTexmap(1), cloned);  // still shared in the copy
    EXPECT_EQ(copy->copiedFrom, tex);
    EXPECT_EQ(copy->cache, 42);
    EXPECT_EQ(copy->GetName(), MSTR(u"Probe #1"));
}

TEST(Template, AmbientOcclusionCloneKeepsItsSlotMap) {
    RefHolder hold(Create(classDescAt(5)));
    auto* ao = static_cast<AoTex*>(hold.Get());
    auto* occluded = static_cast<Texmap*>(Create(classDescAt(5)));
    ao->SetSubTexmap(0, occluded);
    RemapDir remap;
    auto* copy = static_cast<Texmap*>(remap.CloneRef(ao));
    RefHolder holdCopy(copy);
    EXPECT_EQ(copy->GetSubTexmap(0), remap.FindMapping(occluded));
    EXPECT_NE(copy->GetSubTexmap(0), nullptr);
    EXPECT_NE(copy->GetSubTexmap(0), occluded);
}

TEST(Template, ReferenceHooksNotSuppliedRaiseTheAssertion) {
    RefHolder hold(Create(&probeCd));
    auto* tex = static_cast<ProbeTex*>(hold.Get());
    tex->extraRefs = 1;
    struct Case {
        const char* what;
        std::function<void()> call;
    } cases[] = {
        {"reference", [&] { tex->GetReference(1); }},
        {"set reference", [&] { tex->SetReference(1, nullptr); }},
        {"sub-animatable name", [&] { tex->SubAnimName(1); }},
    };
    std::set<std::string> messages;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.call();
            ADD_FAILURE() << "no assertion";
        } catch (const Exception& e) {
            EXPECT_EQ(e.getCode(), 123);
            const std::string msg = e.getMessage().toUtf8();
            EXPECT_EQ(msg.rfind("STOP@", 0), 0u) << msg;
            EXPECT_NE(msg.find("PluginTemplate.h("), std::string::npos) << msg;
            EXPECT_EQ(msg, e.what());
            messages.insert(msg);
        }
    }
    EXPECT_EQ(messages.size(), 3u);  // each hook names its own line
    tex->extraRefs = 0;
}

TEST(Template, ResetValidityAndNotification) {
    RefHolder hold(Create(&probeCd));
    auto* tex = static_cast<ProbeTex*>(hold.Get());
    tex->pblock->SetValue(0, 0, 0.9f);
    tex->Reset();
    EXPECT_FLOAT_EQ(tex->pblock->GetFloat(0), 0.5f);

    EXPECT_TRUE(tex->Validity(100).IsInfinite());
    AnimateOn();
    tex->pblock->SetValue(0, 4800, 1.0f);
    AnimateOff();
    EXPECT_EQ(tex->Validity(2400), Interval(2400, 2400));
    EXPECT_EQ(tex->Validity(9600), Interval(4800, TIME_PosInfinity));

    struct Listener : ReferenceMaker {
        RefTargetHandle target = nullptr;
        RefMessage last = 0;
        PartID part = 0;
        int NumRefs() override { return 1; }
        RefTargetHandle GetReference(int) override { return target; }
        void SetReference(int, RefTargetHandle t) override { target = t; }
        RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID& p, RefMessage m, BOOL) override {
            last = m;
            part = p;
            return REF_SUCCEED;
        }
    } listener;
    listener.ReplaceReference(0, tex);
    tex->notifyAllChanged();
    EXPECT_EQ(listener.last, 0x50u);
    EXPECT_EQ(listener.part, 0x800037FFu);
    listener.DeleteAllRefsFromMe();
}

TEST(Template, SaveWritesOneTemplateChunkAndLoadReadsItBack) {
    Interface* ip = GetCOREInterface();
    ip->ResetScene();
    auto* tex = static_cast<ProbeTex*>(Create(&probeCd));
    tex->SetName(u"Saved map");
    ip->AddToScene(tex);
    auto* ao = Create(classDescAt(5));
    ip->AddToScene(ao);
    const std::string path = (std::filesystem::temp_directory_path() / "template_chunks.nscene").string();
    std::string error;
    ASSERT_TRUE(ip->SaveToFile(FromUtf8(path), error)) << error;

    std::vector<SceneFile::ObjectInfo> objects;
    ASSERT_TRUE(SceneFile::Inspect(path, objects, error)) << error;
    int plugins = 0;
    for (const auto& o : objects) {
        if (o.kind != 0) continue;
        ++plugins;
        EXPECT_EQ(o.topChunks, std::vector<USHORT>{4000});
    }
    EXPECT_EQ(plugins, 2);

    ip->ResetScene();
    ASSERT_TRUE(ip->LoadFromFile(FromUtf8(path), error)) << error;
    ASSERT_EQ(ip->NumSceneObjects(), 2);
    auto* loaded = dynamic_cast<ProbeTex*>(ip->GetSceneObject(0));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetName(), MSTR(u"Saved map"));
    ip->ResetScene();
    std::remove(path.c_str());
}

TEST(Template, ParamDialogBuildsTheRolloutsAndRestoresTheirState) {
    RefHolder hold(Create(&probeCd));
    auto* tex = static_cast<ProbeTex*>(hold.Get());
    const int before = probeCd.RolloutRestores();
    IAutoMParamDlg* dlg = tex->CreateParamDlg(nullptr, nullptr);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->NumMaps(), 1);
    EXPECT_EQ(dlg->GetMap(0)->DialogId(), 100);
    EXPECT_EQ(probeCd.RolloutRestores(), before + 1);
    dlg->DeleteThis();
}

}  // namespace
}  // namespace Nimbal

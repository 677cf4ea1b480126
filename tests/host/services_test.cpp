// Host services: notifications, function publishing, the class directory and
// plug-in libraries given by their entry points.
#include <gtest/gtest.h>

#include "fixtures.h"

using namespace hosttest;

namespace {

constexpr int CODE_A = 0x7E5701;
constexpr int CODE_B = 0x7E5702;

struct Listener {
    int calls = 0;
    void* lastParam = nullptr;
    // Unregistered by this listener when it is called.
    Listener* drop = nullptr;
    int code = CODE_A;
};

void Listen(void* param, NotifyInfo* info) {
    auto* self = static_cast<Listener*>(param);
    ++self->calls;
    self->lastParam = info->callParam;
    if (self->drop) UnRegisterNotification(Listen, self->drop, self->drop->code);
}

}  // namespace

TEST(Notifications, ABroadcastReachesTheHandlersOfItsCodeOnce) {
    Listener a, b;
    b.code = CODE_B;
    EXPECT_TRUE(RegisterNotification(Listen, &a, CODE_A));
    EXPECT_TRUE(RegisterNotification(Listen, &a, CODE_A));  // twice is once
    EXPECT_TRUE(RegisterNotification(Listen, &b, CODE_B));
    EXPECT_FALSE(RegisterNotification(nullptr, &a, CODE_A));
    int payload = 0;
    BroadcastNotification(CODE_A, &payload);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(a.lastParam, &payload);
    EXPECT_EQ(b.calls, 0);

    EXPECT_TRUE(UnRegisterNotification(Listen, &a, CODE_A));
    EXPECT_FALSE(UnRegisterNotification(Listen, &a, CODE_A));
    BroadcastNotification(CODE_A);
    EXPECT_EQ(a.calls, 1);
    EXPECT_TRUE(UnRegisterNotification(Listen, &b, CODE_B));
}

TEST(Notifications, HandlersMayUnregisterDuringABroadcast) {
    // first drops second (registered later); third drops itself.
    Listener first, second, third;
    first.drop = &second;
    third.drop = &third;
    RegisterNotification(Listen, &first, CODE_A);
    RegisterNotification(Listen, &second, CODE_A);
    RegisterNotification(Listen, &third, CODE_A);
    BroadcastNotification(CODE_A);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 0);
    EXPECT_EQ(third.calls, 1);
    BroadcastNotification(CODE_A);
    EXPECT_EQ(first.calls, 2);
    EXPECT_EQ(third.calls, 1);
    UnRegisterNotification(Listen, &first, CODE_A);
}

namespace {

constexpr Interface_ID CALC_ID(0x7E57F001, 0x1);

class Calc : public FPInterface {
public:
    enum { fn_add = 1, fn_greet = 2, fn_scale = 3 };
    using FPInterface::Invoke;
    FPInterfaceDesc* GetDesc() override {
        static FPInterfaceDesc desc(CALC_ID, "calc",
                                    {{fn_add, "add", TYPE_INT, {{"a", TYPE_INT}, {"b", TYPE_INT}}},
                                     {fn_greet, "greet", TYPE_STRING, {{"who", TYPE_STRING}}},
                                     {fn_scale, "scale", TYPE_FLOAT, {{"by", TYPE_FLOAT}}}});
        return &desc;
    }
    FPStatus Invoke(FunctionID fid, FPValue& result, const FPParams& p) override {
        switch (fid) {
        case fn_add: result = FPValue::Int(p[0].i + p[1].i); return FPS_OK;
        case fn_greet: result = FPValue::String(u"hello " + p[0].s); return FPS_OK;
        case fn_scale: result = FPValue::Float(2.0f * p[0].f); return FPS_OK;
        default: return FPS_NO_SUCH_FUNCTION;
        }
    }
};

}  // namespace

TEST(FunctionPublishing, FunctionsAreCalledByNameWithTheirArguments) {
    Calc calc;
    FPValue result;
    ASSERT_EQ(calc.Invoke("add", result, {FPValue::Int(2), FPValue::Int(3)}), FPS_OK);
    EXPECT_EQ(result.type, TYPE_INT);
    EXPECT_EQ(result.i, 5);
    ASSERT_EQ(calc.Invoke("greet", result, {FPValue::String(u"world")}), FPS_OK);
    EXPECT_EQ(result.s, u"hello world");
    ASSERT_EQ(calc.Invoke(FunctionID(Calc::fn_add), result, {FPValue::Int(1), FPValue::Int(1)}), FPS_OK);
    EXPECT_EQ(result.i, 2);

    EXPECT_EQ(calc.Invoke("subtract", result, {}), FPS_NO_SUCH_FUNCTION);
    EXPECT_EQ(calc.Invoke("add", result, {FPValue::Int(2)}), FPS_FAIL);
    EXPECT_EQ(calc.Invoke("greet", result, {}), FPS_FAIL);
    // Arguments of another kind are refused; numbers convert.
    EXPECT_EQ(calc.Invoke("add", result, {FPValue::String(u"2"), FPValue::Int(3)}), FPS_FAIL);
    EXPECT_EQ(calc.Invoke("greet", result, {FPValue::Int(1)}), FPS_FAIL);
    ASSERT_EQ(calc.Invoke("scale", result, {FPValue::Int(3)}), FPS_OK);
    EXPECT_EQ(result.f, 6.0f);
    ASSERT_EQ(calc.Invoke("add", result, {FPValue::Float(2.0f), FPValue::Bool(true)}), FPS_OK);
    EXPECT_EQ(result.i, 3);

    const FPInterfaceDesc* desc = calc.GetDesc();
    EXPECT_EQ(desc->FindFunction("greet")->id, Calc::fn_greet);
    EXPECT_EQ(desc->FindFunction(FunctionID(Calc::fn_scale))->name, std::string("scale"));
    EXPECT_EQ(desc->FindFunction("nothing"), nullptr);
    EXPECT_EQ(calc.GetID(), CALC_ID);
}

namespace {

class LibClass : public ClassDesc2 {
public:
    LibClass(const MCHAR* name, Class_ID cid) : name_(name), cid_(cid) {}
    int IsPublic() override { return 1; }
    void* Create(BOOL) override { return new Plain(0, name_); }
    const MCHAR* ClassName() override { return name_; }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    Class_ID ClassID() override { return cid_; }
    const MCHAR* Category() override { return u"Library"; }

private:
    const MCHAR* name_;
    Class_ID cid_;
};

LibClass g_libA(u"LibA", Class_ID(0x7E57A001, 1));
LibClass g_libB(u"LibB", Class_ID(0x7E57A002, 1));

struct LibState {
    ULONG version = MAX_VERSION;
    int initResult = TRUE;
    int inits = 0;
    int shutdowns = 0;
} g_lib;

const MCHAR* LibDescription() { return u"Test library"; }
int LibNumberClasses() { return 3; }
ClassDesc* LibClassDesc(unsigned int i) {
    // Index 1 has no class: the host skips it.
    return i == 0 ? static_cast<ClassDesc*>(&g_libA) : i == 2 ? static_cast<ClassDesc*>(&g_libB) : nullptr;
}
ULONG LibVersion() { return g_lib.version; }
int LibInitialize() {
    ++g_lib.inits;
    return g_lib.initResult;
}
int LibShutdown() {
    ++g_lib.shutdowns;
    return TRUE;
}

PluginEntryPoints Entries() {
    PluginEntryPoints e;
    e.LibDescription = LibDescription;
    e.LibNumberClasses = LibNumberClasses;
    e.LibClassDesc = LibClassDesc;
    e.LibVersion = LibVersion;
    e.LibInitialize = LibInitialize;
    e.LibShutdown = LibShutdown;
    return e;
}

}  // namespace

TEST(ClassDirectoryTest, TheHostsOwnClassesAreCreatedBySuperClassAndClassID) {
    struct Case {
        SClass_ID sclass;
        Class_ID cid;
    };
    const Case cases[] = {{GEOMOBJECT_CLASS_ID, TRIOBJ_CLASS_ID},
                          {HELPER_CLASS_ID, DUMMY_CLASS_ID},
                          {GEOMOBJECT_CLASS_ID, TARGET_CLASS_ID}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cid.PartA());
        ASSERT_NE(ClassDirectory::Get().FindClass(c.sclass, c.cid), nullptr);
        auto* obj = static_cast<ReferenceTarget*>(GetCOREInterface()->CreateInstance(c.sclass, c.cid));
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(obj->ClassID(), c.cid);
        EXPECT_EQ(obj->SuperClassID(), c.sclass);
        obj->DeleteMe();
    }
    // The same Class_ID under another super-class is another class.
    EXPECT_EQ(ClassDirectory::Get().CreateInstance(HELPER_CLASS_ID, TRIOBJ_CLASS_ID), nullptr);
    EXPECT_EQ(ClassDirectory::Get().FindClassByName(u"Dummy")->ClassID(), DUMMY_CLASS_ID);
    EXPECT_EQ(ClassDirectory::Get().FindClassByName(u"No such class"), nullptr);
}

TEST(ClassDirectoryTest, ALibraryGivenByItsEntryPointsRegistersItsClassesUntilItGoes) {
    g_lib = LibState();
    const Census before;
    std::string error;
    {
        auto lib = PluginLibrary::FromEntryPoints(Entries(), error);
        ASSERT_NE(lib, nullptr) << error;
        EXPECT_EQ(g_lib.inits, 1);
        EXPECT_EQ(lib->Description(), u"Test library");
        ASSERT_EQ(lib->NumClasses(), 2);
        EXPECT_EQ(lib->Class(1), &g_libB);
        EXPECT_EQ(ClassDirectory::Get().FindClass(REF_TARGET_CLASS_ID, Class_ID(0x7E57A002, 1)), &g_libB);
        auto* made = static_cast<Plain*>(
            ClassDirectory::Get().CreateInstance(REF_TARGET_CLASS_ID, Class_ID(0x7E57A001, 1)));
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->name, u"LibA");
        made->DeleteMe();
    }
    EXPECT_EQ(g_lib.shutdowns, 1);
    EXPECT_EQ(ClassDirectory::Get().FindClass(REF_TARGET_CLASS_ID, Class_ID(0x7E57A001, 1)), nullptr);
    EXPECT_EQ(Census(), before);
}

TEST(ClassDirectoryTest, ABrokenLibraryIsRefusedWithAReason) {
    struct Case {
        const char* what;
        PluginEntryPoints entries;
        LibState state;
        const char* why;
        int inits;
    };
    PluginEntryPoints missing = Entries();
    missing.LibClassDesc = nullptr;
    LibState otherVersion;
    otherVersion.version = MAX_VERSION + 1;
    LibState refuses;
    refuses.initResult = FALSE;
    const Case cases[] = {
        {"an entry point is missing", missing, LibState(), "entry point", 0},
        {"built for another host", Entries(), otherVersion, "version", 0},
        {"initialisation fails", Entries(), refuses, "initialise", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_lib = c.state;
        std::string error;
        EXPECT_EQ(PluginLibrary::FromEntryPoints(c.entries, error), nullptr);
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_EQ(g_lib.inits, c.inits);
        EXPECT_EQ(g_lib.shutdowns, 0);
        EXPECT_EQ(ClassDirectory::Get().FindClass(REF_TARGET_CLASS_ID, Class_ID(0x7E57A001, 1)), nullptr);
    }
    std::string error;
    EXPECT_EQ(PluginLibrary::Open("/nonexistent/plugin.dlo", error), nullptr);
    EXPECT_NE(error.find("/nonexistent/plugin.dlo"), std::string::npos) << error;
}

TEST(ClassDirectoryTest, ADescriptorPublishesItsInterfaces) {
    Calc calc;
    LibClass desc(u"WithInterface", Class_ID(0x7E57A003, 1));
    desc.AddInterface(&calc);
    EXPECT_EQ(desc.NumInterfaces(), 1);
    EXPECT_EQ(desc.GetInterface(CALC_ID), &calc);
    EXPECT_EQ(desc.GetInterfaceAt(1), nullptr);
    EXPECT_EQ(desc.GetInterface(Interface_ID(1, 1)), nullptr);
    FPValue result;
    EXPECT_EQ(desc.GetInterface(CALC_ID)->Invoke("add", result, {FPValue::Int(4), FPValue::Int(5)}), FPS_OK);
    EXPECT_EQ(result.i, 9);
}

// The renderer class: registered through the plug-in's entry points, set as
// the production renderer, found by the library, its four parameters read
// and written by id, and kept by scene files.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "core-interface/NimbalMax.h"
#include "host/Max.h"
#include "renderer/RendererPlugin.h"

using namespace Nimbal;

namespace {

class RendererPluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        plugin = loadRendererPlugin(error);
        ASSERT_NE(plugin, nullptr) << error;
        GetCOREInterface()->ResetScene();
    }
    void TearDown() override { GetCOREInterface()->ResetScene(); }
    std::unique_ptr<PluginLibrary> plugin;
};

TEST_F(RendererPluginTest, RegistersOneRendererClassWithItsBlock) {
    ASSERT_EQ(plugin->NumClasses(), 1);
    ClassDesc* cd = ClassDirectory::Get().FindClass(RENDERER_CLASS_ID, NimbalMax::CLASS_ID);
    ASSERT_EQ(cd, plugin->Class(0));
    EXPECT_EQ(ClassDirectory::Get().FindClassByName(u"NimbalMax"), cd);

    auto* cd2 = dynamic_cast<ClassDesc2*>(cd);
    ASSERT_NE(cd2, nullptr);
    ParamBlockDesc2* pbd = cd2->GetParamBlockDesc(0);
    ASSERT_NE(pbd, nullptr);
    struct Case {
        ParamID id;
        int type;
    } cases[] = {{1001, TYPE_TEXMAP}, {1013, TYPE_INT}, {1057, TYPE_INT}, {1077, TYPE_BOOL}};
    ASSERT_EQ(pbd->Count(), 4);
    for (const Case& c : cases) {
        const ParamDef* d = pbd->GetParamDef(c.id);
        ASSERT_NE(d, nullptr) << c.id;
        EXPECT_EQ(d->type, c.type) << c.id;
    }
}

TEST_F(RendererPluginTest, TheLibraryFindsItOnlyAsTheProductionRenderer) {
    Interface* ip = GetCOREInterface();
    EXPECT_EQ(nimbalMaxParamBlock(ip), nullptr);
    EXPECT_EQ(nimbalMaxParamBlock(nullptr), nullptr);

    NimbalMax* renderer = makeProductionRenderer(ip);
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(ip->GetProductionRenderer(), renderer);
    IParamBlock2* pb = nimbalMaxParamBlock(ip);
    ASSERT_EQ(pb, renderer->pblock);

    // Writes by id, as the sun and the camera modifier do.
    Texmap* env = static_cast<Texmap*>(static_cast<Animatable*>(ip->CreateInstance(TEXMAP_CLASS_ID, BMTEX_CLASS_ID)));
    ASSERT_NE(env, nullptr);
    pb->SetValue(NimbalMax::PARAM_ENVIRONMENT_TEXMAP, 0, static_cast<ReferenceTarget*>(env));
    pb->SetValue(NimbalMax::PARAM_USE_ENVIRONMENT_TEXMAP, 0, 1);
    pb->SetValue(NimbalMax::PARAM_SUN_SKY_TO_RENDERER, 0, 1);
    pb->SetValue(NimbalMax::PARAM_PHYSICAL_EXPOSURE, 0, TRUE);
    EXPECT_EQ(pb->GetTexmap(1001), env);
    EXPECT_EQ(pb->GetInt(1013), 1);
    EXPECT_EQ(pb->GetInt(1057), 1);
    EXPECT_EQ(pb->GetInt(1077), 1);

    // Another renderer is not mistaken for it.
    class OtherRenderer : public ::Renderer {
    public:
        Class_ID ClassID() override { return Class_ID(0x1234, 0x5678); }
    };
    ip->AssignCurRenderer(new OtherRenderer());
    EXPECT_EQ(nimbalMaxParamBlock(ip), nullptr);
}

TEST_F(RendererPluginTest, SceneFilesKeepTheRendererAndItsParameters) {
    Interface* ip = GetCOREInterface();
    NimbalMax* renderer = makeProductionRenderer(ip);
    ASSERT_NE(renderer, nullptr);
    renderer->pblock->SetValue(NimbalMax::PARAM_PHYSICAL_EXPOSURE, 0, TRUE);
    renderer->pblock->SetValue(NimbalMax::PARAM_SUN_SKY_TO_RENDERER, 0, 1);

    const std::string path =
        (std::filesystem::temp_directory_path() / ("nimbal-renderer-" + std::to_string(::getpid()) + ".nscene")).string();
    std::string error;
    ASSERT_TRUE(ip->SaveToFile(FromUtf8(path), error)) << error;
    ip->ResetScene();
    ASSERT_EQ(nimbalMaxParamBlock(ip), nullptr);
    ASSERT_TRUE(ip->LoadFromFile(FromUtf8(path), error)) << error;
    std::filesystem::remove(path);

    IParamBlock2* pb = nimbalMaxParamBlock(ip);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(pb->GetInt(NimbalMax::PARAM_PHYSICAL_EXPOSURE), 1);
    EXPECT_EQ(pb->GetInt(NimbalMax::PARAM_SUN_SKY_TO_RENDERER), 1);
    EXPECT_EQ(pb->GetInt(NimbalMax::PARAM_USE_ENVIRONMENT_TEXMAP), 0);
}

TEST(RendererPlugin, UnloadingRemovesTheClass) {
    {
        std::string error;
        auto plugin = loadRendererPlugin(error);
        ASSERT_NE(plugin, nullptr) << error;
        EXPECT_NE(ClassDirectory::Get().FindClass(RENDERER_CLASS_ID, NimbalMax::CLASS_ID), nullptr);
    }
    EXPECT_EQ(ClassDirectory::Get().FindClass(RENDERER_CLASS_ID, NimbalMax::CLASS_ID), nullptr);
    EXPECT_EQ(makeProductionRenderer(GetCOREInterface()), nullptr);
}

}  // namespace

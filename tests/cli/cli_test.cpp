// The tool as a user runs it, and the plug-in module as a host loads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/run_nimbal.h"
#include "host/Max.h"

namespace {

using clitest::kBin;
using Result = clitest::Outcome;

Result Nimbal(const std::string& args, const std::string& env = "") {
    return clitest::RunShell(env + " " + kBin + "/nimbal " + args + " 2>/dev/null");
}

TEST(Cli, ClassesListsTheRegistryThroughTheModule) {
    const Result pub = Nimbal("classes --json", "env -u NIMBAL_DEVELOPMENT");
    ASSERT_EQ(pub.code, 0);
    const auto rows = nlohmann::json::parse(pub.out);
    ASSERT_EQ(rows.size(), 24u);
    EXPECT_EQ(rows[10]["class"], "Proxy");
    EXPECT_EQ(rows[10]["className"], "NProxy");
    EXPECT_EQ(rows[10]["category"], "Nimbal");
    EXPECT_EQ(rows[10]["superClassId"], 16);
    EXPECT_EQ(rows[10]["classId"], nlohmann::json({0x2B0264BC, 0x05EC07F5}));
    EXPECT_EQ(rows[4]["category"], "Environment");

    const Result dev = Nimbal("classes --json", "NIMBAL_DEVELOPMENT=1");
    ASSERT_EQ(dev.code, 0);
    const auto all = nlohmann::json::parse(dev.out);
    ASSERT_EQ(all.size(), 26u);
    EXPECT_EQ(all[25]["className"], "NimbalColorMapper");
    EXPECT_EQ(all[24]["class"], "FractalTex");
}

TEST(Cli, ParamsShowsTheBlockFromTheDescriptor) {
    const Result r = Nimbal("params NimbalAO --json");
    ASSERT_EQ(r.code, 0);
    const auto c = nlohmann::json::parse(r.out);
    EXPECT_EQ(c["className"], "NimbalAO");
    EXPECT_EQ(c["block"]["name"], "NimbalAoPb");
    EXPECT_EQ(c["block"]["id"], 0);
    ASSERT_TRUE(c["params"].is_array());
    bool sawTable = false;
    for (const auto& p : c["params"]) {
        for (const char* key : {"id", "name", "type", "animatable", "default", "range"})
            EXPECT_TRUE(p.contains(key)) << key;
        if (p["type"].get<int>() & 0x800) sawTable = true;
    }
    EXPECT_TRUE(sawTable);
    EXPECT_TRUE(Nimbal("params --all --json").code == 0);
}

TEST(Cli, ErrorsHaveTheirExitCodes) {
    EXPECT_EQ(Nimbal("params NoSuchClass").code, 1);
    EXPECT_EQ(Nimbal("params").code, 2);
    EXPECT_EQ(Nimbal("no-such-command").code, 2);
    EXPECT_EQ(Nimbal("classes --bogus").code, 2);
    EXPECT_EQ(Nimbal("classes", "NIMBAL_PLUGIN=/nonexistent/module.so").code, 1);
    const Result v = Nimbal("--version");
    EXPECT_EQ(v.code, 0);
    EXPECT_NE(v.out.find("nimbal"), std::string::npos);
}

TEST(Cli, DemoSavesAndReloadsEveryClass) {
    const auto dir = std::filesystem::temp_directory_path() / "nimbal-demo-test";
    std::filesystem::remove_all(dir);
    const Result r = Nimbal("demo --out " + dir.string());
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "demo.nscene"));
    EXPECT_NE(r.out.find("every parameter is equal"), std::string::npos) << r.out;
    // The typical road: a mesh saved as a proxy, rendered from the proxy's file.
    EXPECT_TRUE(std::filesystem::exists(dir / "torus.nproxy"));
    EXPECT_NE(r.out.find("render mesh from the proxy: 1152 vertices, 2304 faces"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("proxy status: Proxy loaded: '"), std::string::npos) << r.out;
    std::filesystem::remove_all(dir);
}

TEST(PluginModule, HostLoadsItThroughTheEntryPoints) {
    std::string error;
    auto lib = PluginLibrary::Open(kBin + "/nimbal_utilities.so", error);
    ASSERT_TRUE(lib) << error;
    EXPECT_EQ(ToUtf8(lib->Description()), "Nimbal renderer utilities library");
    EXPECT_EQ(lib->Entry().CanAutoDefer(), 0u);
    EXPECT_EQ(lib->Entry().LibVersion(), Get3DSMAXVersion());
    ASSERT_EQ(lib->NumClasses(), 24);
    ClassDesc* proxy = ClassDirectory::Get().FindClass(GEOMOBJECT_CLASS_ID, Class_ID(0x2B0264BC, 0x05EC07F5));
    ASSERT_NE(proxy, nullptr);
    EXPECT_NE(proxy->HInstance(), nullptr);
    auto* obj = dynamic_cast<ReferenceTarget*>(static_cast<Animatable*>(proxy->Create(FALSE)));
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(ToUtf8(obj->SubAnimName(0)), "Pblock");
    obj->DeleteMe();
}

TEST(PluginModule, NotAPluginIsRefused) {
    std::string error;
    EXPECT_FALSE(PluginLibrary::Open("/nonexistent.so", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace

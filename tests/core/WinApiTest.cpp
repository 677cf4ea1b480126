#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core-interface/WinApi.h"

namespace WinApi = Nimbal::WinApi;
using Nimbal::Stack;
using Nimbal::String;

namespace {

std::vector<std::string> utf8(const Stack<String>& paths) {
    std::vector<std::string> out;
    for (const String& p : paths) out.push_back(p.toUtf8());
    return out;
}

// A small tree: files at two depths, an empty directory and a link back to
// the root that must not send the listing round in circles.
class GetFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() / ("nimbal-getfiles-" + std::to_string(::getpid()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "sub" / "deep");
        std::filesystem::create_directories(root_ / "empty");
        for (const char* name : {"b.obj", "a.nbin", "sub/c.nmesh", "sub/deep/d.obj"}) std::ofstream(root_ / name) << "x";
        std::filesystem::create_directory_symlink(root_, root_ / "sub" / "loop");
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    String root() const { return String::fromUtf8(root_.string()); }

    std::filesystem::path root_;
};

} // namespace

TEST_F(GetFilesTest, FlagsSelectDepthKindAndForm) {
    using V = std::vector<std::string>;
    EXPECT_EQ(utf8(WinApi::getFiles(root(), true, false, false)), (V{"a.nbin", "b.obj", "sub/c.nmesh", "sub/deep/d.obj"}));
    EXPECT_EQ(utf8(WinApi::getFiles(root(), false, false, false)), (V{"a.nbin", "b.obj"}));
    EXPECT_EQ(utf8(WinApi::getFiles(root(), false, true, false)), (V{"a.nbin", "b.obj", "empty", "sub"}));
    EXPECT_EQ(utf8(WinApi::getFiles(root(), true, true, false)),
              (V{"a.nbin", "b.obj", "empty", "sub", "sub/c.nmesh", "sub/deep", "sub/deep/d.obj", "sub/loop"}));

    const std::string prefix = root_.string() + "/";
    EXPECT_EQ(utf8(WinApi::getFiles(root(), false, false, true)), (V{prefix + "a.nbin", prefix + "b.obj"}));
    // A trailing separator on the root is not doubled.
    EXPECT_EQ(utf8(WinApi::getFiles(String::fromUtf8(prefix), false, false, true)), (V{prefix + "a.nbin", prefix + "b.obj"}));
}

TEST_F(GetFilesTest, RootThatIsNoDirectoryGivesNothing) {
    EXPECT_TRUE(WinApi::getFiles(String::fromUtf8((root_ / "missing").string()), true, false, true).isEmpty());
    EXPECT_TRUE(WinApi::getFiles(String::fromUtf8((root_ / "b.obj").string()), true, false, true).isEmpty());
    EXPECT_TRUE(WinApi::getFiles(String(), true, false, true).isEmpty());
}

TEST(WinApi, DevelopmentFlagIsExactlyOne) {
    const char* saved = std::getenv("NIMBAL_DEVELOPMENT");
    const std::string keep = saved ? saved : "";
    struct Case {
        const char* value;
        bool expected;
    };
    for (Case c : {Case{"1", true}, Case{"0", false}, Case{"yes", false}, Case{"1 ", false}, Case{"", false}}) {
        ::setenv("NIMBAL_DEVELOPMENT", c.value, 1);
        EXPECT_EQ(WinApi::isDevelopmentEnviro(), c.expected) << '"' << c.value << '"';
    }
    ::unsetenv("NIMBAL_DEVELOPMENT");
    EXPECT_FALSE(WinApi::isDevelopmentEnviro());
    if (saved) ::setenv("NIMBAL_DEVELOPMENT", keep.c_str(), 1);
}

TEST(WinApi, DialogsCancelUnlessAHandlerAnswers) {
    int owner = 0;
    EXPECT_TRUE(WinApi::dirSelectDlg(&owner, "Pick", "/tmp").isEmpty());
    EXPECT_TRUE(WinApi::filenameSaveDlg(&owner, "Save", "*.nproxy").isEmpty());

    WinApi::ScriptedDialogHandler script;
    script.queueAnswer("/data/proxies");
    script.queueAnswer(String()); // the user cancels the second one
    WinApi::DialogHandler* previous = WinApi::setDialogHandler(&script);

    EXPECT_EQ(WinApi::dirSelectDlg(&owner, "Select a root directory with proxies", "/start"), String("/data/proxies"));
    EXPECT_TRUE(WinApi::filenameSaveDlg(nullptr, "Save proxy", "Nimbal Proxy (*.nproxy)|*.nproxy").isEmpty());
    EXPECT_TRUE(WinApi::dirSelectDlg(nullptr, "Again", "").isEmpty()); // script exhausted

    ASSERT_EQ(script.requests().size(), 3u);
    const auto& first = script.requests()[0];
    EXPECT_EQ(first.kind, WinApi::ScriptedDialogHandler::Kind::SelectDirectory);
    EXPECT_EQ(first.owner, &owner);
    EXPECT_EQ(first.title, String("Select a root directory with proxies"));
    EXPECT_EQ(first.detail, String("/start"));
    const auto& second = script.requests()[1];
    EXPECT_EQ(second.kind, WinApi::ScriptedDialogHandler::Kind::SaveFilename);
    EXPECT_EQ(second.detail, String("Nimbal Proxy (*.nproxy)|*.nproxy"));

    EXPECT_EQ(WinApi::setDialogHandler(previous), &script);
    EXPECT_TRUE(WinApi::dirSelectDlg(nullptr, "Pick", "").isEmpty());
}

// nimbal preview as a user runs it: a PNG through the host's bitmap map with
// tiling, nested maps by dotted names, and one line on stderr for bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/Max.h"

namespace {

const std::string kBin = NIMBAL_BIN_DIR;

struct Outcome {
    int code;
    std::string err;
};

Outcome Preview(const std::string& args) {
    const std::string errFile =
        (std::filesystem::temp_directory_path() / ("nimbal-preview-err-" + std::to_string(::getpid()))).string();
    const std::string cmd = kBin + "/nimbal preview " + args + " >/dev/null 2>" + errFile;
    const int status = std::system(cmd.c_str());
    std::ifstream in(errFile);
    std::stringstream err;
    err << in.rdbuf();
    std::filesystem::remove(errFile);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err.str()};
}

class PreviewCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("nimbal-preview-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        // 4 x 2: red, green, blue, white over black, grey, yellow, cyan.
        const BMM_Color_64 px[8] = {{65535, 0, 0, 65535},     {0, 65535, 0, 65535},     {0, 0, 65535, 65535},
                                    {65535, 65535, 65535, 65535}, {0, 0, 0, 65535},         {32768, 32768, 32768, 65535},
                                    {65535, 65535, 0, 65535}, {0, 65535, 65535, 65535}};
        BitmapInfo bi;
        bi.SetWidth(4);
        bi.SetHeight(2);
        bi.SetType(BMM_TRUE_64);
        Bitmap* bm = TheManager->Create(&bi);
        bm->PutPixels(0, 0, 4, px);
        bm->PutPixels(0, 1, 4, px + 4);
        ASSERT_EQ(TheManager->Save(bm, FromUtf8(File("stripes.png")).c_str()), BMMRES_SUCCESS);
        bm->DeleteThis();
        std::ofstream(File("damaged.png"), std::ios::binary) << "\x89PNG\r\n\x1a\n" << std::string(40, '\x01');
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    Bitmap* Load(const std::string& name) {
        BitmapInfo bi;
        bi.SetName(FromUtf8(File(name)).c_str());
        return TheManager->Load(&bi);
    }

    std::filesystem::path dir_;
};

TEST_F(PreviewCli, APngThroughTheBitmapMapWithTiling) {
    const std::string png = File("stripes.png");
    const Outcome r = Preview("Bitmap --set filename=" + png + " --set coords.uTiling=2 --set filtering=1 --size 16 --no-gamma -o " +
                          File("tiled.png"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    Bitmap* bm = Load("tiled.png");
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(bm->Width(), 16);
    EXPECT_EQ(bm->Height(), 16);
    EXPECT_EQ(bm->Type(), BMM_TRUE_64);
    // Two copies across: each 8-pixel half shows the four columns, two pixels each.
    struct Case {
        int x, y;
        BMM_Color_64 want;
    } cases[] = {
        {0, 0, {65535, 0, 0, 65535}},      {3, 0, {0, 65535, 0, 65535}},     {7, 7, {65535, 65535, 65535, 65535}},
        {8, 0, {65535, 0, 0, 65535}},      {15, 0, {65535, 65535, 65535, 65535}}, {0, 15, {0, 0, 0, 65535}},
        {13, 12, {65535, 65535, 0, 65535}}, {10, 8, {32768, 32768, 32768, 65535}},
    };
    for (const Case& c : cases) {
        BMM_Color_64 got;
        bm->GetPixels(c.x, c.y, 1, &got);
        EXPECT_EQ(got, c.want) << c.x << ", " << c.y;
    }
    bm->DeleteThis();
}

TEST_F(PreviewCli, WithGammaCorrectionTheValuesAreLinear) {
    const Outcome r = Preview("Bitmap --set filename=" + File("stripes.png") + " --set filtering=1 --size 4 -o " +
                          File("linear.png"));
    ASSERT_EQ(r.code, 0) << r.err;
    Bitmap* bm = Load("linear.png");
    ASSERT_NE(bm, nullptr);
    BMM_Color_64 grey;
    bm->GetPixels(1, 3, 1, &grey);  // the grey texel, 32768/65535 decoded with 2.2
    EXPECT_NEAR(grey.r, std::pow(32768.0 / 65535.0, 2.2) * 65535.0, 2.0);
    bm->DeleteThis();
}

TEST_F(PreviewCli, NestedMapsAreReachedByDottedNames) {
    const Outcome r = Preview("NimbalOutput --set inputTexmap=NimbalMix --set inputTexmap.texmapTop=@" + File("stripes.png") +
                          " --set inputTexmap.texmapTop.coords.vTiling=3 --set inputTexmap.mixAmount=0.25"
                          " --set inputTexmap.colorBottom=0,0.5,1 --size 8 -o " + File("nested.png"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(File("nested.png")));
}

TEST_F(PreviewCli, BadInputIsOneLineAndAnExitCode) {
    const std::string out = " -o " + File("out.png");
    struct Case {
        std::string args;
        int code;
        const char* says;
    } cases[] = {
        {"NoSuchMap" + out, 1, "unknown class: NoSuchMap"},
        {"NProxy" + out, 1, "NProxy is not a map"},
        {"Bitmap --set nothing=1" + out, 1, "has no parameter \"nothing\""},
        {"Bitmap --set filtering=banana" + out, 1, "expects a whole number"},
        {"Bitmap --set filtering=7" + out, 1, "is outside [0, 1]"},
        {"Bitmap --set coords.uTiling=1e9" + out, 1, "is outside"},
        {"Bitmap --set coords.uTile=maybe" + out, 1, "expects true or false"},
        {"Bitmap --set coords.uTiling.x=2" + out, 1, "has no parameters"},
        {"Bitmap --set filename=" + File("damaged.png") + out, 1, "damaged PNG data"},
        {"Bitmap --set filename=" + File("missing.png") + out, 1, "cannot open"},
        {"NimbalOutput --set inputTexmap=@" + File("damaged.png") + out, 1, "damaged PNG data"},
        {"NimbalOutput --set inputTexmap.coords.uTiling=2" + out, 1, "holds nothing"},
        {"NimbalOutput --set inputTexmap=NProxy" + out, 1, "NProxy is not a map"},
        {"NimbalColor --set color=1,2" + out, 1, "expects three numbers"},
        {"NimbalColor --set temperature=nan" + out, 1, "expects a number"},
        {"NimbalMultiMap --set colors[99]=1,0,0" + out, 1, "no entry 99"},
        {"Bitmap -o /nonexistent-folder/out.png", 1, "cannot write"},
        {"Bitmap --set filtering" + out, 2, "expects NAME=VALUE"},
        {"NimbalMultiMap --set colors[x]=1,0,0" + out, 2, "bad table index"},
        {"Bitmap --size 0" + out, 2, "not in range"},
        {"Bitmap", 2, "--output is required"},
    };
    for (const Case& c : cases) {
        const Outcome r = Preview(c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
        // The first line says it all; CLI11 adds a hint to usage errors.
        const size_t lines = static_cast<size_t>(std::count(r.err.begin(), r.err.end(), '\n'));
        EXPECT_LE(lines, c.code == 2 ? 2u : 1u) << c.args << "\n" << r.err;
        EXPECT_FALSE(std::filesystem::exists(File("out.png"))) << c.args;
    }
}

}  // namespace

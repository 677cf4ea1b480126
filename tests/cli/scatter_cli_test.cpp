// `nimbal scatter` and the demo's scatter as a user runs them: mesh and
// proxy files in, the instances a renderer reads out as CSV or JSON, the
// viewport preview as a picture, and one line on stderr for bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_nimbal.h"
#include "host/Max.h"

namespace {

namespace fs = std::filesystem;
using clitest::Outcome;
using clitest::ReadFile;
using nlohmann::json;

const std::string kHeader = "instance,object,r0x,r0y,r0z,r1x,r1y,r1z,r2x,r2y,r2z,r3x,r3y,r3z";

// One row of the CSV: the host matrix rows r0..r3.
struct Instance {
    int index = -1;
    std::string object;
    std::array<float, 12> m{};
    Point3 Row(int r) const { return Point3(m[size_t(r) * 3], m[size_t(r) * 3 + 1], m[size_t(r) * 3 + 2]); }
};

// Parses strictly: a number must be all of its field.
bool ParseFloat(const std::string& text, float& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtof(text.c_str(), &end);
    return *end == '\0';
}

std::vector<Instance> ParseCsv(const std::string& text) {
    std::vector<Instance> rows;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, kHeader);
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ls(line);
        for (std::string cell; std::getline(ls, cell, ',');) f.push_back(cell);
        if (f.size() != 14) {
            ADD_FAILURE() << "bad row: " << line;
            continue;
        }
        Instance r;
        r.index = std::atoi(f[0].c_str());
        r.object = f[1];
        for (size_t k = 0; k < 12; ++k) EXPECT_TRUE(ParseFloat(f[k + 2], r.m[k])) << line;
        rows.push_back(r);
    }
    return rows;
}

class ScatterCli : public clitest::CliFolder {
protected:
    void SetUp() override {
        CliFolder::SetUp();
        // The 10 x 10 square at z = 0 facing +z, its texture spread over it once.
        Write("ground.obj",
              "v 0 0 0\nv 10 0 0\nv 10 10 0\nv 0 10 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
              "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n");
        Write("pebble.obj", Cube(-0.1f, 0.1f));
        // A solid box from (0, 0, 0) to (2, 3, 4), for scattering inside.
        Write("crate.obj",
              "v 0 0 0\nv 2 0 0\nv 2 3 0\nv 0 3 0\nv 0 0 4\nv 2 0 4\nv 2 3 4\nv 0 3 4\n"
              "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n");
    }

    static std::string Cube(float lo, float hi) {
        std::ostringstream s;
        for (int c = 0; c < 8; ++c)
            s << "v " << ((c & 1) ? hi : lo) << " " << ((c & 2) ? hi : lo) << " " << ((c & 4) ? hi : lo) << "\n";
        s << "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 1 5 7 3\nf 2 4 8 6\n";
        return s.str();
    }

    // The instances of a scatter over the ground, through a CSV file.
    std::vector<Instance> Scatter(const std::string& args, const std::string& on = "ground.obj",
                                  const std::string& object = "pebble.obj") const {
        fs::remove(dir_ / "out.csv");
        const Outcome r = Nimbal("scatter --on " + on + " --object " + object + " " + args + " -o out.csv");
        EXPECT_EQ(r.code, 0) << args << "\n" << r.err;
        return r.code == 0 ? ParseCsv(ReadFile(dir_ / "out.csv")) : std::vector<Instance>{};
    }

    std::string ScatterCsv(const std::string& args) const {
        fs::remove(dir_ / "out.csv");
        const Outcome r = Nimbal("scatter --on ground.obj --object pebble.obj " + args + " -o out.csv");
        EXPECT_EQ(r.code, 0) << args << "\n" << r.err;
        return ReadFile(dir_ / "out.csv");
    }

    // A grey picture of w x h whose pixel (x, y) (row 0 at the top) is
    // white where `white` says so and black elsewhere.
    template <typename F>
    void WriteMask(const std::string& name, int w, int h, F white) const {
        BitmapInfo bi;
        bi.SetWidth(w);
        bi.SetHeight(h);
        bi.SetType(BMM_TRUE_64);
        Bitmap* bm = TheManager->Create(&bi);
        std::vector<BMM_Color_64> row(static_cast<size_t>(w));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const WORD v = white(x, y) ? 65535 : 0;
                row[size_t(x)] = BMM_Color_64{v, v, v, 65535};
            }
            bm->PutPixels(0, y, w, row.data());
        }
        ASSERT_EQ(TheManager->Save(bm, FromUtf8(File(name)).c_str()), BMMRES_SUCCESS);
        bm->DeleteThis();
    }
};

// ---------------------------------------------------------------------------

TEST_F(ScatterCli, WritesEveryInstanceARendererReads) {
    const Outcome r = Nimbal("scatter --on ground.obj --object pebble.obj --count 50 -o out.csv");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("scattered 50 instances (count 50, seed 1)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("pebble: 50"), std::string::npos) << r.out;
    const std::vector<Instance> rows = ParseCsv(ReadFile(dir_ / "out.csv"));
    ASSERT_EQ(rows.size(), 50u);
    for (size_t i = 0; i < rows.size(); ++i) {
        const Instance& row = rows[i];
        EXPECT_EQ(row.index, int(i));
        EXPECT_EQ(row.object, "pebble");
        // Upright on a flat ground that faces +z, at full size and unturned.
        EXPECT_EQ(row.Row(0), Point3(1, 0, 0)) << i;
        EXPECT_EQ(row.Row(1), Point3(0, 1, 0)) << i;
        EXPECT_EQ(row.Row(2), Point3(0, 0, 1)) << i;
        const Point3 p = row.Row(3);
        EXPECT_TRUE(p.x >= 0 && p.x <= 10 && p.y >= 0 && p.y <= 10 && p.z == 0) << i;
    }
}

TEST_F(ScatterCli, JsonAndCsvHoldTheSameFloats) {
    const std::string args = "scatter --on ground.obj --object pebble.obj --count 40 --rotate-max 30,60,90 "
                             "--scale-min 70 --scale-max 130 --no-uniform-scaling --translate-max 0.3,0.2,0.1";
    ASSERT_EQ(Nimbal(args + " -o out.csv").code, 0);
    const Outcome j = Nimbal(args + " -o out.json");
    ASSERT_EQ(j.code, 0) << j.err;
    const std::vector<Instance> rows = ParseCsv(ReadFile(dir_ / "out.csv"));
    const json doc = json::parse(ReadFile(dir_ / "out.json"));
    ASSERT_EQ(doc["instances"].size(), rows.size());
    ASSERT_EQ(rows.size(), 40u);
    for (size_t i = 0; i < rows.size(); ++i) {
        const json& inst = doc["instances"][i];
        EXPECT_EQ(inst["instance"], int(i));
        EXPECT_EQ(inst["object"], rows[i].object);
        for (size_t k = 0; k < 12; ++k)
            EXPECT_EQ(static_cast<float>(inst["tm"][k / 3][k % 3].get<double>()), rows[i].m[k]) << i << " " << k;
    }
    // The shortest text that reads back: no float needs more than nine digits.
    std::istringstream csv(ReadFile(dir_ / "out.csv"));
    std::string line;
    std::getline(csv, line);
    while (std::getline(csv, line)) {
        std::stringstream ls(line);
        std::string cell;
        std::getline(ls, cell, ',');
        std::getline(ls, cell, ',');
        while (std::getline(ls, cell, ',')) {
            const size_t digits = std::count_if(cell.begin(), cell.end(), [](char c) { return c >= '0' && c <= '9'; });
            EXPECT_LE(digits, 11u) << cell;  // nine significant, and exponent digits
        }
    }
}

// The options speak the rollout's units; --set speaks the stored ones.
TEST_F(ScatterCli, OptionsAndInternalNamesAgree) {
    const struct {
        const char* options;
        const char* sets;
    } cases[] = {
        {"--count 30 --seed 9 --random congruent --mode box",
         "--count 30 --set seed=9 --set randomType=0 --set scatterType=67"},
        {"--count 30 --scale-min 50 --scale-max 200", "--count 30 --set scaleMin=0.5,0.5,0.5 --set scaleMax=2,2,2"},
        {"--count 30 --scale-min 50,60,70 --no-uniform-scaling",
         "--count 30 --set scaleMin=0.5,0.6,0.7 --set 'Uniform Scaling=false'"},
        {"--count 30 --translate-min 0,0,1 --translate-max 0,0,3",
         "--count 30 --set translateMin=0,0,1 --set translateMax=0,0,3"},
        {"--count 30 --rotate-max 0,45,180", "--count 30 --set rotateMax=0,0.785398163,3.14159265"},
        {"--count 30 --collision --scale-min 1000", "--count 30 --set 'Collision Detect=on' --set scaleMin=10,10,10"},
        {"--count 30 --no-align-normals", "--count 30 --set alignNormals=false"},
        // A count given with --set wins over --count, whatever their order.
        {"--count 25", "--set count=25 --count 30 --seed 3 --set seed=1"},
    };
    for (const auto& c : cases) {
        const std::string a = ScatterCsv(c.options);
        const std::string b = ScatterCsv(c.sets);
        EXPECT_FALSE(a.empty()) << c.options;
        EXPECT_EQ(a, b) << c.options << " | " << c.sets;
    }
}

TEST_F(ScatterCli, TransformsFollowTheRanges) {
    // Exact where the arithmetic is exact: halves and whole offsets.
    std::vector<Instance> rows = Scatter("--count 10 --scale-min 50 --scale-max 50 --translate-min 0,0,2 "
                                         "--translate-max 0,0,2");
    ASSERT_EQ(rows.size(), 10u);
    for (const Instance& r : rows) {
        EXPECT_EQ(r.Row(0), Point3(0.5f, 0, 0));
        EXPECT_EQ(r.Row(2), Point3(0, 0, 0.5f));
        EXPECT_EQ(r.Row(3).z, 2.0f);
    }
    // Ninety degrees about Z turns X into Y.
    rows = Scatter("--count 10 --rotate-min 0,0,90 --rotate-max 0,0,90");
    ASSERT_EQ(rows.size(), 10u);
    for (const Instance& r : rows) {
        EXPECT_NEAR(r.Row(0).x, 0.0f, 1e-6f);
        EXPECT_NEAR(std::fabs(r.Row(0).y), 1.0f, 1e-6f);
        EXPECT_NEAR(r.Row(2).z, 1.0f, 1e-6f);
    }
    // Inside the box of a solid instead of on its surface.
    rows = Scatter("--count 200 --mode box", "crate.obj");
    ASSERT_EQ(rows.size(), 200u);
    for (const Instance& r : rows) {
        const Point3 p = r.Row(3);
        EXPECT_TRUE(p.x >= 0 && p.x <= 2 && p.y >= 0 && p.y <= 3 && p.z >= 0 && p.z <= 4) << p.x << " " << p.y << " " << p.z;
    }
}

TEST_F(ScatterCli, SameSceneAndSeedGiveTheSameBytes) {
    const std::string first = ScatterCsv("--count 200 --collision --scale-min 300");
    EXPECT_EQ(ScatterCsv("--count 200 --collision --scale-min 300"), first);
    EXPECT_NE(ScatterCsv("--count 200 --collision --scale-min 300 --seed 2"), first);
    EXPECT_NE(ScatterCsv("--count 200 --collision --scale-min 300 --random congruent"), first);
}

TEST_F(ScatterCli, ProxiesAndFrequencies) {
    ASSERT_EQ(Nimbal("proxy create pebble.obj stone.nproxy").code, 0);
    Write("boulder.obj", Cube(-0.3f, 0.3f));

    std::vector<Instance> rows = Scatter("--count 300", "ground.obj", "stone.nproxy --object boulder.obj:3");
    ASSERT_EQ(rows.size(), 300u);
    std::map<std::string, int> seen;
    for (const Instance& r : rows) ++seen[r.object];
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_GT(seen["boulder"], 2 * seen["stone"]);  // about three to one
    EXPECT_GT(seen["stone"], 30);

    // A frequency of 0 is never picked; all of them 0 make nothing, quietly.
    rows = Scatter("--count 100", "ground.obj", "stone.nproxy:0 --object boulder.obj");
    ASSERT_EQ(rows.size(), 100u);
    for (const Instance& r : rows) EXPECT_EQ(r.object, "boulder");
    const Outcome none = Nimbal("scatter --on ground.obj --object pebble.obj:0 --count 100 -o out.csv");
    EXPECT_EQ(none.code, 0) << none.err;
    EXPECT_EQ(ReadFile(dir_ / "out.csv"), kHeader + "\n");
    EXPECT_NE(none.out.find("scattered 0 instances"), std::string::npos) << none.out;

    // Densities weigh two grounds side by side.
    Write("far.obj", "v 100 0 0\nv 110 0 0\nv 110 10 0\nv 100 10 0\nf 1 2 3\nf 1 3 4\n");
    rows = Scatter("--count 400", "ground.obj:0.25 --on far.obj");
    int far = 0;
    for (const Instance& r : rows) far += r.Row(3).x >= 100;
    EXPECT_GT(far, 400 * 3 / 5);
    EXPECT_LT(far, 400 * 9 / 10);
}

TEST_F(ScatterCli, DensityMapFromAPicture) {
    // White in the upper right of the picture, where texture v is above one
    // half and so is y on the ground; kept off the edges, which the tiling
    // map's filter blends with the opposite ones.
    WriteMask("corner.png", 64, 64, [](int x, int y) { return x >= 32 && x < 60 && y >= 4 && y < 32; });
    const std::vector<Instance> rows = Scatter("--count 300 --density-map @corner.png");
    ASSERT_EQ(rows.size(), 300u);
    for (const Instance& r : rows) {
        // The density table's cells are a little coarser than the picture.
        const Point3 p = r.Row(3);
        EXPECT_TRUE(p.x > 4.5f && p.x < 9.9f && p.y > 4.5f && p.y < 9.9f) << p.x << " " << p.y;
    }
    // An all-black map leaves no place for an instance.
    WriteMask("black.png", 8, 8, [](int, int) { return false; });
    EXPECT_TRUE(Scatter("--count 300 --density-map @black.png").empty());
    // A map by class name, reached further with dotted names.
    const Outcome r = Nimbal("scatter --on ground.obj --object pebble.obj --count 20 --scale-map-x Bitmap "
                             "--set 'Scale Map X.filename=corner.png'");
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(ScatterCli, CollisionKeepsInstancesApart) {
    // Pebbles grown to 2 x 2 x 2, upright and unturned: boxes that touch collide.
    const std::vector<Instance> rows = Scatter("--count 100 --collision --scale-min 1000 --scale-max 1000");
    ASSERT_FALSE(rows.empty());
    EXPECT_LT(rows.size(), 100u);
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = i + 1; j < rows.size(); ++j) {
            const Point3 a = rows[i].Row(3), b = rows[j].Row(3);
            EXPECT_TRUE(std::fabs(a.x - b.x) > 2.0f || std::fabs(a.y - b.y) > 2.0f) << i << " " << j;
        }
}

TEST_F(ScatterCli, RefusesBadInputWithOneLine) {
    WriteMask("black.png", 8, 8, [](int, int) { return false; });
    const std::string base = "scatter --on ground.obj --object pebble.obj ";
    const struct {
        std::string args;
        int code;
        const char* message;
    } cases[] = {
        {"scatter --object pebble.obj -o out.csv", 2, "--on"},
        {"scatter --on ground.obj -o out.csv", 2, "--object"},
        {base + "-o out.txt", 2, ".csv or .json"},
        {base + "--on ground.obj:-1 -o out.csv", 2, "negative"},
        {base + "--count 0 -o out.csv", 2, "--count"},
        {base + "--rotate-min 1,2 -o out.csv", 2, "X,Y,Z"},
        {base + "--mode sideways -o out.csv", 2, "--mode"},
        {base + "--set seed -o out.csv", 2, "NAME=VALUE"},
        {base + "--set seed=0 -o out.csv", 1, "outside"},
        {base + "--set 'Uniform Scaling=maybe' -o out.csv", 1, "true or false"},
        {base + "--set nothing=1 -o out.csv", 1, "no parameter \"nothing\""},
        {base + "--set distributionObjects=1 -o out.csv", 1, "cannot be set"},
        {base + "--density-map NoSuchMap -o out.csv", 1, "unknown class"},
        {base + "--density-map @missing.png -o out.csv", 1, "missing.png"},
        {"scatter --on missing.obj --object pebble.obj -o out.csv", 1, "cannot import missing.obj"},
        {"scatter --on ground.obj --object missing.nproxy -o out.csv", 1, "Error loading proxy: missing.nproxy"},
        {"scatter --on black.png --object pebble.obj -o out.csv", 1, "cannot import black.png"},
        {base + "-o no-such-dir/out.csv", 1, "cannot write"},
        {base + "--units parsecs -o out.csv", 2, "unknown unit 'parsecs'"},
        {base + "--count many -o out.csv", 2, "expects a whole number from 1 to 1000000000, got \"many\""},
        {base + "--time soon -o out.csv", 2, "--time: expects a number from -100000 to 100000, got \"soon\""},
        {base + "--camera 1,2 -o out.csv", 2, "--camera: expects X,Y,Z"},
        {base + "--previz sideways -o out.csv", 2, "expects none, dot, box, wire-box or full, got \"sideways\""},
        {base + "--preview view.jpg -o out.csv", 2, "expects a .png file name"},
        // Outputs that cannot be written are known before the scatter is made.
        {base + "--preview no-such-dir/view.png -o out.csv", 1,
         "nimbal: cannot write no-such-dir/view.png: no folder no-such-dir"},
        {base + "--save folder -o out.csv", 1, "nimbal: cannot write folder: it is a folder"},
        // Two outputs in one file would keep only the last.
        {base + "-o out.csv --save ./out.csv", 2, "--save: names the same file as --output"},
    };
    fs::create_directories(Path("folder"));
    for (const auto& c : cases) {
        fs::remove(dir_ / "out.csv");
        const Outcome r = Nimbal(c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << c.args << "\n" << r.out;
        EXPECT_FALSE(fs::exists(dir_ / "out.csv")) << c.args;
        if (c.code == 1) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << "\n" << r.err;
        }
    }
}

TEST_F(ScatterCli, ACountThatDoesNotFitFailsCleanly) {
    // A billion instances need tens of gigabytes. The address space is
    // bounded so that the answer does not depend on the machine's memory;
    // a sanitised build cannot run so bounded and is told to let
    // allocations fail instead of stopping.
#if defined(__SANITIZE_ADDRESS__)
    const std::string prefix = "ASAN_OPTIONS=allocator_may_return_null=1 ";
#else
    const std::string prefix = "ulimit -v 4000000 && ";
#endif
    const Outcome r = Nimbal("scatter --on ground.obj --object pebble.obj --count 1000000000 -o out.csv", prefix);
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("nimbal: the scatter could not be generated: 1000000000 instances do not fit in memory"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.csv"));
    // The debug log still tells it where the user sent it.
    const Outcome logged = Nimbal("scatter --on ground.obj --object pebble.obj --count 1000000000",
                                  prefix + "NIMBAL_DEBUG_LOG=1 ");
    EXPECT_NE(logged.err.find("Updating scatter failed: 1000000000 instances do not fit in memory"),
              std::string::npos)
        << logged.err;
}

TEST_F(ScatterCli, PreviewShowsTheInstancesFromAbove) {
    WriteMask("corner.png", 64, 64, [](int x, int y) { return x >= 32 && x < 60 && y >= 4 && y < 32; });
    const Outcome r = Nimbal("scatter --on ground.obj --object pebble.obj --count 60 --density-map @corner.png "
                             "--previz box --set iconSize=0.001 --preview view.png --preview-size 250");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("(250x250)"), std::string::npos) << r.out;
    BitmapInfo bi;
    bi.SetName(FromUtf8(File("view.png")).c_str());
    Bitmap* bm = TheManager->Load(&bi);
    ASSERT_NE(bm, nullptr);
    ASSERT_EQ(bm->Width(), 250);
    ASSERT_EQ(bm->Height(), 250);
    // The picture spans the ground (0..10) and 4 % more on each side;
    // instances are orange, the ground's wires grey.
    const float lo = -0.4f, span = 10.8f;
    int inCorner = 0, elsewhere = 0, grey = 0;
    std::vector<BMM_Color_64> row(250);
    for (int y = 0; y < 250; ++y) {
        bm->GetPixels(0, y, 250, row.data());
        for (int x = 0; x < 250; ++x) {
            const BMM_Color_64& c = row[size_t(x)];
            const bool orange = c.r > 40000 && c.b < 30000 && c.r > c.g + 10000;
            const bool wire = c.r > 15000 && std::abs(int(c.r) - int(c.b)) < 8000 && std::abs(int(c.r) - int(c.g)) < 8000;
            grey += wire;
            if (!orange) continue;
            const float wx = lo + span * (float(x) + 0.5f) / 250.0f;
            const float wy = lo + span * (250.0f - float(y) - 0.5f) / 250.0f;
            if (wx > 4.2f && wy > 4.2f) ++inCorner;
            else if (wx > 0.5f || wy > 0.5f) ++elsewhere;  // the gizmo is a dot at the origin
        }
    }
    bm->DeleteThis();
    EXPECT_GT(inCorner, 200);
    EXPECT_EQ(elsewhere, 0);
    EXPECT_GT(grey, 250);
}

TEST_F(ScatterCli, SavedSceneHoldsTheScatter) {
    const Outcome r = Nimbal("scatter --on ground.obj --object pebble.obj --count 20 --save scene.nscene");
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<SceneFile::ObjectInfo> objects;
    std::string error;
    ASSERT_TRUE(SceneFile::Inspect(File("scene.nscene"), objects, error)) << error;
    int scatters = 0;
    for (const auto& o : objects) scatters += o.cid == Class_ID(0x63B20069, 0x325E5220);
    EXPECT_EQ(scatters, 1);
}

// The scene's unit decides what a proxy file's millimetres are in scene
// units; mesh files and the translate range are taken in it as written.
TEST_F(ScatterCli, UnitsDecideWhatProxyFilesMeasure) {
    // Made in centimetres: the file holds a ground 100 mm across.
    ASSERT_EQ(Nimbal("proxy create ground.obj ground.nproxy --units cm").code, 0);
    const std::string lift = "--count 40 --translate-min 0,0,2 --translate-max 0,0,2 ";
    const std::vector<Instance> cm = Scatter(lift + "--units cm", "ground.nproxy");
    ASSERT_EQ(cm.size(), 40u);
    // In its own unit the proxy scatters exactly as the mesh it was made from.
    EXPECT_EQ(ReadFile(Path("out.csv")), ScatterCsv(lift));
    const struct {
        const char* units;
        float perCentimetre;
    } cases[] = {{"mm", 10.0f}, {"cm", 1.0f}, {"m", 0.01f}, {"in", 1.0f / 2.54f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.units);
        const std::vector<Instance> rows = Scatter(lift + "--units " + c.units, "ground.nproxy");
        ASSERT_EQ(rows.size(), cm.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const Point3 p = rows[i].Row(3), q = cm[i].Row(3);
            EXPECT_NEAR(p.x, q.x * c.perCentimetre, 1e-5f * 10.0f * c.perCentimetre) << i;
            EXPECT_NEAR(p.y, q.y * c.perCentimetre, 1e-5f * 10.0f * c.perCentimetre) << i;
            // The offset is in scene units whatever they are.
            EXPECT_EQ(p.z, 2.0f) << i;
        }
    }
    // A mesh file's numbers are scene units in any unit.
    EXPECT_EQ(ScatterCsv(lift + "--units km"), ScatterCsv(lift));

    // A scattered proxy's size, and so what collides, follows the unit too:
    // a 0.2 mm pebble grown tenfold is 2 units across in millimetres, a speck
    // in metres.
    ASSERT_EQ(Nimbal("proxy create pebble.obj pebble.nproxy --units mm").code, 0);
    const std::string crowded = "--count 100 --collision --scale-min 1000 --scale-max 1000 ";
    EXPECT_LT(Scatter(crowded + "--units mm", "ground.obj", "pebble.nproxy").size(), 100u);
    EXPECT_EQ(Scatter(crowded + "--units m", "ground.obj", "pebble.nproxy").size(), 100u);
}

// Nothing a scatter made from files shows depends on the frame or on the
// camera (nothing in it is animated, and no map it can be given reads the
// view); what they change is the scene: its time, and the camera the
// scatter keeps. A host that loads the saved scene gets them back, and the
// scatter makes the same instances again at that frame.
TEST_F(ScatterCli, ASavedSceneKeepsTheFrameTheUnitAndTheCamera) {
    WriteMask("corner.png", 64, 64, [](int x, int y) { return x >= 32 && y < 32; });
    const Outcome r = Nimbal("scatter --on ground.obj --object pebble.obj --count 60 --density-map @corner.png "
                             "--time 12.5 --units cm --camera 1,-2,30 -o out.csv --save scene.nscene");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<Instance> saved = ParseCsv(Read("out.csv"));
    ASSERT_FALSE(saved.empty());

    std::string error;
    const std::unique_ptr<PluginLibrary> module = PluginLibrary::Open(clitest::kBin + "/nimbal_utilities.so", error);
    ASSERT_TRUE(module) << error;
    Interface* ip = GetCOREInterface();
    // The scene goes before the module that made its objects.
    struct Emptied {
        Interface* ip;
        ~Emptied() { ip->ResetScene(); }
    } emptied{ip};
    ASSERT_TRUE(ip->LoadFromFile(FromUtf8(File("scene.nscene")), error)) << error;

    const TimeValue t = ip->GetTime();
    EXPECT_EQ(t, 2000);  // frame 12.5 at 160 ticks a frame
    int unit = -1;
    float scale = 0.0f;
    ip->GetSystemUnitInfo(&unit, &scale);
    EXPECT_EQ(unit, UNITS_CENTIMETERS);

    const Class_ID scatterId(0x63B20069, 0x325E5220);
    ReferenceTarget* scatter = nullptr;
    for (INode* n : ip->AllNodes())
        if (n->GetObjectRef() && n->GetObjectRef()->ClassID() == scatterId) scatter = n->GetObjectRef();
    ASSERT_NE(scatter, nullptr);
    IParamBlock2* pb = scatter->GetParamBlockByID(0);
    ASSERT_NE(pb, nullptr);
    const ParamDef* camera = pb->GetDesc()->FindByName("lastRenderCamera");
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(pb->GetPoint3(camera->id, t), Point3(1, -2, 30));

    // What a renderer reads from the loaded scene at its frame.
    ClassDesc* cd = ClassDirectory::Get().FindClass(GEOMOBJECT_CLASS_ID, scatterId);
    ASSERT_NE(cd, nullptr);
    FPInterface* ops = nullptr;
    for (int i = 0; i < cd->NumInterfaces(); ++i)
        if (std::string(cd->GetInterfaceAt(i)->GetDesc()->InternalName()) == "ScatterOps") ops = cd->GetInterfaceAt(i);
    ASSERT_NE(ops, nullptr);
    FPValue result;
    ASSERT_EQ(ops->Invoke("update", result, {FPValue::Ref(scatter), FPValue::Point(Point3(1, -2, 30)), FPValue::Int(t)}),
              FPS_OK);
    ASSERT_EQ(ops->Invoke("getNumInstances", result, {FPValue::Ref(scatter)}), FPS_OK);
    ASSERT_EQ(result.i, int(saved.size()));
    for (size_t i = 0; i < saved.size(); ++i) {
        ASSERT_EQ(ops->Invoke("getInstanceTm", result, {FPValue::Ref(scatter), FPValue::Int(int(i))}), FPS_OK);
        for (int row = 0; row < 4; ++row) EXPECT_EQ(result.m.GetRow(row), saved[i].Row(row)) << i << " " << row;
    }
}

// The demo's road past the proxy: the scatter over the built-in ground, its
// instances and picture, and the reloaded scene's identical layout.
TEST_F(ScatterCli, DemoScattersItsProxyAndReloadsTheSameLayout) {
    const Outcome r = Nimbal("demo --out road");
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("scattered proxy Torus001 over Ground (4608 triangles)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("bit for bit"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("every parameter is equal"), std::string::npos) << r.out;
    const std::vector<Instance> rows = ParseCsv(ReadFile(dir_ / "road" / "instances.csv"));
    ASSERT_GT(rows.size(), 20u);
    EXPECT_LT(rows.size(), 500u);  // collision detection kept some of them out
    for (const Instance& i : rows) EXPECT_EQ(i.object, "Torus001");
    EXPECT_TRUE(fs::exists(dir_ / "road" / "scatter.png"));
    EXPECT_TRUE(fs::exists(dir_ / "road" / "scatter.nscene"));
    EXPECT_TRUE(fs::exists(dir_ / "road" / "torus.nproxy"));
}

}  // namespace

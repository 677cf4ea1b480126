// The OBJ reader: which lines it takes, which it refuses and why, the mesh it
// builds, and its answer on real files written by other programs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "Proxy/ioFormats/FileFormats.h"
#include "Proxy/ioFormats/ObjFormat.h"
#include "core-interface/Debug.h"

namespace Nimbal {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    ObjRefusal refusal;
    int64_t line;
};

// Splits as the file reader does: at '\n', dropping a '\r' before it.
Outcome parse(const std::string& text, Mesh* mesh = nullptr) {
    ObjParser parser;
    size_t start = 0;
    for (;;) {
        const size_t nl = text.find('\n', start);
        std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (nl != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
        if (!parser.addLine(line.data(), line.size())) break;
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    Mesh local;
    parser.build(mesh ? *mesh : local);
    return {parser.refusal(), parser.refusalLine()};
}

class ObjFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("nimbal-obj-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    // Reads through the format object, as a proxy does, and checks that the
    // diagnostic reader agrees with it.
    Outcome read(const std::string& path, Mesh& mesh) {
        ObjFormat format(String::fromUtf8(path));
        ProxyFileInfo info;
        const bool ok = format.read(mesh, info);
        Mesh other;
        int64_t line = 0;
        const ObjRefusal refusal = readObjFile(String::fromUtf8(path), other, &line);
        EXPECT_EQ(ok, refusal == ObjRefusal::None);
        EXPECT_TRUE(info.originalMaterialName.isEmpty());
        EXPECT_TRUE(info.originalObjectName.isEmpty());
        return {refusal, line};
    }

    fs::path dir_;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const char* const TRIANGLE =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
    "vt 0 0 0\nvt 1 0 0\nvt 0 1 0\n"
    "vn 0 0 1\nvn 0 1 0\nvn 1 0 0\n";

TEST(ObjParser, TriangleCornersBecomeZeroBasedIndicesOfAllThreeArrays) {
    Mesh mesh;
    const Outcome o = parse(std::string(TRIANGLE) + "f 1/1/1 2/2/2 3/3/3\nf 3/2/1 1/3/2 2/1/3\n", &mesh);
    ASSERT_EQ(o.refusal, ObjRefusal::None);
    ASSERT_EQ(mesh.getNumFaces(), 2);
    EXPECT_EQ(mesh.getNumVerts(), 3);
    EXPECT_EQ(mesh.getNumTVerts(), 3);
    EXPECT_EQ(mesh.getNumTVFaces(), 2);
    EXPECT_TRUE(mesh.mapSupport(1));
    const MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    ASSERT_NE(normals, nullptr);
    EXPECT_EQ(normals->GetNumNormals(), 3);
    EXPECT_EQ(normals->GetNumFaces(), 2);

    const DWORD v[2][3] = {{0, 1, 2}, {2, 0, 1}};
    const DWORD t[2][3] = {{0, 1, 2}, {1, 2, 0}};
    const int n[2][3] = {{0, 1, 2}, {0, 1, 2}};
    for (int f = 0; f < 2; ++f) {
        const Face& face = mesh.getFace(f);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(face.v[c], v[f][c]);
            EXPECT_EQ(mesh.mapFaces(1)[size_t(f)].t[c], t[f][c]);
            EXPECT_EQ(normals->Face(f).GetNormalID(c), n[f][c]);
            EXPECT_TRUE(normals->Face(f).GetSpecified(c));
        }
        EXPECT_EQ(face.flags & EDGE_ALL, EDGE_ALL);
        EXPECT_EQ(face.smGroup, 0u);
    }
    // Arrays in file order.
    EXPECT_EQ(mesh.getVert(1), Point3(1, 0, 0));
    EXPECT_EQ(mesh.getTVert(2), Point3(0, 1, 0));
    EXPECT_EQ(normals->Normal(0), Point3(0, 0, 1));
    EXPECT_EQ(normals->Normal(2), Point3(1, 0, 0));
}

TEST(ObjParser, MaterialIdsFollowTheLastIntegerMaterialLine) {
    Mesh mesh;
    const std::string text = std::string(TRIANGLE) +
                             "f 1/1/1 2/2/2 3/3/3\n"
                             "usemtl 3\n"
                             "f 1/1/1 2/2/2 3/3/3\nf 1/1/1 2/2/2 3/3/3\n"
                             "usemtl -2\nf 1/1/1 2/2/2 3/3/3\n"
                             "usemtl +70000\nf 1/1/1 2/2/2 3/3/3\n"
                             "usemtl\t9\nf 1/1/1 2/2/2 3/3/3\n";  // a tab is not "usemtl ": ignored
    ASSERT_EQ(parse(text, &mesh).refusal, ObjRefusal::None);
    const MtlID expected[] = {0xFFFF, 3, 3, 0xFFFE, MtlID(70000 & 0xFFFF), MtlID(70000 & 0xFFFF)};
    ASSERT_EQ(mesh.getNumFaces(), 6);
    for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(mesh.getFace(f).getMatID(), expected[f]) << "face " << f;
        EXPECT_EQ(mesh.getFace(f).flags & 0xFFFFu, EDGE_ALL);
    }
}

// Integers are whatever a 32-bit int holds, leading zeros or not; the
// material id keeps their low 16 bits.
TEST(ObjParser, IntegersAreExactlyThe32BitRange) {
    const struct {
        const char* value;
        bool accepted;
        MtlID id;
    } cases[] = {
        {"2147483647", true, 0xFFFF},          {"-2147483648", true, 0},
        {"+0000000000000000000007", true, 7},  {"-0", true, 0},
        {"2147483648", false, 0},              {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0}, {"-", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Mesh mesh;
        const Outcome o = parse(std::string(TRIANGLE) + "usemtl " + c.value + "\nf 1/1/1 2/2/2 3/3/3\n", &mesh);
        if (!c.accepted) {
            EXPECT_EQ(o.refusal, ObjRefusal::Material);
            continue;
        }
        ASSERT_EQ(o.refusal, ObjRefusal::None);
        EXPECT_EQ(mesh.getFace(0).getMatID(), c.id);
    }
}

// Lines the subset takes, each with what it must read as. Separators follow
// scanf: whitespace of any kind, or none between a keyword and its first value.
TEST(ObjParser, AcceptedLineForms) {
    using namespace std::string_literals;
    struct Case { std::string line; Point3 expected; };
    const Case cases[] = {
        {"v 1 2 3", {1, 2, 3}},
        {"v  \t 1\t2   3   ", {1, 2, 3}},
        {"v1 2 3", {1, 2, 3}},
        {"v 1-2-3", {1, -2, -3}},
        {"v +1.5 -.5 5.", {1.5, -0.5, 5}},
        {"v 1e3 2.5E-1 -7e+0", {1000, 0.25, -7}},
        {"v 0x1p3 0X.8P1 -0x10", {8, 1, -16}},
        {"v 1 2 3\r", {1, 2, 3}},
        {"v 1 2 3\v\f", {1, 2, 3}},
        {"v 1 2 3\0garbage after the end of the C text"s, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Mesh mesh;
        ASSERT_EQ(parse(c.line + "\n", &mesh).refusal, ObjRefusal::None);
        ASSERT_EQ(mesh.getNumVerts(), 1);
        EXPECT_EQ(mesh.getVert(0), c.expected);
    }

    // The same number forms reach texture vertices and normals.
    Mesh mesh;
    ASSERT_EQ(parse("vt1 2 3\nvn\t-1 -2 -3 \nvt 4 5 6\n", &mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumTVerts(), 2);
    EXPECT_EQ(mesh.getTVert(1), Point3(4, 5, 6));
    EXPECT_EQ(mesh.GetSpecifiedNormals()->Normal(0), Point3(-1, -2, -3));

    const char* faces[] = {
        "f 1/1/1 2/2/2 3/3/3",
        "f1/1/1 2/2/2 3/3/3",
        "f 1/ 1/\t1 2/2/2 3/3/3 ",     // an index may be preceded by whitespace
        "f +1/+1/+1 2/2/2 3/3/3",
        "f 01/001/1 2/2/2 3/3/3",
        "f 1/1/1\t2/2/2\t3/3/3\r",
        "f 1/1/1+2/2/2+3/3/3",          // a sign starts the next corner without a space
    };
    for (const char* f : faces) {
        SCOPED_TRACE(f);
        Mesh m;
        EXPECT_EQ(parse(std::string(TRIANGLE) + f + "\n", &m).refusal, ObjRefusal::None);
        EXPECT_EQ(m.getNumFaces(), 1);
        EXPECT_EQ(m.getFace(0).v[2], 2u);
    }
}

TEST(ObjParser, LinesOutsideTheSubsetAreSkipped) {
    const std::string text = std::string(TRIANGLE) +
                             "# v 1 2\n"
                             "mtllib scene.mtl\n"
                             "o Cube\ng group\ns off\ns 1\n"
                             " v 1 2\n"        // the test is on the very start of the line
                             "\tf 1 2 3 4\n"
                             "usemtl\n"        // "usemtl" without its space is not a material line
                             "usemtlx 4\n"
                             "l 1 2\np 1\n"
                             "\n   \n"
                             "f 1/1/1 2/2/2 3/3/3\n";
    Mesh mesh;
    ASSERT_EQ(parse(text, &mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumFaces(), 1);
    EXPECT_EQ(mesh.getNumVerts(), 3);
    EXPECT_EQ(mesh.getFace(0).getMatID(), 0xFFFF);
}

// Each refused line is the second line of its text; the refusal names it.
TEST(ObjParser, RefusedLineForms) {
    struct Case { const char* line; ObjRefusal refusal; };
    const Case cases[] = {
        // faces that are not three v/vt/vn corners
        {"f 1//1 2//2 3//3", ObjRefusal::Face},
        {"f 1 2 3", ObjRefusal::Face},
        {"f 1/1 2/2 3/3", ObjRefusal::Face},
        {"f 1/1/1 2/2/2 3/3/3 1/1/1", ObjRefusal::Face},
        {"f 1/1/1 2/2/2", ObjRefusal::Face},
        {"f 1/1/1 2/2/2 3/3/3 # tail", ObjRefusal::Face},
        {"f 1/1/1 2/2/2 3/3/3/", ObjRefusal::Face},
        {"f 1 /1/1 2/2/2 3/3/3", ObjRefusal::Face},    // '/' must follow the index
        {"f 1.0/1/1 2/2/2 3/3/3", ObjRefusal::Face},
        {"f 1/1/1 2/2/2 3/3/x", ObjRefusal::Face},
        {"f", ObjRefusal::Face},
        {"fo 1/1/1 2/2/2 3/3/3", ObjRefusal::Face},
        {"f 4294967298/1/1 2/2/2 3/3/3", ObjRefusal::Face},  // not a 32-bit integer
        // indices below 1 or past the arrays
        {"f 0/1/1 2/2/2 3/3/3", ObjRefusal::IndexOutOfRange},
        {"f -1/-1/-1 -2/-2/-2 -3/-3/-3", ObjRefusal::IndexOutOfRange},
        {"f 1/1/1 2/2/2 4/3/3", ObjRefusal::IndexOutOfRange},
        {"f 1/1/1 2/4/2 3/3/3", ObjRefusal::IndexOutOfRange},
        {"f 1/1/1 2/2/2 3/3/4", ObjRefusal::IndexOutOfRange},
        {"f 2147483647/1/1 2/2/2 3/3/3", ObjRefusal::IndexOutOfRange},
        // materials that are not one integer
        {"usemtl red", ObjRefusal::Material},
        {"usemtl Material.001", ObjRefusal::Material},
        {"usemtl 3 red", ObjRefusal::Material},
        {"usemtl 3.5", ObjRefusal::Material},
        {"usemtl ", ObjRefusal::Material},
        {"usemtl 99999999999", ObjRefusal::Material},
        // coordinates that are not three numbers
        {"vt 0.5 0.5", ObjRefusal::TextureVertex},
        {"vt 1 2 3 4", ObjRefusal::TextureVertex},
        {"vt", ObjRefusal::TextureVertex},
        {"vn 0 0", ObjRefusal::Normal},
        {"vn 0 0 1 x", ObjRefusal::Normal},
        {"v 1 2", ObjRefusal::Position},
        {"v 1 2 3 1", ObjRefusal::Position},        // a weight
        {"v 1 2 3 0.5 0.5 0.5", ObjRefusal::Position},  // a colour
        {"v", ObjRefusal::Position},
        {"vp 0.5 0.5", ObjRefusal::Position},        // "v" is a prefix test
        {"v 1,2,3", ObjRefusal::Position},
        {"v 1e 2 3", ObjRefusal::Position},          // strtof stops before "e"
        {"v 1 2 3e+", ObjRefusal::Position},
        {"v +-1 2 3", ObjRefusal::Position},
        {"v --1 2 3", ObjRefusal::Position},
        {"v . 2 3", ObjRefusal::Position},
        {"v 0x 2 3", ObjRefusal::Position},
        {"v 0xg 2 3", ObjRefusal::Position},
        {"v infx 2 3", ObjRefusal::Position},
        {"v nan(1 2 3", ObjRefusal::Position},
        {"v 1 2 3\rv 4 5 6", ObjRefusal::Position},  // a lone CR does not end a line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Mesh mesh;
        mesh.setNumVerts(7);
        const Outcome o = parse(std::string("# first\n") + c.line + "\n" + TRIANGLE + "f 1/1/1 2/2/2 3/3/3\n", &mesh);
        EXPECT_EQ(o.refusal, c.refusal);
        EXPECT_EQ(o.line, 2);
        EXPECT_EQ(mesh.getNumVerts(), 7) << "a refused read leaves the mesh as it was";
        EXPECT_EQ(mesh.GetSpecifiedNormals(), nullptr);
    }
}

TEST(ObjParser, FacesMayNameVerticesDefinedLaterButNotBeyondTheEnd) {
    Mesh mesh;
    ASSERT_EQ(parse(std::string("f 1/1/1 2/2/2 3/3/3\n") + TRIANGLE, &mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumFaces(), 1);

    // A face past the end is reported at its own line; the one after it names
    // arrays that grow to cover it later.
    const Outcome o = parse(std::string("v 0 0 0\n") + TRIANGLE + "f 1/1/1 2/2/2 3/3/3\n" +
                            "f 4/1/1 2/2/2 3/3/3\nf 9/9/9 1/1/1 1/1/1\nf 4/4/4 4/4/4 4/4/4\nvt 1 1 1\nvn 1 1 1\n");
    EXPECT_EQ(o.refusal, ObjRefusal::IndexOutOfRange);
    EXPECT_EQ(o.line, 13);
}

TEST(ObjParser, NoLinesOfInterestGiveAnEmptyMesh) {
    Mesh mesh;
    mesh.setNumVerts(4);
    ASSERT_EQ(parse("", &mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumVerts(), 0);
    EXPECT_EQ(mesh.getNumFaces(), 0);
    EXPECT_FALSE(mesh.mapSupport(1));

    ASSERT_EQ(parse("v 1 2 3\n# no faces\n", &mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumVerts(), 1);
    EXPECT_EQ(mesh.getNumFaces(), 0);
}

// Every number must come out as strtof makes it: the proxy's positions are
// compared with the files other tools read.
TEST(ObjParser, NumbersRoundExactlyAsStrtof) {
    std::vector<std::string> tokens = {
        "0", "-0", "+0.0", "0.1", "1.17549435e-38", "1.4e-45", "7e-46", "1e-40", "-1e-50", "1e-999",
        "3.4028234e38", "3.40282356e38", "3.4028236e38", "1e39", "-1e999",
        "0.10000000000000000555111512312578270211815834045410156250000000001",
        "123456789012345678901234567890", "9007199254740993", "16777217", "16777219",
        "0x1.fffffep127", "0x1.ffffffp127", "0x1p-149", "0x1p-150", "0x1.8p-149", "0X.8", "0x10",
        "inf", "-INF", "Infinity", "+infinity", "2.5e+0", ".5e1", "5.e-1",
        "0e-99", "-0.000e40", "00.0e-12", "0e99999999999",
    };
    std::mt19937 rng(1234);
    for (int i = 0; i < 3000; ++i) {
        std::string t;
        if (rng() % 2) t += '-';
        // Up to 24 digits, some with leading zeros: past 19 the exact road.
        if (rng() % 4 == 0) t.append(1 + rng() % 8, '0');
        const int digits = 1 + int(rng() % 24);
        const int point = int(rng() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point) t += '.';
            t += char('0' + rng() % 10);
        }
        if (rng() % 3 == 0) (t += 'e') += std::to_string(int(rng() % 90) - 45);
        tokens.push_back(t);
    }
    for (const std::string& t : tokens) {
        SCOPED_TRACE(t);
        Mesh mesh;
        ASSERT_EQ(parse("v " + t + " " + t + " " + t + "\n", &mesh).refusal, ObjRefusal::None);
        const float expected = std::strtof(t.c_str(), nullptr);
        EXPECT_EQ(std::bit_cast<uint32_t>(mesh.getVert(0).x), std::bit_cast<uint32_t>(expected));
        EXPECT_EQ(std::bit_cast<uint32_t>(mesh.getVert(0).z), std::bit_cast<uint32_t>(expected));
    }
    for (const char* t : {"nan", "-NaN", "nan(0x7)", "NAN()"}) {
        SCOPED_TRACE(t);
        Mesh mesh;
        ASSERT_EQ(parse(std::string("v ") + t + " 0 0\n", &mesh).refusal, ObjRefusal::None);
        EXPECT_TRUE(std::isnan(mesh.getVert(0).x));
        EXPECT_EQ(std::signbit(mesh.getVert(0).x), t[0] == '-');
    }
}

TEST_F(ObjFiles, ReadsThroughTheFileWithAnyLineEnd) {
    const std::string body = std::string(TRIANGLE) + "usemtl 2\nf 1/1/1 2/2/2 3/3/3";
    const struct { const char* name; std::string bytes; } files[] = {
        {"lf.obj", body + "\n"},
        {"crlf.obj", std::regex_replace(body, std::regex("\n"), "\r\n") + "\r\n"},
        {"no-final-end.obj", body},
        {"blank-tail.obj", body + "\n\n\n"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        Mesh mesh;
        const Outcome o = read(write(f.name, f.bytes), mesh);
        ASSERT_EQ(o.refusal, ObjRefusal::None);
        EXPECT_EQ(mesh.getNumFaces(), 1);
        EXPECT_EQ(mesh.getNumVerts(), 3);
        EXPECT_EQ(mesh.getFace(0).getMatID(), 2);
    }

    // A NUL ends the line for the parser, whatever follows it on that line.
    Mesh mesh;
    ASSERT_EQ(read(write("nul.obj", std::string("v 1 2 3\0 4\nv 4 5 6\n", 19)), mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumVerts(), 2);
    EXPECT_EQ(mesh.getVert(1), Point3(4, 5, 6));
}

TEST_F(ObjFiles, RefusalsAreLoggedWithTheLineAndAMissingFileIsAFailure) {
    DebugLog::startCapture();
    Mesh mesh;
    ObjFormat format(String::fromUtf8(write("bad.obj", "v 1 2 3\nvt 0.5 0.5\n")));
    ProxyFileInfo info;
    EXPECT_FALSE(format.read(mesh, info));

    const std::string missing = (dir_ / "absent.obj").string();
    ObjFormat absent(String::fromUtf8(missing));
    EXPECT_FALSE(absent.read(mesh, info));
    const std::vector<std::string> lines = DebugLog::lines();
    DebugLog::stopCapture();
    EXPECT_EQ(readObjFile(String::fromUtf8(missing), mesh), ObjRefusal::CannotOpen);

    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("bad.obj' line 2: texture vertex is not three numbers"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("Cannot open/read/write file '" + missing + "'"), std::string::npos) << lines[1];
}

// The shared developer set: real files from other programs. None of them is
// inside the subset; each is refused at its first line outside it, and once
// that (and every later) obstacle is rewritten into the subset, it loads with
// the counts its README gives, which shows the refusal was for that reason.
class SharedObj : public ObjFiles {
protected:
    void SetUp() override {
        ObjFiles::SetUp();
        root_ = fs::path(NIMBAL_SHARED_DATA) / "obj";
        if (!fs::exists(root_ / "README.md")) GTEST_SKIP() << "no shared OBJ data at " << root_;
    }
    std::string original(const char* name) { return slurp(root_ / name); }
    fs::path root_;
};

std::string replaceAll(const std::string& text, const char* pattern, const char* with) {
    return std::regex_replace(text, std::regex(pattern), with);
}

TEST_F(SharedObj, EachFileIsRefusedAtItsFirstLineOutsideTheSubset) {
    struct Case { const char* file; ObjRefusal refusal; int64_t line; };
    const Case cases[] = {
        {"map-bump.obj", ObjRefusal::TextureVertex, 224},            // "vt 0.135351 -0.558072"
        {"cube_mtllib_after_g.obj", ObjRefusal::Material, 3},        // "usemtl MyMaterial"
        {"cornell_box.obj", ObjRefusal::Material, 11},               // "usemtl white"
        {"stanford-bunny.obj", ObjRefusal::Face, 35961},             // "f 21217 21216 20400"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Mesh mesh;
        const Outcome o = read((root_ / c.file).string(), mesh);
        EXPECT_EQ(o.refusal, c.refusal) << describeObjRefusal(o.refusal);
        EXPECT_EQ(o.line, c.line);
        EXPECT_EQ(mesh.getNumVerts(), 0);
    }
}

TEST_F(SharedObj, MapBumpLoadsOnceItsTextureVerticesHaveThreeValuesAndItsMaterialsAreNumbers) {
    const std::string text = original("map-bump.obj");
    const std::string threeValueUvs = replaceAll(text, "(\nvt [^ \n]+ [^ \n]+)(?=\n)", "$1 0");
    const std::string numberedMaterials =
        replaceAll(replaceAll(text, "usemtl Material.001", "usemtl 1"), "usemtl Material.003", "usemtl 3");
    Mesh mesh;
    // Either obstacle alone is enough for a refusal.
    EXPECT_EQ(read(write("uvs.obj", threeValueUvs), mesh).refusal, ObjRefusal::Material);
    EXPECT_EQ(read(write("uvs.obj", threeValueUvs), mesh).line, 415);
    EXPECT_EQ(read(write("mat.obj", numberedMaterials), mesh).refusal, ObjRefusal::TextureVertex);

    const std::string both =
        replaceAll(replaceAll(threeValueUvs, "usemtl Material.001", "usemtl 1"), "usemtl Material.003", "usemtl 3");
    ASSERT_EQ(read(write("both.obj", both), mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumVerts(), 218);
    EXPECT_EQ(mesh.getNumTVerts(), 109);
    EXPECT_EQ(mesh.GetSpecifiedNormals()->GetNumNormals(), 82);
    ASSERT_EQ(mesh.getNumFaces(), 400);
    // The first face line: "f 103/1/1 102/2/1 6/3/1", after "usemtl Material.001".
    EXPECT_EQ(mesh.getFace(0).v[0], 102u);
    EXPECT_EQ(mesh.mapFaces(1)[0].t[1], 1u);
    EXPECT_EQ(mesh.GetSpecifiedNormals()->Face(0).GetNormalID(2), 0);
    EXPECT_EQ(mesh.getFace(0).getMatID(), 1);
    EXPECT_EQ(mesh.getFace(399).getMatID(), 3);
    EXPECT_EQ(mesh.getVert(0), Point3(1.864151f, -1.219172f, -5.532511f));
}

TEST_F(SharedObj, CubeLoadsOnceItsMaterialIsANumberAndItsCornersCarryTextureIndices) {
    const std::string text = original("cube_mtllib_after_g.obj");
    const std::string numbered = replaceAll(text, "usemtl MyMaterial", "usemtl 0");
    Mesh mesh;
    const Outcome faces = read(write("n.obj", numbered), mesh);
    EXPECT_EQ(faces.refusal, ObjRefusal::Face);  // "f  1//2  7//2  5//2"
    EXPECT_EQ(faces.line, 21);

    const std::string full = replaceAll(numbered, "(\\d+)//(\\d+)", "$1/1/$2") + "vt 0 0 0\r\n";
    ASSERT_EQ(read(write("full.obj", full), mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumVerts(), 8);
    EXPECT_EQ(mesh.GetSpecifiedNormals()->GetNumNormals(), 6);
    ASSERT_EQ(mesh.getNumFaces(), 12);
    EXPECT_EQ(mesh.getFace(11).getMatID(), 0);
    EXPECT_EQ(mesh.GetSpecifiedNormals()->Face(11).GetNormalID(0), 0);  // "f  2//1  8//1  4//1 "
    EXPECT_EQ(mesh.getFace(11).v[1], 7u);
}

TEST_F(SharedObj, CornellBoxIsRefusedForItsQuadsOnceItsMaterialsAreNumbers) {
    const std::string numbered = replaceAll(original("cornell_box.obj"), "usemtl [a-z]+", "usemtl 1");
    Mesh mesh;
    const Outcome o = read(write("n.obj", numbered), mesh);
    EXPECT_EQ(o.refusal, ObjRefusal::Face);  // "f 1 2 3 4 "
    EXPECT_EQ(o.line, 27);
}

TEST_F(SharedObj, BunnyLoadsOnceItsCornersCarryTextureAndNormalIndices) {
    std::istringstream in(original("stanford-bunny.obj"));
    std::string full = "vt 0 0 0\nvn 0 0 1\n";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("f ", 0) == 0) {
            std::istringstream corners(line.substr(2));
            line = "f";
            for (std::string v; corners >> v;) line += " " + v + "/1/1";
        }
        full += line + "\n";
    }
    Mesh mesh;
    ASSERT_EQ(read(write("bunny.obj", full), mesh).refusal, ObjRefusal::None);
    EXPECT_EQ(mesh.getNumVerts(), 35947);
    ASSERT_EQ(mesh.getNumFaces(), 69451);
    EXPECT_EQ(mesh.getFace(0).v[0], 21216u);  // "f 21217 21216 20400"
    EXPECT_EQ(mesh.getFace(0).getMatID(), 0xFFFF);
    EXPECT_EQ(mesh.getVert(0), Point3(-0.037830f, 0.127940f, 0.004475f));
}

} // namespace
} // namespace Nimbal

// `nimbal proxy ...` as a user runs it: mesh files in, proxy files out, and
// what a proxy pointing at them shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_nimbal.h"

namespace {

namespace fs = std::filesystem;
using clitest::kBin;
using clitest::Outcome;
using clitest::Quote;
using clitest::ReadFile;
using nlohmann::json;

class ProxyCli : public clitest::CliFolder {
protected:
    json Json(const std::string& args) const {
        const Outcome r = Nimbal(args);
        EXPECT_EQ(r.code, 0) << args << "\n" << r.err;
        if (r.code != 0) return json();
        return json::parse(r.out);
    }
};

// ---------------------------------------------------------------------------
// What an OBJ file holds, counted without the import library: the oracle for
// the proxies made from the shared files.

struct ObjFacts {
    long long triangles = 0;
    size_t vertices = 0;  // distinct positions used by faces
    size_t normals = 0;   // distinct normals used, when every corner has one
    bool allCornersHaveNormals = true;
    bool anyTexture = false;
    std::array<float, 3> lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
    std::vector<std::string> materials;  // named materials in the order of their first "usemtl", used ones
    bool facesWithoutMaterial = false;
};

using Bits = std::array<uint32_t, 3>;

Bits BitsOf(const std::array<float, 3>& v) {
    Bits b;
    for (int i = 0; i < 3; ++i) {
        const float f = v[i] + 0.0f;
        std::memcpy(&b[i], &f, 4);
    }
    return b;
}

ObjFacts CountObj(const fs::path& file) {
    ObjFacts facts;
    std::vector<std::array<float, 3>> v, vn;
    size_t vt = 0;
    std::set<Bits> usedV, usedN;
    std::vector<std::string> declared;  // first "usemtl" order
    std::set<std::string> used;
    std::string current;
    std::istringstream text(ReadFile(file));
    std::string line;
    auto resolve = [](long index, size_t count) { return index < 0 ? long(count) + index : index - 1; };
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream in(line);
        std::string tag;
        in >> tag;
        if (tag == "v" || tag == "vn") {
            std::array<float, 3> p{};
            in >> p[0] >> p[1] >> p[2];
            (tag == "v" ? v : vn).push_back(p);
        } else if (tag == "vt") {
            ++vt;
        } else if (tag == "usemtl") {
            in >> current;
            if (std::find(declared.begin(), declared.end(), current) == declared.end()) declared.push_back(current);
        } else if (tag == "f") {
            std::string corner;
            int corners = 0;
            while (in >> corner) {
                ++corners;
                long parts[3] = {0, 0, 0};
                bool present[3] = {false, false, false};
                size_t at = 0;
                for (int k = 0; k < 3 && at <= corner.size(); ++k) {
                    const size_t slash = corner.find('/', at);
                    const std::string piece = corner.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
                    if (!piece.empty()) {
                        parts[k] = std::stol(piece);
                        present[k] = true;
                    }
                    if (slash == std::string::npos) break;
                    at = slash + 1;
                }
                const std::array<float, 3> p = v.at(size_t(resolve(parts[0], v.size())));
                usedV.insert(BitsOf(p));
                for (int k = 0; k < 3; ++k) {
                    facts.lo[k] = std::min(facts.lo[k], p[k]);
                    facts.hi[k] = std::max(facts.hi[k], p[k]);
                }
                facts.anyTexture = facts.anyTexture || present[1];
                if (present[2]) usedN.insert(BitsOf(vn.at(size_t(resolve(parts[2], vn.size())))));
                else facts.allCornersHaveNormals = false;
            }
            facts.triangles += corners - 2;
            if (current.empty()) facts.facesWithoutMaterial = true;
            else used.insert(current);
        }
    }
    facts.vertices = usedV.size();
    facts.normals = usedN.size();
    if (facts.facesWithoutMaterial) facts.materials.push_back("[none]");
    for (const std::string& m : declared)
        if (used.count(m)) facts.materials.push_back(m);
    (void)vt;
    return facts;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
    return s;
}

TEST_F(ProxyCli, EverySharedObjBecomesAProxyThatMatchesItsMesh) {
    const fs::path shared = fs::path(NIMBAL_SHARED_DATA) / "obj";
    if (!fs::is_directory(shared)) GTEST_SKIP() << "no shared OBJ files at " << shared;
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(shared)) {
        if (entry.path().extension() != ".obj") continue;
        ++seen;
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        const ObjFacts facts = CountObj(entry.path());
        const std::string out = name + ".nproxy";

        const json made = Json("proxy create " + Quote(entry.path().string()) + " " + out + " --units mm --json");
        ASSERT_TRUE(made.is_object());
        const json info = Json("proxy info " + out + " --units mm --json");
        ASSERT_TRUE(info.is_object());
        EXPECT_EQ(made["proxy"], info);

        EXPECT_EQ(info["status"], 2);
        EXPECT_EQ(info["format"], "nproxy");
        EXPECT_EQ(info["faces"], facts.triangles);
        EXPECT_EQ(info["vertices"], facts.vertices);
        EXPECT_EQ(info["mapChannels"], facts.anyTexture ? 1 : 0);
        if (facts.allCornersHaveNormals) {
            EXPECT_EQ(info["normals"], facts.normals);
        } else {
            EXPECT_GE(info["normals"].get<int>(), 1);
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(info["bboxMin"][k].get<float>(), facts.lo[k]) << k;
            EXPECT_EQ(info["bboxMax"][k].get<float>(), facts.hi[k]) << k;
        }
        EXPECT_EQ(info["originalObjectName"], name);
        const bool named = std::any_of(facts.materials.begin(), facts.materials.end(),
                                       [](const std::string& m) { return m != "[none]"; });
        EXPECT_EQ(info["originalMaterialName"], named ? Joined(facts.materials) : "[none]");
        EXPECT_EQ(info["statusText"], "Proxy loaded: '" + out + "'\nVertices: " +
                                          (facts.vertices >= 1000 ? std::to_string(facts.vertices / 1000) + "," +
                                                                        std::to_string(facts.vertices % 1000 + 1000).substr(1)
                                                                  : std::to_string(facts.vertices)) +
                                          ",\nFaces: " +
                                          (facts.triangles >= 1000 ? std::to_string(facts.triangles / 1000) + "," +
                                                                         std::to_string(facts.triangles % 1000 + 1000).substr(1)
                                                                   : std::to_string(facts.triangles)) +
                                          ".");
        // The import saw what the file says, and the proxy holds all of it.
        EXPECT_EQ(made["mesh"]["triangles"], facts.triangles);
        EXPECT_EQ(made["mesh"]["vertices"], facts.vertices);
    }
    EXPECT_GE(seen, 1);
}

// ---------------------------------------------------------------------------
// Other mesh formats, small files whose counts are known.

struct MeshCase {
    const char* name;
    const char* file;
    const char* content;
    int faces, vertices, mapChannels;
    std::array<float, 3> lo, hi;
    const char* material;
    int normals;  // 0: computed by the host, not checked
};

const MeshCase kMeshCases[] = {
    {"obj with quads, a pentagon, named materials and texture coordinates", "box.obj",
     "mtllib none.mtl\n"
     "v 0 0 0\nv 2 0 0\nv 2 3 0\nv 0 3 0\nv 0 0 4\nv 2 0 4\nv 2 3 4\nv 0 3 4\nv 1 4 2\n"
     "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
     "usemtl wood\n"
     "f 1/1 2/2 3/3 4/4\nf 5/1 6/2 7/3 8/4\n"
     "usemtl steel\n"
     "f 1/1 2/2 6/3 5/4\nf 2/1 3/2 7/3 6/4\nf 3/1 9/2 4/3 8/4 7/1\n",
     2 + 2 + 2 + 2 + 3, 9, 1, {0, 0, 0}, {2, 4, 4}, "wood, steel", 0},
    {"ascii stl with facet normals", "tetra.stl",
     "solid tetra\n"
     "facet normal 0 0 -1\nouter loop\nvertex 0 0 0\nvertex 0 1 0\nvertex 1 0 0\nendloop\nendfacet\n"
     "facet normal 0 -1 0\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 0 1\nendloop\nendfacet\n"
     "facet normal -1 0 0\nouter loop\nvertex 0 0 0\nvertex 0 0 1\nvertex 0 1 0\nendloop\nendfacet\n"
     "facet normal 0.57735 0.57735 0.57735\nouter loop\nvertex 1 0 0\nvertex 0 1 0\nvertex 0 0 1\nendloop\nendfacet\n"
     "endsolid tetra\n",
     4, 4, 0, {0, 0, 0}, {1, 1, 1}, "[none]", 4},
    {"ascii ply with a quad and a triangle", "fan.ply",
     "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\nproperty float z\n"
     "element face 2\nproperty list uchar int vertex_indices\nend_header\n"
     "-1 -1 0\n1 -1 0\n1 1 0\n-1 1 0\n0 0 5\n4 0 1 2 3\n3 0 1 4\n",
     3, 5, 0, {-1, -1, 0}, {1, 1, 5}, "[none]", 0},
    {"gltf with an embedded buffer and a node transform", "tri.gltf",
     R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
        "nodes":[{"mesh":0,"translation":[10,0,0]}],
        "meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],
        "buffers":[{"byteLength":42,"uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAABAAIA"}],
        "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":6}],
        "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},
                     {"bufferView":1,"componentType":5123,"count":3,"type":"SCALAR"}]})",
     1, 3, 0, {10, 0, 0}, {11, 1, 0}, "[none]", 0},
};

TEST_F(ProxyCli, CreateReadsGeneralMeshFormats) {
    for (const MeshCase& c : kMeshCases) {
        SCOPED_TRACE(c.name);
        Write(c.file, c.content);
        const json made = Json(std::string("proxy create ") + c.file + " out.nproxy --units mm --json");
        ASSERT_TRUE(made.is_object());
        const json& info = made["proxy"];
        EXPECT_EQ(info["faces"], c.faces);
        EXPECT_EQ(info["vertices"], c.vertices);
        EXPECT_EQ(info["mapChannels"], c.mapChannels);
        if (c.normals) {
            EXPECT_EQ(info["normals"], c.normals);
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_FLOAT_EQ(info["bboxMin"][k].get<float>(), c.lo[k]) << k;
            EXPECT_FLOAT_EQ(info["bboxMax"][k].get<float>(), c.hi[k]) << k;
        }
        EXPECT_EQ(info["originalMaterialName"], c.material);
        EXPECT_EQ(info["originalObjectName"], fs::path(c.file).stem().string());
        EXPECT_EQ(Json("proxy info out.nproxy --units mm --json"), info);
    }
    // The keys, in the order users' scripts were promised.
    const auto ordered = nlohmann::ordered_json::parse(Nimbal("proxy info out.nproxy --json").out);
    std::vector<std::string> keys;
    for (const auto& item : ordered.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"file", "format", "status", "statusText", "vertices", "faces", "normals",
                                              "mapChannels", "bboxMin", "bboxMax", "originalMaterialName",
                                              "originalObjectName"}));
}

TEST_F(ProxyCli, CreateRefusesWhatItCannotMake) {
    Write("junk.obj", "this is not a mesh\n");
    Write("lines.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nl 1 2 3\np 1\n");
    Write("good.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n");
    Write("keep.nproxy", "precious");
    struct Case {
        const char* args;
        int code;
        const char* message;
    } cases[] = {
        {"proxy create missing.obj out.nproxy", 1, "cannot import missing.obj"},
        {"proxy create junk.obj out.nproxy", 1, "cannot import junk.obj"},
        {"proxy create lines.obj out.nproxy", 1, "cannot import lines.obj"},
        {"proxy create good.obj no-such-folder/out.nproxy", 1, "cannot save the proxy to no-such-folder/out.nproxy"},
        // Another format's extension would not read back as a proxy.
        {"proxy create good.obj out.obj", 2, ".nproxy"},
        {"proxy create good.obj keep.nmesh", 2, ".nproxy"},
        {"proxy create good.obj out.nproxy --units parsecs", 2, "unknown unit"},
        {"proxy create good.obj", 2, "OUT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = Nimbal(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_FALSE(fs::exists(Path("out.nproxy")));
    EXPECT_EQ(Read("keep.nproxy"), "precious");
}

TEST_F(ProxyCli, ScenesInOtherUnitsSeeTheSameMillimetres) {
    Write("m.obj", "v -1 0 0\nv 3 0 0\nv 0 2 5\nf 1 2 3\n");
    // Written in centimetres: the file holds 10 mm per unit.
    ASSERT_EQ(Nimbal("proxy create m.obj cm.nproxy --units cm").code, 0);
    const std::string header = Read("cm.nproxy");
    EXPECT_NE(header.find("Bounding box size (millimeters) : 40 20 50\n"), std::string::npos) << header.substr(0, 400);
    struct Case {
        const char* units;
        float scale;
    } cases[] = {{"mm", 10.0f}, {"cm", 1.0f}, {"m", 0.01f}, {"km", 0.00001f}, {"in", 10.0f / 25.4f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.units);
        const json info = Json(std::string("proxy info cm.nproxy --json --units ") + c.units);
        EXPECT_NEAR(info["bboxMin"][0].get<float>(), -1.0f * c.scale, 1e-6f * c.scale * 10);
        EXPECT_NEAR(info["bboxMax"][0].get<float>(), 3.0f * c.scale, 1e-6f * c.scale * 10);
        EXPECT_NEAR(info["bboxMax"][2].get<float>(), 5.0f * c.scale, 1e-6f * c.scale * 10);
    }
    // The default is the host's own unit, the inch.
    EXPECT_EQ(Json("proxy info cm.nproxy --json"), Json("proxy info cm.nproxy --json --units in"));
    const Outcome text = Nimbal("proxy info cm.nproxy");
    EXPECT_NE(text.out.find(" in\n"), std::string::npos) << text.out;
}

// ---------------------------------------------------------------------------
// Files a proxy cannot read.

// A legacy ".nmesh" file: one triangle, optionally with one texture channel.
std::string NMeshFile(bool withTexture, uint32_t magic = 0xABCDEF00u) {
    std::string s;
    auto u32 = [&](uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    auto f32 = [&](float v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    const uint32_t channels = withTexture ? 2 : 0;
    u32(magic);
    u32(3);
    u32(1);
    u32(channels);
    u32(1);
    for (float v : {0.f, 0.f, 0.f, 2.f, 0.f, 0.f, 0.f, 4.f, 0.f}) f32(v);
    u32(0x42CC42CCu);
    for (float v : {0.f, 0.f, 1.f}) f32(v);
    u32(0xB00B00B0u);
    if (withTexture) {
        u32(0);
        u32(3);
        for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) f32(v);
    }
    u32(0xCAAC00CAu);
    for (uint32_t v : {0u, 1u, 2u, 0u, 0u, 0u}) u32(v);
    if (withTexture)
        for (uint32_t v : {0u, 1u, 2u}) u32(v);
    const uint16_t material = 3;
    s.append(reinterpret_cast<const char*>(&material), 2);
    s.push_back(7);
    u32(0xFEDCBA11u);
    return s;
}

TEST_F(ProxyCli, InfoOfAFileAProxyCannotReadFailsWithItsName) {
    Write("garbage.nproxy", "B\x05\x00\x00\x00hello not zlib at all");
    Write("quads.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1 4/1/1\n");
    Write("wrong-magic.nmesh", NMeshFile(false, 0xA3CDEF00u));
    const std::string good = NMeshFile(true);
    Write("cut.nmesh", good.substr(0, good.size() - 9));
    struct Case {
        const char* file;
        const char* status;
    } cases[] = {
        {"missing.nproxy", "[ERROR] Cannot find file 'missing.nproxy'."},
        {"garbage.nproxy", "[ERROR] Cannot parse file 'garbage.nproxy'."},
        {"quads.obj", "[ERROR] Cannot parse file 'quads.obj'."},
        {"wrong-magic.nmesh", "[ERROR] Cannot parse file 'wrong-magic.nmesh'."},
        {"cut.nmesh", "[ERROR] Cannot parse file 'cut.nmesh'."},
    };
    for (const Case& c : cases) {
        for (const char* verb : {"info", "points -o p.ply", "convert"}) {
            const std::string args = std::string("proxy ") + verb + " " + c.file +
                                     (std::string(verb) == "convert" ? " out.nproxy" : "") + " --json";
            SCOPED_TRACE(args);
            const Outcome r = Nimbal(args);
            EXPECT_EQ(r.code, 1);
            EXPECT_TRUE(r.out.empty()) << r.out;
            EXPECT_EQ(r.err, std::string("nimbal: Error loading proxy: ") + c.file + " (" + c.status + ")\n");
        }
    }
    EXPECT_FALSE(fs::exists(Path("p.ply")));
    EXPECT_FALSE(fs::exists(Path("out.nproxy")));
}

// ---------------------------------------------------------------------------
// Conversion

TEST_F(ProxyCli, ConvertWritesWhatTheProxyRead) {
    // The proxy's own OBJ reader: triangles with v/vt/vn and integer materials.
    Write("strict.obj",
              "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0 0\nvt 1 0 0\nvt 1 1 0\nvn 0 0 1\n"
              "usemtl 2\nf 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/2/1\n");
    Write("legacy.nmesh", NMeshFile(true));
    Write("named.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nusemtl brass\nf 1 2 3\n");
    ASSERT_EQ(Nimbal("proxy create named.obj named.nproxy --name Lamp --units cm").code, 0);

    struct Case {
        const char* in;
        int faces, vertices, normals, mapChannels;
        float maxX;
        const char* material;
        const char* object;
    } cases[] = {
        {"strict.obj", 2, 4, 1, 1, 1.0f, "[none]", "[none]"},
        {"legacy.nmesh", 1, 3, 1, 1, 2.0f, "[none]", "[none]"},
        // A proxy file keeps the names it was made with; the host gave the
        // smooth triangle a normal per corner.
        {"named.nproxy", 1, 3, 3, 0, 1.0f, "brass", "Lamp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        const json made = Json(std::string("proxy convert ") + c.in + " out.nproxy --units cm --json");
        ASSERT_TRUE(made.is_object());
        EXPECT_EQ(made["input"], c.in);
        const json& info = made["proxy"];
        EXPECT_EQ(info["faces"], c.faces);
        EXPECT_EQ(info["vertices"], c.vertices);
        EXPECT_EQ(info["normals"], c.normals);
        EXPECT_EQ(info["mapChannels"], c.mapChannels);
        EXPECT_FLOAT_EQ(info["bboxMax"][0].get<float>(), c.maxX);
        EXPECT_EQ(info["originalMaterialName"], c.material);
        EXPECT_EQ(info["originalObjectName"], c.object);
        EXPECT_EQ(Json("proxy info out.nproxy --units cm --json"), info);
        // Legacy and OBJ numbers are scene units; the proxy file stores millimetres.
        EXPECT_NE(Read("out.nproxy").find("Bounding box size (millimeters) : " + std::to_string(int(c.maxX * 10))),
                  std::string::npos);
    }
    // Converting a proxy file onto itself keeps it whole.
    const json before = Json("proxy info named.nproxy --units mm --json");
    ASSERT_EQ(Nimbal("proxy convert named.nproxy named.nproxy --units mm").code, 0);
    EXPECT_EQ(Json("proxy info named.nproxy --units mm --json"), before);

    const Outcome foreign = Nimbal("proxy convert strict.obj out.nzmesh");
    EXPECT_EQ(foreign.code, 2);
    EXPECT_NE(foreign.err.find(".nproxy"), std::string::npos);
}

TEST_F(ProxyCli, ConvertDirResavesEveryOlderProxyAndReportsTheRest) {
    Write("tree/a.nmesh", NMeshFile(false));
    Write("tree/sub/b.obj",
              "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    Write("tree/sub/deeper/C.NMESH", NMeshFile(true));
    Write("tree/sub/quads.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    Write("tree/broken.nzmesh", "not compressed");
    Write("tree/notes.txt", "ignored");
    Write("tree/kept.nproxy", "ignored too");

    const Outcome r = Nimbal("proxy convert-dir tree");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out,
              "Successfully resaved 3 proxies.\n"
              "2 proxies failed:\n"
              "Cannot load: tree/broken.nzmesh\n"
              "Cannot load: tree/sub/quads.obj\n");
    EXPECT_EQ(r.err, "nimbal: 2 of 5 proxies were not converted\n");
    for (const char* made : {"tree/a.nproxy", "tree/sub/b.nproxy", "tree/sub/deeper/C.nproxy"})
        EXPECT_TRUE(fs::exists(Path(made))) << made;
    EXPECT_FALSE(fs::exists(Path("tree/sub/quads.nproxy")));
    EXPECT_FALSE(fs::exists(Path("tree/broken.nproxy")));
    EXPECT_EQ(Read("tree/kept.nproxy"), "ignored too");
    const json c = Json("proxy info tree/sub/deeper/C.nproxy --json");
    EXPECT_EQ(c["faces"], 1);
    EXPECT_EQ(c["mapChannels"], 1);

    fs::remove(Path("tree/broken.nzmesh"));
    fs::remove(Path("tree/sub/quads.obj"));
    const json again = Json("proxy convert-dir tree --json");
    EXPECT_EQ(again["converted"], 3);
    EXPECT_EQ(again["failed"], 0);
    EXPECT_EQ(again["report"], "Successfully resaved 3 proxies.");

    const Outcome notAFolder = Nimbal("proxy convert-dir tree/a.nmesh");
    EXPECT_EQ(notAFolder.code, 1);
    EXPECT_EQ(notAFolder.err, "nimbal: tree/a.nmesh is not a folder\n");
}

TEST_F(ProxyCli, ConvertDirShowsProgressOnATerminalOnly) {
    if (::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no `script` to make a terminal";
    for (int i = 0; i < 3; ++i) Write("tree/m" + std::to_string(i) + ".nmesh", NMeshFile(false));
    // Not a terminal: nothing but the report.
    const Outcome piped = Nimbal("proxy convert-dir tree");
    EXPECT_EQ(piped.code, 0);
    EXPECT_EQ(piped.err, "");
    // On a terminal the bar is drawn on stderr and cleared before the report.
    const Outcome shown = clitest::RunShell("cd " + Quote(dir_.string()) + " && script -qec " +
                                            Quote(kBin + "/nimbal proxy convert-dir tree") + " /dev/null");
    EXPECT_EQ(shown.code, 0);
    const std::string& screen = shown.out;
    EXPECT_NE(screen.find("] 100% Converting proxies"), std::string::npos) << screen;
    EXPECT_NE(screen.find("[##########"), std::string::npos) << screen;
    EXPECT_NE(screen.find("\r\x1b[KSuccessfully resaved 3 proxies."), std::string::npos) << screen;
}

// ---------------------------------------------------------------------------
// The point cloud

// A flat grid of k x k quads in z = 0, from (0, 0) to (k, k).
std::string GridObj(int k) {
    std::ostringstream s;
    for (int y = 0; y <= k; ++y)
        for (int x = 0; x <= k; ++x) s << "v " << x << " " << y << " 0\n";
    for (int y = 0; y < k; ++y)
        for (int x = 0; x < k; ++x) {
            const int a = y * (k + 1) + x + 1;
            s << "f " << a << " " << a + 1 << " " << a + k + 2 << " " << a + k + 1 << "\n";
        }
    return s.str();
}

std::vector<std::array<float, 3>> ReadPly(const std::string& text, size_t& declared) {
    std::istringstream in(text);
    std::string line;
    declared = 0;
    while (std::getline(in, line) && line != "end_header")
        if (line.rfind("element vertex ", 0) == 0) declared = std::stoul(line.substr(15));
    std::vector<std::array<float, 3>> points;
    std::array<float, 3> p;
    while (in >> p[0] >> p[1] >> p[2]) points.push_back(p);
    return points;
}

TEST_F(ProxyCli, PointsAreTheCloudTheViewportDraws) {
    struct Case {
        int k;
        size_t points;
    } cases[] = {{5, 1000}, {25, 1250}};  // 50 and 1250 triangles
    for (const Case& c : cases) {
        SCOPED_TRACE(c.k);
        Write("grid.obj", GridObj(c.k));
        ASSERT_EQ(Nimbal("proxy create grid.obj grid.nproxy --units mm").code, 0);
        const json summary = Json("proxy points grid.nproxy -o cloud.ply --units mm --json");
        EXPECT_EQ(summary["points"], c.points);
        size_t declared = 0;
        const auto points = ReadPly(Read("cloud.ply"), declared);
        EXPECT_EQ(declared, c.points);
        ASSERT_EQ(points.size(), c.points);
        std::set<std::array<float, 3>> distinct(points.begin(), points.end());
        EXPECT_GT(distinct.size(), c.points * 9 / 10);
        for (const auto& p : points) {
            ASSERT_GE(p[0], 0.0f);
            ASSERT_LE(p[0], float(c.k));
            ASSERT_GE(p[1], 0.0f);
            ASSERT_LE(p[1], float(c.k));
            ASSERT_EQ(p[2], 0.0f);
        }
        // The same cloud again, as CSV, and its first share at a lower density.
        ASSERT_EQ(Nimbal("proxy points grid.nproxy -o cloud.csv --units mm").code, 0);
        std::istringstream csv(Read("cloud.csv"));
        std::string line;
        std::getline(csv, line);
        EXPECT_EQ(line, "x,y,z");
        size_t rows = 0;
        while (std::getline(csv, line)) {
            std::array<float, 3> p;
            ASSERT_EQ(std::sscanf(line.c_str(), "%f,%f,%f", &p[0], &p[1], &p[2]), 3) << line;
            ASSERT_LT(rows, points.size());
            EXPECT_EQ(p, points[rows]) << rows;
            ++rows;
        }
        EXPECT_EQ(rows, c.points);
        ASSERT_EQ(Nimbal("proxy points grid.nproxy -o part.ply --density 0.25 --units mm").code, 0);
        const auto part = ReadPly(Read("part.ply"), declared);
        ASSERT_EQ(part.size(), c.points / 4);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), points.begin()));
    }
    // The extension in any case chooses the format.
    ASSERT_EQ(Nimbal("proxy points grid.nproxy -o CLOUD.PLY").code, 0);
    EXPECT_EQ(Read("CLOUD.PLY").rfind("ply\nformat ascii 1.0\n", 0), 0u);
    EXPECT_EQ(Nimbal("proxy points grid.nproxy -o cloud.xyz").code, 2);
    EXPECT_EQ(Nimbal("proxy points grid.nproxy -o cloud.ply --density 101").code, 2);
}

// Misuse is exit code 2 with CLI11's pointer to --help, a failed operation
// exit code 1 with one line; neither prints a result or leaves a file.
TEST_F(ProxyCli, EveryCommandRefusesMisuseAndFailsWithOneLine) {
    Write("good.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n");
    ASSERT_EQ(Nimbal("proxy create good.obj good.nproxy").code, 0);
    fs::create_directories(Path("folder"));
    fs::create_directories(Path("taken.ply"));
    const struct {
        const char* args;
        int code;
        const char* message;
    } cases[] = {
        {"proxy", 2, "A proxy command (info, create, convert, convert-dir or points) is required"},
        {"proxy infos good.nproxy", 2, "not expected"},
        {"proxy info", 2, "FILE is required"},
        {"proxy info good.nproxy extra", 2, "not expected: extra"},
        {"proxy info good.nproxy --units parsecs", 2, "unknown unit 'parsecs'"},
        {"proxy info folder", 1, "Error loading proxy: folder ([ERROR] Cannot find file 'folder'.)"},
        {"proxy convert good.nproxy", 2, "OUT is required"},
        {"proxy convert good.nproxy out.nproxy --units", 2, "--units"},
        {"proxy convert missing.nmesh out.nproxy", 1, "Error loading proxy: missing.nmesh"},
        {"proxy convert good.nproxy no-such-folder/out.nproxy", 1, "cannot save the proxy to no-such-folder/out.nproxy"},
        {"proxy convert good.nproxy folder", 1, "cannot save the proxy to folder"},
        {"proxy create good.obj folder", 1, "cannot save the proxy to folder"},
        {"proxy convert-dir", 2, "ROOT is required"},
        {"proxy convert-dir missing", 1, "missing is not a folder"},
        {"proxy convert-dir good.obj --units furlongs", 2, "unknown unit 'furlongs'"},
        {"proxy points good.nproxy", 2, "--output is required"},
        {"proxy points good.nproxy -o out.xyz", 2, "the output must end in .ply or .csv"},
        {"proxy points good.nproxy -o out.ply --density abc", 2, "expects a number from 0 to 100, got \"abc\""},
        {"proxy points good.nproxy -o out.ply --density 101", 2, "expects a number from 0 to 100"},
        {"proxy points good.nproxy -o no-such-folder/out.ply", 1, "cannot write no-such-folder/out.ply"},
        {"proxy points good.nproxy -o taken.ply", 1, "cannot write taken.ply"},
        {"proxy points missing.nproxy -o out.ply", 1, "Error loading proxy: missing.nproxy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = Nimbal(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        if (c.code == 1) {
            EXPECT_EQ(r.err.rfind("nimbal: ", 0), 0u) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        } else {
            EXPECT_NE(r.err.find("Run with --help"), std::string::npos) << r.err;
        }
    }
    for (const char* left : {"out.nproxy", "out.ply", "out.xyz", "no-such-folder"})
        EXPECT_FALSE(fs::exists(Path(left))) << left;
    for (const char* folder : {"folder", "taken.ply"}) EXPECT_TRUE(fs::is_empty(Path(folder))) << folder;
}

TEST_F(ProxyCli, EveryCommandHasHelp) {
    for (const char* cmd : {"proxy", "proxy info", "proxy create", "proxy convert", "proxy convert-dir",
                            "proxy points"}) {
        SCOPED_TRACE(cmd);
        const Outcome r = Nimbal(std::string(cmd) + " --help");
        EXPECT_EQ(r.code, 0);
        EXPECT_NE(r.out.find("--help"), std::string::npos);
    }
    EXPECT_NE(Nimbal("proxy info --help").out.find("--units"), std::string::npos);
    EXPECT_EQ(Nimbal("proxy").code, 2);
    EXPECT_EQ(Nimbal("proxy info").code, 2);
}

}  // namespace

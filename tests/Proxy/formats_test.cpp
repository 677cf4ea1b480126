// Proxy mesh files: format choice, the ".nproxy" writer and reader, the legacy
// readers, and how all of them treat damaged or hostile files.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <array>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Proxy/ioFormats/CompressedStream.h"
#include "Proxy/ioFormats/FileFormats.h"
#include "host/Interface.h"

namespace fs = std::filesystem;
using namespace Nimbal;

namespace {

// ---------------------------------------------------------------------------
// Files and bytes

class TempDir {
public:
    TempDir() {
        static int counter = 0;
        path_ = fs::path(::testing::TempDir()) / ("nimbal_formats_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
        return names;
    }

private:
    fs::path path_;
};

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string zlibCompress(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                        uLong(raw.size()), Z_DEFAULT_COMPRESSION),
              Z_OK);
    out.resize(size);
    return out;
}

// The whole zlib stream starting at `from`; fails the test when it is not one.
std::string zlibInflate(const std::string& packed, size_t from = 0) {
    z_stream stream{};
    EXPECT_EQ(inflateInit(&stream), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + from));
    stream.avail_in = uInt(packed.size() - from);
    std::string out;
    char block[4096];
    int result;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(block);
        stream.avail_out = sizeof block;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(block, sizeof block - stream.avail_out);
    } while (result == Z_OK);
    EXPECT_EQ(result, Z_STREAM_END);
    EXPECT_EQ(stream.avail_in, 0u) << "bytes after the zlib stream";
    inflateEnd(&stream);
    return out;
}

// Little-endian byte building, independent of the code under test.
struct Bytes {
    std::string data;
    Bytes& u8(uint8_t v) { data.push_back(char(v)); return *this; }
    Bytes& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    Bytes& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
    Bytes& f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return u32(bits);
    }
};

std::string nproxyFile(const std::string& header, const std::string& block) {
    Bytes b;
    b.u8('B').u32(uint32_t(header.size()));
    return b.data + header + zlibCompress(block);
}

// ---------------------------------------------------------------------------
// Scene state

class UnitScope {
public:
    explicit UnitScope(int type) {
        GetCOREInterface()->GetSystemUnitInfo(&type_, &scale_);
        GetCOREInterface()->SetSystemUnitInfo(type, 1.0f);
    }
    ~UnitScope() { GetCOREInterface()->SetSystemUnitInfo(type_, scale_); }

private:
    int type_;
    float scale_;
};

std::tm fixedTime() {
    std::tm t{};
    t.tm_year = 2016 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 30;
    return t;
}

class ClockScope {
public:
    ClockScope() : previous_(NProxyFormat::setLocalClock(&fixedTime)) {}
    ~ClockScope() { NProxyFormat::setLocalClock(previous_); }

private:
    NProxyFormat::LocalClock previous_;
};

// ---------------------------------------------------------------------------
// The sample mesh: two triangles, three explicit normals, four channels of
// which 1 and 3 carry coordinates. Values are exact in binary so that unit
// conversions by powers of ten and back stay comparable.

Mesh sampleMesh() {
    Mesh mesh;
    mesh.setNumVerts(4);
    mesh.setVert(0, 0.0f, 0.0f, 0.0f);
    mesh.setVert(1, 1.5f, 0.0f, 0.0f);
    mesh.setVert(2, 0.0f, 2.25f, 0.0f);
    mesh.setVert(3, 0.5f, 0.5f, -3.0f);
    mesh.setNumFaces(2);
    mesh.getFace(0).setVerts(0, 1, 2);
    mesh.getFace(0).setSmGroup(1);
    mesh.getFace(0).setMatID(5);
    mesh.getFace(0).setEdgeVisFlags(true, true, true);
    mesh.getFace(1).setVerts(0, 2, 3);
    mesh.getFace(1).setSmGroup(3);
    mesh.getFace(1).setMatID(0x1234);
    mesh.getFace(1).setEdgeVisFlags(false, true, false);

    MeshNormalSpec* normals = mesh.SpecifyNormals();
    normals->SetNumNormals(3);
    normals->Normal(0) = Point3(0.0f, 0.0f, 1.0f);
    normals->Normal(1) = Point3(1.0f, 0.0f, 0.0f);
    normals->Normal(2) = Point3(0.0f, 0.6f, 0.8f);
    normals->SetNumFaces(2);
    for (int c = 0; c < 3; ++c) normals->Face(0).SetNormalID(c, 0);
    normals->Face(1).SetNormalID(0, 1);
    normals->Face(1).SetNormalID(1, 2);
    normals->Face(1).SetNormalID(2, 1);

    mesh.setNumMaps(4);
    mesh.setMapSupport(1);
    mesh.setNumMapVerts(1, 4);
    mesh.mapVerts(1) = {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0), Point3(0.5f, 0.25f, 0)};
    mesh.mapFaces(1) = {TVFace(0, 1, 2), TVFace(0, 2, 3)};
    mesh.setMapSupport(3);
    mesh.setNumMapVerts(3, 3);
    mesh.mapVerts(3) = {Point3(0.125f, 0, 1), Point3(0.75f, 0.5f, 0), Point3(1, 1, 1)};
    mesh.mapFaces(3) = {TVFace(2, 1, 0), TVFace(0, 1, 2)};
    return mesh;
}

// Positions compared after scaling, everything else exactly; smoothing groups
// are not stored, so the read mesh has none.
void expectSameMesh(const Mesh& got, const Mesh& want, float positionScale) {
    ASSERT_EQ(got.getNumVerts(), want.getNumVerts());
    for (int i = 0; i < want.getNumVerts(); ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(got.getVert(i)[k], want.getVert(i)[k] * positionScale,
                        1e-6f * std::max(1.0f, std::abs(want.getVert(i)[k] * positionScale)))
                << "vertex " << i;
    ASSERT_EQ(got.getNumFaces(), want.getNumFaces());
    for (int f = 0; f < want.getNumFaces(); ++f) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(got.getFace(f).v[c], want.getFace(f).v[c]);
        EXPECT_EQ(got.getFace(f).flags, want.getFace(f).flags) << "face " << f;
        EXPECT_EQ(got.getFace(f).smGroup, 0u);
    }
    const MeshNormalSpec* gotNormals = got.GetSpecifiedNormals();
    const MeshNormalSpec* wantNormals = want.GetSpecifiedNormals();
    ASSERT_NE(gotNormals, nullptr);
    ASSERT_EQ(gotNormals->GetNumNormals(), wantNormals->GetNumNormals());
    for (int i = 0; i < wantNormals->GetNumNormals(); ++i) EXPECT_EQ(gotNormals->Normal(i), wantNormals->Normal(i));
    ASSERT_EQ(gotNormals->GetNumFaces(), want.getNumFaces());
    for (int f = 0; f < want.getNumFaces(); ++f)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(gotNormals->Face(f).GetNormalID(c), wantNormals->Face(f).GetNormalID(c));
            EXPECT_TRUE(gotNormals->Face(f).GetSpecified(c));
        }
    ASSERT_EQ(got.getNumMaps(), want.getNumMaps());
    for (int ch = 0; ch < want.getNumMaps(); ++ch) {
        EXPECT_EQ(got.mapSupport(ch), want.mapSupport(ch)) << "channel " << ch;
        EXPECT_EQ(got.mapVerts(ch), want.mapVerts(ch)) << "channel " << ch;
        EXPECT_EQ(got.mapFaces(ch), want.mapFaces(ch)) << "channel " << ch;
    }
}

// ---------------------------------------------------------------------------
// The binary block, laid out by hand from the format description. Counts come
// from the arrays unless a case overrides them.

struct FaceRecord {
    std::array<uint32_t, 3> v, n;
    std::vector<std::array<uint32_t, 3>> t;  // one per channel with coordinates
    uint16_t materialId;
    uint8_t edges;
};

struct Block {
    uint32_t magic, vertexMarker, normalMarker, mapMarker, endMarker;
    std::vector<float> verts, normals;            // x, y, z each
    std::vector<std::vector<float>> channels;    // u, v, w each; empty: unsupported
    std::vector<FaceRecord> faces;
    std::optional<uint32_t> V, N, M, F;
    std::vector<std::optional<uint32_t>> T;      // overrides per channel
    std::string trailing;
    size_t cut = 0;                              // bytes dropped from the end


    std::string encode() const {
        Bytes b;
        b.u32(magic)
            .u32(V.value_or(uint32_t(verts.size() / 3)))
            .u32(N.value_or(uint32_t(normals.size() / 3)))
            .u32(M.value_or(uint32_t(channels.size())))
            .u32(F.value_or(uint32_t(faces.size())));
        for (float x : verts) b.f32(x);
        b.u32(vertexMarker);
        for (float x : normals) b.f32(x);
        b.u32(normalMarker);
        for (size_t ch = 0; ch < channels.size(); ++ch) {
            const std::optional<uint32_t> count = ch < T.size() ? T[ch] : std::nullopt;
            b.u32(count.value_or(uint32_t(channels[ch].size() / 3)));
            for (float x : channels[ch]) b.f32(x);
        }
        b.u32(mapMarker);
        for (const FaceRecord& face : faces) {
            for (uint32_t x : face.v) b.u32(x);
            for (uint32_t x : face.n) b.u32(x);
            for (const auto& t : face.t)
                for (uint32_t x : t) b.u32(x);
            b.u16(face.materialId).u8(face.edges);
        }
        b.u32(endMarker);
        const std::string whole = b.data + trailing;
        return whole.substr(0, whole.size() - cut);
    }
};

// The sample mesh's block with positions multiplied by `scale`.
Block sampleBlock(bool legacy, float scale) {
    Block b;
    if (legacy) {
        b.magic = 0xABCDEF00;
        b.vertexMarker = 0x42CC42CC;
        b.normalMarker = 0xB00B00B0;
        b.mapMarker = 0xCAAC00CA;
        b.endMarker = 0xFEDCBA11;
    } else {
        b.magic = 0xA3CDEF00;
        b.vertexMarker = 0x42C342CC;
        b.normalMarker = 0xB00B06B0;
        b.mapMarker = 0xCAAC04CA;
        b.endMarker = 0xFED3BA11;
    }
    b.verts = {0, 0, 0, 1.5f * scale, 0, 0, 0, 2.25f * scale, 0, 0.5f * scale, 0.5f * scale, -3.0f * scale};
    b.normals = {0, 0, 1, 1, 0, 0, 0, 0.6f, 0.8f};
    b.channels = {{}, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.5f, 0.25f, 0}, {}, {0.125f, 0, 1, 0.75f, 0.5f, 0, 1, 1, 1}};
    b.faces = {{{0, 1, 2}, {0, 0, 0}, {{{0, 1, 2}}, {{2, 1, 0}}}, 5, 7},
               {{0, 2, 3}, {1, 2, 1}, {{{0, 2, 3}}, {{0, 1, 2}}}, 0x1234, 2}};
    return b;
}

const char* const SAMPLE_HEADER_CM =
    "\n"
    "Nimbal Renderer Proxy file.\n"
    "This file contains a single static Mesh object.\n"
    "This file is BINARY and COMPRESSED.\n"
    "Date created: 2016-03-07/09:05:30\n"
    "Number of faces: 2\n"
    "Number of vertices: 4\n"
    "Number of mapping channels: 4\n"
    "Number of normals: 3\n"
    "Bounding box size (original units) : 1.5 2.25 3\n"
    "Bounding box size (millimeters) : 15 22.5 30\n"
    "Original material name: Caf\xE9 tiles\n"
    "Original object name: Teapot001\n"
    "\n";

ProxyFileInfo sampleInfo() {
    ProxyFileInfo info;
    info.originalMaterialName = String(u"Caf\u00e9 tiles");
    info.originalObjectName = String("Teapot001");
    return info;
}

std::string goldenPath() { return std::string(NIMBAL_TEST_DATA) + "/proxy/sample_cm.nproxy"; }

template <class Format>
bool readAs(const std::string& path, Mesh& mesh, ProxyFileInfo& info) {
    Format format(String::fromUtf8(path));
    return format.read(mesh, info);
}

template <class Format>
bool readAs(const std::string& path) {
    Mesh mesh;
    ProxyFileInfo info;
    return readAs<Format>(path, mesh, info);
}

// ---------------------------------------------------------------------------
// Format choice and errors

TEST(ProxyFormats, FormatIsChosenByCaseInsensitiveExtension) {
    enum Kind { PROXY, OBJ, NMESH, NBIN, NZMESH };
    const struct {
        const char16_t* name;
        Kind kind;
    } cases[] = {
        {u"tree.nproxy", PROXY},        {u"tree.obj", OBJ},           {u"TREE.OBJ", OBJ},
        {u"tree.Obj", OBJ},             {u"tree.obj.bak", PROXY},     {u"tree.nzmesh", NZMESH},
        {u"tree.nmesh", NMESH},         {u"tree.NMESH", NMESH},       {u"tree.nbin", NBIN},
        {u"tree", PROXY},               {u"", PROXY},                 {u".obj", OBJ},
        {u"dir.obj/tree", PROXY},       {u"\u00c9t\u00e9.NBin", NBIN}, {u"tree.zmesh", PROXY},
        {u"tree.\u0130obj", PROXY},
    };
    for (const auto& c : cases) {
        const String name(c.name);
        std::unique_ptr<Abstract::FileFormat> format(formatForFile(name));
        SCOPED_TRACE(name.toUtf8());
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->getFileName(), name);  // original case kept
        switch (c.kind) {
        case PROXY: EXPECT_NE(dynamic_cast<NProxyFormat*>(format.get()), nullptr); break;
        case OBJ: EXPECT_NE(dynamic_cast<ObjFormat*>(format.get()), nullptr); break;
        case NMESH: EXPECT_NE(dynamic_cast<NMeshFormat*>(format.get()), nullptr); break;
        case NBIN: EXPECT_NE(dynamic_cast<NBinFormat*>(format.get()), nullptr); break;
        case NZMESH: EXPECT_NE(dynamic_cast<ZipMeshFormat*>(format.get()), nullptr); break;
        }
    }
}

TEST(ProxyFormats, FileErrorNamesTheFileAsGiven) {
    const FileError error(String(u"C:\\Proxies\\Tr\u00e9e 01.nproxy"));
    EXPECT_EQ(error.getMessage(), String(u"Cannot open/read/write file 'C:\\Proxies\\Tr\u00e9e 01.nproxy'"));
    EXPECT_EQ(error.getCode(), 123);
    const Exception& asBase = error;  // callers catch the library's exception
    EXPECT_EQ(asBase.getCode(), 123);
}

TEST(ProxyFormats, MissingFilesReadAsFalse) {
    TempDir dir;
    for (const char* name : {"none.nproxy", "none.nmesh", "none.nzmesh", "none.nbin"}) {
        std::unique_ptr<Abstract::FileFormat> format(formatForFile(String::fromUtf8(dir.file(name))));
        Mesh mesh;
        ProxyFileInfo info;
        EXPECT_FALSE(format->read(mesh, info)) << name;
    }
    // A directory opens on this platform but cannot be read.
    Mesh mesh;
    ProxyFileInfo info;
    EXPECT_FALSE(NProxyFormat(String::fromUtf8(dir.file(""))).read(mesh, info));
}

TEST(ProxyFormats, ReadOnlyFormatsRaiseTheAssertionFromTheFormatHeader) {
    const Mesh mesh = sampleMesh();
    const ProxyFileInfo info;
    std::unique_ptr<Abstract::FileFormat> formats[] = {
        std::make_unique<NMeshFormat>(String("a.nmesh")), std::make_unique<NBinFormat>(String("a.nbin")),
        std::make_unique<ZipMeshFormat>(String("a.nzmesh")), std::make_unique<ObjFormat>(String("a.obj"))};
    for (auto& format : formats) {
        try {
            format->write(mesh, info);
            ADD_FAILURE() << "write returned";
        } catch (const Exception& e) {
            const std::string message = e.getMessage().toUtf8();
            EXPECT_EQ(message.rfind("STOP@", 0), 0u) << message;
            EXPECT_NE(message.find("ioFormats/FileFormats.h("), std::string::npos) << message;
            EXPECT_EQ(e.getCode(), 123);
        }
    }
}

// ---------------------------------------------------------------------------
// Writing ".nproxy"

TEST(ProxyWriter, MatchesTheGoldenFileForAFixedMeshClockAndUnit) {
    UnitScope units(UNITS_CENTIMETERS);
    ClockScope clock;
    TempDir dir;
    const std::string path = dir.file("sample.nproxy");
    ASSERT_TRUE(NProxyFormat(String::fromUtf8(path)).write(sampleMesh(), sampleInfo()));
    const std::string written = readFile(path);

    const std::string header = SAMPLE_HEADER_CM;
    ASSERT_GT(written.size(), 5 + header.size());
    EXPECT_EQ(written[0], 'B');
    uint32_t length;
    std::memcpy(&length, written.data() + 1, 4);
    EXPECT_EQ(length, header.size());
    EXPECT_EQ(written.substr(5, header.size()), header);

    // The block as laid out by hand, in millimetres.
    const std::string block = zlibInflate(written, 5 + header.size());
    EXPECT_EQ(block, sampleBlock(false, 10.0f).encode());

    // And the fixture kept from the first run, byte for byte after decompression.
    const std::string golden = readFile(goldenPath());
    ASSERT_FALSE(golden.empty()) << goldenPath();
    EXPECT_EQ(golden.substr(0, 5 + header.size()), written.substr(0, 5 + header.size()));
    EXPECT_EQ(zlibInflate(golden, 5 + header.size()), block);
}

TEST(ProxyWriter, EmptyNamesStillGetTheirLines) {
    ClockScope clock;
    TempDir dir;
    const std::string path = dir.file("empty.nproxy");
    ASSERT_TRUE(NProxyFormat(String::fromUtf8(path)).write(sampleMesh(), ProxyFileInfo()));
    const std::string written = readFile(path);
    EXPECT_NE(written.find("\nOriginal material name: \nOriginal object name: \n\n"), std::string::npos);

    Mesh mesh;
    ProxyFileInfo info = sampleInfo();
    ASSERT_TRUE(readAs<NProxyFormat>(path, mesh, info));
    EXPECT_TRUE(info.originalMaterialName.isEmpty());
    EXPECT_TRUE(info.originalObjectName.isEmpty());
}

TEST(ProxyWriter, CompletesMissingNormalsOnACopy) {
    UnitScope units(UNITS_MILLIMETERS);
    Mesh source = sampleMesh();
    source.ClearSpecifiedNormals();
    TempDir dir;
    const std::string path = dir.file("computed.nproxy");
    ASSERT_TRUE(NProxyFormat(String::fromUtf8(path)).write(source, ProxyFileInfo()));
    EXPECT_EQ(source.GetSpecifiedNormals(), nullptr);  // the caller's mesh is untouched

    Mesh expected = sampleMesh();
    expected.ClearSpecifiedNormals();
    expected.SpecifyNormals()->CheckNormals();
    Mesh mesh;
    ProxyFileInfo info;
    ASSERT_TRUE(readAs<NProxyFormat>(path, mesh, info));
    expectSameMesh(mesh, expected, 1.0f);
}

TEST(ProxyWriter, AMeshWithoutFacesIsWrittenButNotReadBack) {
    Mesh mesh;
    mesh.setNumVerts(2);
    TempDir dir;
    const std::string path = dir.file("nofaces.nproxy");
    ASSERT_TRUE(NProxyFormat(String::fromUtf8(path)).write(mesh, ProxyFileInfo()));
    EXPECT_NE(readFile(path).find("Number of faces: 0\n"), std::string::npos);
    EXPECT_FALSE(readAs<NProxyFormat>(path));
}

// A failed write leaves what stood at the name, and no stray temporary file.
TEST(ProxyWriter, AFailedWriteNeverReplacesAGoodFile) {
    TempDir dir;
    const std::string path = dir.file("keep.nproxy");
    writeFile(path, "previous contents");

    // A mesh whose faces point past its arrays would not read back.
    Mesh broken = sampleMesh();
    broken.getFace(1).v[2] = 4;
    EXPECT_FALSE(NProxyFormat(String::fromUtf8(path)).write(broken, ProxyFileInfo()));
    Mesh brokenMap = sampleMesh();
    brokenMap.mapFaces(3)[0].t[1] = 3;
    EXPECT_FALSE(NProxyFormat(String::fromUtf8(path)).write(brokenMap, ProxyFileInfo()));
    EXPECT_EQ(readFile(path), "previous contents");

    // The disk fills up in the middle of the compressed block.
    Mesh big;
    big.setNumVerts(200000);
    for (int i = 0; i < big.getNumVerts(); ++i) big.setVert(i, float(i) * 0.37f, float(i % 977), float(i) / 3.0f);
    big.setNumFaces(1);
    {
        rlimit previous;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
        void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = previous;
        small.rlim_cur = 64 * 1024;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = NProxyFormat(String::fromUtf8(path)).write(big, ProxyFileInfo());
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_FALSE(written);
    }
    EXPECT_EQ(readFile(path), "previous contents");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.nproxy"});

    // A folder that does not exist.
    EXPECT_FALSE(NProxyFormat(String::fromUtf8(dir.file("missing/x.nproxy"))).write(sampleMesh(), ProxyFileInfo()));

    // A good write replaces the file whole.
    ASSERT_TRUE(NProxyFormat(String::fromUtf8(path)).write(sampleMesh(), ProxyFileInfo()));
    EXPECT_EQ(readFile(path)[0], 'B');
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.nproxy"});
    EXPECT_TRUE(readAs<NProxyFormat>(path));
}

// ---------------------------------------------------------------------------
// Reading ".nproxy"

TEST(ProxyReader, GoldenFileReadsInItsOwnAndOtherUnits) {
    const struct {
        int unit;
        float scale;  // scene units per stored millimetre
    } cases[] = {{UNITS_CENTIMETERS, 1.0f}, {UNITS_MILLIMETERS, 10.0f}, {UNITS_METERS, 0.01f}};
    for (const auto& c : cases) {
        UnitScope units(c.unit);
        Mesh mesh;
        ProxyFileInfo info;
        ASSERT_TRUE(readAs<NProxyFormat>(goldenPath(), mesh, info)) << c.unit;
        expectSameMesh(mesh, sampleMesh(), c.scale);
        EXPECT_EQ(info.originalMaterialName, String(u"Caf\u00e9 tiles"));
        EXPECT_EQ(info.originalObjectName, String("Teapot001"));
    }
}

TEST(ProxyReader, RoundTripsInEveryUnitPair) {
    const int units[] = {UNITS_INCHES,      UNITS_FEET,   UNITS_MILES,     UNITS_MILLIMETERS,
                         UNITS_CENTIMETERS, UNITS_METERS, UNITS_KILOMETERS};
    TempDir dir;
    const std::string path = dir.file("units.nproxy");
    for (int from : units) {
        {
            UnitScope scope(from);
            ASSERT_TRUE(NProxyFormat(String::fromUtf8(path)).write(sampleMesh(), sampleInfo()));
        }
        for (int to : units) {
            SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
            UnitScope scope(to);
            Mesh mesh;
            ProxyFileInfo info;
            ASSERT_TRUE(readAs<NProxyFormat>(path, mesh, info));
            expectSameMesh(mesh, sampleMesh(), float(UnitsToMillimetres(from) / UnitsToMillimetres(to)));
            EXPECT_EQ(info.originalObjectName, String("Teapot001"));
        }
    }
}

TEST(ProxyReader, HeaderNamesComeFromTheLastMatchingLines) {
    const std::string header =
        "\nOriginal material name: first\nOriginal object name: Box\r\nunrelated: Original object name: x\n"
        "Original material name: second\nOriginal material name:missing space\n";
    TempDir dir;
    const std::string path = dir.file("names.nproxy");
    writeFile(path, nproxyFile(header, sampleBlock(false, 1.0f).encode()));
    UnitScope units(UNITS_MILLIMETERS);
    Mesh mesh;
    ProxyFileInfo info;
    ASSERT_TRUE(readAs<NProxyFormat>(path, mesh, info));
    EXPECT_EQ(info.originalMaterialName, String("second"));
    EXPECT_EQ(info.originalObjectName, String("Box\r"));  // the rest of the line, as stored
    expectSameMesh(mesh, sampleMesh(), 1.0f);

    writeFile(path, nproxyFile("", sampleBlock(false, 1.0f).encode()));  // no header text at all
    EXPECT_TRUE(readAs<NProxyFormat>(path));
}

// One hand-made block per failure; each must read as false (or, where noted, true).
struct BlockCase {
    const char* name;
    std::function<void(Block&)> change;
    bool reads;
};

const std::vector<BlockCase>& blockCases() {
    static const std::vector<BlockCase> cases = {
        {"unchanged", [](Block&) {}, true},
        {"bytes after the end marker", [](Block& b) { b.trailing = "never looked at"; }, true},
        {"a channel list without channels", [](Block& b) {
             b.channels.clear();
             for (auto& f : b.faces) f.t.clear();
         }, true},
        {"wrong magic", [](Block& b) { b.magic ^= 1; }, false},
        {"no vertices", [](Block& b) { b.V = 0; }, false},
        {"negative vertex count", [](Block& b) { b.V = 0x80000000u; }, false},
        {"no normals", [](Block& b) { b.N = 0; }, false},
        {"no faces", [](Block& b) { b.F = 0; }, false},
        {"negative channel count", [](Block& b) { b.M = 0xFFFFFFFFu; }, false},
        {"more channels than a mesh holds", [](Block& b) { b.M = 101; }, false},
        {"wrong vertex marker", [](Block& b) { b.vertexMarker = 0; }, false},
        {"wrong normal marker", [](Block& b) { b.normalMarker = 0; }, false},
        {"wrong map marker", [](Block& b) { b.mapMarker = 0; }, false},
        {"wrong end marker", [](Block& b) { b.endMarker = 0; }, false},
        {"negative map vertex count", [](Block& b) { b.T = {std::nullopt, 0xFFFFFFF0u}; }, false},
        {"vertex index at the count", [](Block& b) { b.faces[1].v[2] = 4; }, false},
        {"huge vertex index", [](Block& b) { b.faces[0].v[0] = 0xFFFFFFFFu; }, false},
        {"normal index at the count", [](Block& b) { b.faces[0].n[1] = 3; }, false},
        {"map index at the count", [](Block& b) { b.faces[1].t[1][0] = 3; }, false},
        {"one face fewer than counted", [](Block& b) { b.faces.pop_back(); b.F = 2; }, false},
        {"block ends before the end marker", [](Block& b) { b.cut = 4; }, false},
        {"block ends inside a face record", [](Block& b) { b.cut = 9; }, false},
    };
    return cases;
}

TEST(ProxyReader, StructuralMismatchesReadAsFalse) {
    UnitScope units(UNITS_MILLIMETERS);
    TempDir dir;
    const std::string path = dir.file("case.nproxy");
    for (const BlockCase& c : blockCases()) {
        Block block = sampleBlock(false, 1.0f);
        c.change(block);
        writeFile(path, nproxyFile(SAMPLE_HEADER_CM, block.encode()));
        Mesh mesh;
        ProxyFileInfo info;
        EXPECT_EQ(readAs<NProxyFormat>(path, mesh, info), c.reads) << c.name;
        if (std::string(c.name) == "wrong end marker") {
            EXPECT_EQ(mesh.getNumFaces(), 2);  // filled, then refused
        }
    }
}

TEST(ProxyReader, DamagedContainersReadAsFalse) {
    const std::string block = sampleBlock(false, 1.0f).encode();
    const std::string good = nproxyFile(SAMPLE_HEADER_CM, block);
    const size_t streamAt = 5 + std::strlen(SAMPLE_HEADER_CM);
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"wrong first byte", "b" + good.substr(1)},
        {"negative header length", good.substr(0, 1) + std::string("\xFF\xFF\xFF\xFF", 4) + good.substr(5)},
        {"header longer than the file", good.substr(0, 1) + std::string("\x00\x00\x00\x10", 4) + good.substr(5)},
        {"nothing after the header", good.substr(0, streamAt)},
        {"uncompressed block", good.substr(0, streamAt) + block},
        {"corrupt stream", good.substr(0, streamAt + 12) + std::string(64, '\x5A') + good.substr(streamAt + 76)},
        {"bad checksum", good.substr(0, good.size() - 1) + char(good.back() ^ 0x40)},
        {"stream cut in its checksum", good.substr(0, good.size() - 2)},
    };
    UnitScope units(UNITS_MILLIMETERS);
    TempDir dir;
    const std::string path = dir.file("damaged.nproxy");
    for (const auto& c : cases) {
        writeFile(path, c.bytes);
        EXPECT_FALSE(readAs<NProxyFormat>(path)) << c.name;
    }
    writeFile(path, good);
    EXPECT_TRUE(readAs<NProxyFormat>(path));
}

// ---------------------------------------------------------------------------
// Legacy formats

TEST(LegacyReaders, NMeshAndNZMeshHoldTheSameMeshInSceneUnits) {
    UnitScope units(UNITS_CENTIMETERS);  // no millimetre conversion applies
    TempDir dir;
    const std::string raw = sampleBlock(true, 1.0f).encode();
    writeFile(dir.file("a.nmesh"), raw);
    writeFile(dir.file("a.nzmesh"), zlibCompress(raw));
    for (const char* name : {"a.nmesh", "a.nzmesh"}) {
        std::unique_ptr<Abstract::FileFormat> format(formatForFile(String::fromUtf8(dir.file(name))));
        Mesh mesh;
        ProxyFileInfo info = sampleInfo();
        ASSERT_TRUE(format->read(mesh, info)) << name;
        expectSameMesh(mesh, sampleMesh(), 1.0f);
        EXPECT_TRUE(info.originalMaterialName.isEmpty());
        EXPECT_TRUE(info.originalObjectName.isEmpty());
    }
}

TEST(LegacyReaders, NMeshAndNZMeshRefuseWhatTheProxyReaderRefuses) {
    UnitScope units(UNITS_MILLIMETERS);
    TempDir dir;
    for (const BlockCase& c : blockCases()) {
        Block block = sampleBlock(true, 1.0f);
        c.change(block);
        const std::string bytes = block.encode();
        writeFile(dir.file("c.nmesh"), bytes);
        writeFile(dir.file("c.nzmesh"), zlibCompress(bytes));
        EXPECT_EQ(readAs<NMeshFormat>(dir.file("c.nmesh")), c.reads) << c.name;
        EXPECT_EQ(readAs<ZipMeshFormat>(dir.file("c.nzmesh")), c.reads) << c.name;
    }
    // The proxy markers are not the legacy ones, nor the other way round.
    writeFile(dir.file("p.nmesh"), sampleBlock(false, 1.0f).encode());
    EXPECT_FALSE(readAs<NMeshFormat>(dir.file("p.nmesh")));
    writeFile(dir.file("l.nproxy"), nproxyFile("", sampleBlock(true, 1.0f).encode()));
    EXPECT_FALSE(readAs<NProxyFormat>(dir.file("l.nproxy")));
    // A ".nzmesh" is one zlib stream; the raw layout is not accepted.
    writeFile(dir.file("raw.nzmesh"), sampleBlock(true, 1.0f).encode());
    EXPECT_FALSE(readAs<ZipMeshFormat>(dir.file("raw.nzmesh")));
}

TEST(LegacyReaders, AProxyFileRenamedToNMeshFailsAtTheMagic) {
    TempDir dir;
    const std::string path = dir.file("renamed.nmesh");
    fs::copy_file(goldenPath(), path);
    std::unique_ptr<Abstract::FileFormat> format(formatForFile(String::fromUtf8(path)));
    Mesh mesh;
    ProxyFileInfo info;
    EXPECT_FALSE(format->read(mesh, info));
    EXPECT_EQ(mesh.getNumVerts(), 0);  // refused before anything was sized
}

// ".nbin" sections: type, count, payload.
struct NBin {
    Bytes bytes;
    NBin& section(uint32_t type, uint32_t count) {
        bytes.u32(type).u32(count);
        return *this;
    }
    NBin& floats(std::initializer_list<float> values) {
        for (float v : values) bytes.f32(v);
        return *this;
    }
    NBin& face(std::array<uint32_t, 10> words) {
        for (uint32_t w : words) bytes.u32(w);
        return *this;
    }
};

NBin sampleNBin(bool textured) {
    NBin b;
    b.section(0, 4).floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1});
    b.section(1, 2).floats({0, 0, 1, 1, 0, 0});
    if (textured) b.section(2, 3).floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    b.section(3, 2).face({0, 1, 2, 0, 1, 2, 0, 0, 1, 7}).face({0, 2, 3, 2, 1, 0, 1, 1, 1, 0x12345});
    return b;
}

TEST(LegacyReaders, NBinWithTextureCoordinates) {
    TempDir dir;
    const std::string path = dir.file("t.nbin");
    writeFile(path, sampleNBin(true).bytes.data);
    Mesh mesh;
    ProxyFileInfo info = sampleInfo();
    ASSERT_TRUE(readAs<NBinFormat>(path, mesh, info));
    EXPECT_TRUE(info.originalObjectName.isEmpty());
    ASSERT_EQ(mesh.getNumVerts(), 4);
    EXPECT_EQ(mesh.getVert(3), Point3(0, 0, 1));
    ASSERT_EQ(mesh.getNumFaces(), 2);
    EXPECT_EQ(mesh.getFace(1).v[2], 3u);
    EXPECT_EQ(mesh.getFace(0).getMatID(), 7);
    EXPECT_EQ(mesh.getFace(1).getMatID(), 0x2345);  // the id's low 16 bits
    for (int f = 0; f < 2; ++f) {
        EXPECT_EQ(mesh.getFace(f).flags & EDGE_ALL, EDGE_ALL);
        EXPECT_EQ(mesh.getFace(f).smGroup, 0u);
    }
    ASSERT_EQ(mesh.getNumTVerts(), 3);
    ASSERT_EQ(mesh.getNumTVFaces(), 2);
    EXPECT_EQ(mesh.mapFaces(1)[1], TVFace(2, 1, 0));
    const MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    ASSERT_NE(normals, nullptr);
    ASSERT_EQ(normals->GetNumNormals(), 2);
    ASSERT_EQ(normals->GetNumFaces(), 2);
    EXPECT_EQ(normals->Face(0).GetNormalID(2), 1);
    EXPECT_EQ(normals->GetNormal(1, 0), Point3(1, 0, 0));
}

TEST(LegacyReaders, NBinWithoutTextureCoordinatesGetsComputedNormals) {
    TempDir dir;
    const std::string path = dir.file("n.nbin");
    writeFile(path, sampleNBin(false).bytes.data);
    Mesh mesh;
    ProxyFileInfo info;
    ASSERT_TRUE(readAs<NBinFormat>(path, mesh, info));
    EXPECT_EQ(mesh.getNumFaces(), 2);
    EXPECT_EQ(mesh.getNumTVFaces(), 0);
    EXPECT_FALSE(mesh.mapSupport(1));
    // Flat faces (no smoothing groups): each corner gets its face's normal.
    const MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    ASSERT_EQ(normals->GetNumFaces(), 2);
    for (int f = 0; f < 2; ++f)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(normals->GetNormal(f, c), mesh.getFaceNormal(f)) << f << c;
}

TEST(LegacyReaders, NBinSectionRules) {
    const struct {
        const char* name;
        std::string bytes;
        bool reads;
    } cases[] = {
        {"sample", sampleNBin(true).bytes.data, true},
        {"sections after the faces are never read", sampleNBin(true).bytes.data + "garbage!garbage!", true},
        {"empty faces section first", NBin().section(3, 0).bytes.data + "anything", true},
        {"faces before any vertex", NBin().section(3, 1).face({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).bytes.data, false},
        {"unknown section", NBin().section(0, 1).floats({1, 2, 3}).section(4, 0).bytes.data, false},
        {"count above the limit", NBin().section(1, 100000001).bytes.data, false},
        {"no faces section", NBin().section(0, 1).floats({1, 2, 3}).bytes.data, false},
        {"empty file", "", false},
        {"vertex index at the count",
         NBin().section(0, 3).floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).section(3, 1).face({0, 1, 3, 0, 0, 0, 0, 0, 0, 0})
             .bytes.data, false},
        {"texture index at the count",
         NBin().section(0, 3).floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).section(1, 1).floats({0, 0, 1}).section(2, 1)
             .floats({0, 0, 0}).section(3, 1).face({0, 1, 2, 0, 1, 0, 0, 0, 0, 0}).bytes.data, false},
        {"normal index at the count",
         NBin().section(0, 3).floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).section(1, 1).floats({0, 0, 1}).section(2, 1)
             .floats({0, 0, 0}).section(3, 1).face({0, 1, 2, 0, 0, 0, 0, 1, 0, 0}).bytes.data, false},
        {"texture section without normals",
         NBin().section(0, 3).floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).section(2, 1).floats({0, 0, 0}).section(3, 1)
             .face({0, 1, 2, 0, 0, 0, 0, 0, 0, 0}).bytes.data, false},
    };
    TempDir dir;
    const std::string path = dir.file("case.nbin");
    for (const auto& c : cases) {
        writeFile(path, c.bytes);
        EXPECT_EQ(readAs<NBinFormat>(path), c.reads) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Hostile input

// Every fixture cut short at every length reads as false.
TEST(HostileInput, EveryTruncationReadsAsFalse) {
    UnitScope units(UNITS_MILLIMETERS);
    TempDir dir;
    const std::string legacy = sampleBlock(true, 1.0f).encode();
    const struct {
        const char* name;
        std::string bytes;
    } fixtures[] = {
        {"cut.nproxy", readFile(goldenPath())},
        {"cut.nmesh", legacy},
        {"cut.nzmesh", zlibCompress(legacy)},
        {"cut.nbin", sampleNBin(true).bytes.data},
    };
    for (const auto& f : fixtures) {
        ASSERT_GT(f.bytes.size(), 40u) << f.name;
        const std::string path = dir.file(f.name);
        writeFile(path, f.bytes);
        std::unique_ptr<Abstract::FileFormat> format(formatForFile(String::fromUtf8(path)));
        Mesh mesh;
        ProxyFileInfo info;
        ASSERT_TRUE(format->read(mesh, info)) << f.name << " whole";
        for (size_t length = 0; length < f.bytes.size(); ++length) {
            // A fresh name per length: rewriting one file in place makes the
            // file system flush it each time.
            const std::string cut = dir.file(std::to_string(length) + f.name);
            writeFile(cut, f.bytes.substr(0, length));
            std::unique_ptr<Abstract::FileFormat> shorter(formatForFile(String::fromUtf8(cut)));
            EXPECT_FALSE(shorter->read(mesh, info)) << f.name << " cut at " << length;
        }
    }
}

// Counts far beyond what the file can hold are refused before the mesh is
// sized: the mesh stays empty, and nothing near the claimed size is allocated.
TEST(HostileInput, CountBombsAreRefusedBeforeAllocation) {
    UnitScope units(UNITS_MILLIMETERS);
    TempDir dir;
    const auto bombBlock = [](bool legacy, const std::function<void(Block&)>& change) {
        Block b = sampleBlock(legacy, 1.0f);
        change(b);
        return b.encode().substr(0, 20 + 4 * 12);  // counts and the first vertices
    };
    const std::vector<std::pair<const char*, std::function<void(Block&)>>> bombs = {
        {"two billion vertices", [](Block& b) { b.V = 2000000000; }},
        {"two billion normals", [](Block& b) { b.N = 2000000000; }},
        {"two billion faces", [](Block& b) { b.F = 2000000000; }},
    };
    for (const auto& [name, change] : bombs) {
        const std::string nmesh = bombBlock(true, change);
        ASSERT_LE(nmesh.size(), 68u);
        const struct {
            const char* file;
            std::string bytes;
        } files[] = {{"bomb.nmesh", nmesh},
                     {"bomb.nzmesh", zlibCompress(nmesh)},
                     {"bomb.nproxy", nproxyFile("", bombBlock(false, change))}};
        for (const auto& f : files) {
            writeFile(dir.file(f.file), f.bytes);
            std::unique_ptr<Abstract::FileFormat> format(formatForFile(String::fromUtf8(dir.file(f.file))));
            Mesh mesh;
            ProxyFileInfo info;
            EXPECT_FALSE(format->read(mesh, info)) << name << " " << f.file;
            EXPECT_EQ(mesh.getNumVerts(), 0) << name << " " << f.file;
            EXPECT_EQ(mesh.getNumFaces(), 0) << name << " " << f.file;
        }
    }

    // A channel claiming a billion map vertices after sane counts.
    Block channelBomb = sampleBlock(true, 1.0f);
    channelBomb.T = {std::nullopt, 1000000000u};
    const std::string cut = channelBomb.encode().substr(0, 180);
    writeFile(dir.file("channel.nmesh"), cut);
    Mesh mesh;
    ProxyFileInfo info;
    EXPECT_FALSE(readAs<NMeshFormat>(dir.file("channel.nmesh"), mesh, info));
    EXPECT_EQ(mesh.getNumMapVerts(1), 0);

    // ".nbin" sections at the count limit in a file of a few bytes.
    for (uint32_t type : {0u, 1u, 2u, 3u}) {
        writeFile(dir.file("bomb.nbin"), NBin().section(type, 100000000).floats({1, 2, 3, 4}).bytes.data);
        Mesh m;
        EXPECT_FALSE(readAs<NBinFormat>(dir.file("bomb.nbin"), m, info)) << type;
        EXPECT_EQ(m.getNumVerts() + m.getNumFaces() + m.getNumTVerts() + m.GetSpecifiedNormals()->GetNumNormals(), 0);
    }

    // A header that claims two gigabytes of text.
    writeFile(dir.file("header.nproxy"), Bytes().u8('B').u32(0x7FFFFFFF).data + "short");
    EXPECT_FALSE(readAs<NProxyFormat>(dir.file("header.nproxy")));
}

// ---------------------------------------------------------------------------
// The compressed streams

// The buffer goes to deflate before a value that would reach its end; bulk
// writes keep to that rule value by value, and give the same stream.
TEST(CompressedStreams, BulkWritesHandOverWhereSingleValuesWould) {
    TempDir dir;
    std::vector<float> values(100000);
    for (size_t i = 0; i < values.size(); ++i) values[i] = float(i % 1013) * 0.25f;
    struct State {
        uint64_t handOvers;
        size_t buffered;
        bool operator==(const State&) const = default;
    };
    const auto writeWith = [&](const std::string& path, bool bulk) {
        std::vector<State> states;
        CompressedWriter out(String::fromUtf8(path), std::fopen(path.c_str(), "wb"));
        const auto note = [&] { states.push_back({out.handOvers(), out.buffered()}); };
        for (int round = 0; round < 3; ++round) {
            out.put(uint8_t(round));  // shifts the alignment of what follows
            note();
            if (bulk) out.writeArray(values.data(), 4, values.size());
            else
                for (float v : values) out.put(v);
            note();
            out.put(uint16_t(7));
            unsigned char* record = out.reserve(39);
            if (record) std::memset(record, round, 39);
            else
                for (int i = 0; i < 39; ++i) out.put(uint8_t(round));
            note();
        }
        out.close();
        return states;
    };
    const std::vector<State> bulk = writeWith(dir.file("bulk"), true);
    const std::vector<State> single = writeWith(dir.file("single"), false);
    EXPECT_EQ(bulk, single);
    // 400000 bytes of floats after one byte: each buffer takes 32767 floats.
    EXPECT_EQ(single[1].handOvers, 3u);
    EXPECT_EQ(single[1].buffered, 400000 - 3 * 131068u);
    const std::string packed = readFile(dir.file("bulk"));
    EXPECT_EQ(packed, readFile(dir.file("single")));
    EXPECT_EQ(zlibInflate(packed).size(), 3 * (1 + 4 * values.size() + 2 + 39));

    // A value that exactly reaches the end goes to the next buffer.
    CompressedWriter out(String::fromUtf8(dir.file("edge")), std::fopen(dir.file("edge").c_str(), "wb"));
    std::vector<unsigned char> bytes(COMPRESSED_BLOCK_SIZE - 4, 1);
    out.writeArray(bytes.data(), 1, bytes.size());
    EXPECT_EQ(out.handOvers(), 0u);
    EXPECT_EQ(out.reserve(4), nullptr);
    out.put(uint32_t(5));
    EXPECT_EQ(out.handOvers(), 1u);
    EXPECT_EQ(out.buffered(), 4u);
    out.close();
}

TEST(CompressedStreams, ReaderRefusesEarlyEndAndDamage) {
    TempDir dir;
    const std::string path = dir.file("stream");
    std::string raw(300000, '\0');
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = char((i * 7919) >> 5);
    writeFile(path, zlibCompress(raw));
    {
        CompressedReader in(String::fromUtf8(path), openForReading(String::fromUtf8(path)));
        std::string got(raw.size(), '\0');
        in.read(got.data(), 5);
        in.read(got.data() + 5, got.size() - 5);
        EXPECT_EQ(got, raw);
        char more;
        EXPECT_THROW(in.read(&more, 1), FileError);
    }
    std::string damaged = zlibCompress(raw);
    damaged[damaged.size() / 2] ^= 0x55;
    writeFile(path, damaged);
    try {
        CompressedReader in(String::fromUtf8(path), openForReading(String::fromUtf8(path)));
        std::string got(raw.size(), '\0');
        in.read(got.data(), got.size());
        in.finish();
        ADD_FAILURE() << "damaged stream accepted";
    } catch (const FileError& e) {
        EXPECT_EQ(e.getMessage(), String("Cannot open/read/write file '") + String::fromUtf8(path) + "'");
    }
}

} // namespace

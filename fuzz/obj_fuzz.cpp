// Feeds arbitrary bytes to the OBJ reader and checks it against a slow model
// of the same rules written with the C library's strtof and strtol: both
// must refuse the same line for the same reason, or build the same mesh bit
// for bit. The bytes also go through a file and ObjFormat::read, which must
// agree with the line reader. Any built mesh must have its indices in range.
//
// Seeds: fuzz/corpus/obj/.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Proxy/ioFormats/FileFormats.h"
#include "Proxy/ioFormats/ObjFormat.h"

namespace {

using Nimbal::ObjRefusal;

[[noreturn]] void mismatch(const char* what) {
    std::fprintf(stderr, "obj_fuzz: %s\n", what);
    std::abort();
}

// The model: one line at a time on a C string, as scanf would see it.
struct Model {
    struct Tri {
        int v[3], t[3], n[3];
        int material;
        int64_t line;
    };
    std::vector<Point3> v, vt, vn;
    std::vector<Tri> faces;
    int material = -1;
    int64_t lineNumber = 0;
    ObjRefusal refusal = ObjRefusal::None;
    int64_t refusalLine = 0;

    static const char* spaces(const char* p) {
        while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
        return p;
    }
    static bool number(const char*& p, float& out) {
        p = spaces(p);
        char* end = nullptr;
        out = std::strtof(p, &end);
        if (end == p) return false;
        p = end;
        return true;
    }
    static bool integer(const char*& p, int& out) {
        p = spaces(p);
        if (*p != '+' && *p != '-' && (*p < '0' || *p > '9')) return false;
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(p, &end, 10);
        if (end == p || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
        out = int(value);
        p = end;
        return true;
    }
    bool fail(ObjRefusal why) {
        refusal = why;
        refusalLine = lineNumber;
        return false;
    }
    bool triple(const char* p, std::vector<Point3>& into, ObjRefusal why) {
        float x, y, z;
        if (!number(p, x) || !number(p, y) || !number(p, z) || *spaces(p)) return fail(why);
        into.emplace_back(x, y, z);
        return true;
    }
    bool line(const std::string& bytes) {
        ++lineNumber;
        const std::string text(bytes.c_str());  // up to the first NUL
        const char* p = text.c_str();
        if (text.rfind("usemtl ", 0) == 0) {
            p += 7;
            int id;
            if (!integer(p, id) || *spaces(p)) return fail(ObjRefusal::Material);
            material = id;
            return true;
        }
        if (text.rfind("vt", 0) == 0) return triple(p + 2, vt, ObjRefusal::TextureVertex);
        if (text.rfind("vn", 0) == 0) return triple(p + 2, vn, ObjRefusal::Normal);
        if (text.rfind("v", 0) == 0) return triple(p + 1, v, ObjRefusal::Position);
        if (text.rfind("f", 0) == 0) {
            ++p;
            Tri tri{};
            for (int c = 0; c < 3; ++c) {
                if (!integer(p, tri.v[c]) || *p++ != '/' || !integer(p, tri.t[c]) || *p++ != '/' ||
                    !integer(p, tri.n[c]))
                    return fail(ObjRefusal::Face);
            }
            if (*spaces(p)) return fail(ObjRefusal::Face);
            for (int c = 0; c < 3; ++c)
                if (tri.v[c] < 1 || tri.t[c] < 1 || tri.n[c] < 1) return fail(ObjRefusal::IndexOutOfRange);
            tri.material = material;
            tri.line = lineNumber;
            faces.push_back(tri);
        }
        return true;
    }
    void finish() {
        if (refusal != ObjRefusal::None) return;
        for (const Tri& t : faces)
            for (int c = 0; c < 3; ++c)
                if (size_t(t.v[c]) > v.size() || size_t(t.t[c]) > vt.size() || size_t(t.n[c]) > vn.size()) {
                    refusal = ObjRefusal::IndexOutOfRange;
                    refusalLine = t.line;
                    return;
                }
    }
};

bool sameBits(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    uint32_t x, y;
    std::memcpy(&x, &a, 4);
    std::memcpy(&y, &b, 4);
    return x == y;
}

bool samePoint(const Point3& a, const Point3& b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z); }

void compare(const Model& model, const Mesh& mesh) {
    if (size_t(mesh.getNumVerts()) != model.v.size() || size_t(mesh.getNumFaces()) != model.faces.size() ||
        size_t(mesh.getNumTVerts()) != model.vt.size())
        mismatch("counts differ");
    const MeshNormalSpec* normalSet = mesh.GetSpecifiedNormals();
    if (!normalSet || size_t(normalSet->GetNumNormals()) != model.vn.size() || normalSet->GetNumFaces() != mesh.getNumFaces())
        mismatch("normal counts differ");
    for (size_t i = 0; i < model.v.size(); ++i)
        if (!samePoint(mesh.getVert(int(i)), model.v[i])) mismatch("position differs");
    for (size_t i = 0; i < model.vt.size(); ++i)
        if (!samePoint(mesh.getTVert(int(i)), model.vt[i])) mismatch("texture vertex differs");
    for (size_t i = 0; i < model.vn.size(); ++i)
        if (!samePoint(normalSet->Normal(int(i)), model.vn[i])) mismatch("normal differs");
    for (size_t f = 0; f < model.faces.size(); ++f) {
        const Model::Tri& t = model.faces[f];
        const Face& face = mesh.getFace(int(f));
        if (face.getMatID() != MtlID(uint16_t(t.material)) || (face.flags & 0xFFFFu) != EDGE_ALL)
            mismatch("face flags differ");
        for (int c = 0; c < 3; ++c) {
            if (face.v[c] != DWORD(t.v[c] - 1) || mesh.mapFaces(1)[f].t[c] != DWORD(t.t[c] - 1) ||
                normalSet->Face(int(f)).GetNormalID(c) != t.n[c] - 1)
                mismatch("face indices differ");
            if (face.v[c] >= DWORD(mesh.getNumVerts()) || mesh.mapFaces(1)[f].t[c] >= DWORD(mesh.getNumTVerts()) ||
                normalSet->GetNormalIndex(int(f), c) < 0)
                mismatch("index out of range in a built mesh");
        }
    }
}

std::string tempPath() {
    return "/tmp/nimbal-obj-fuzz-" + std::to_string(::getpid()) + ".obj";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Lines as the file reader cuts them: at '\n', without a '\r' before it;
    // an empty input is one empty line.
    std::vector<std::string> lines;
    for (size_t start = 0;;) {
        const size_t nl = bytes.find('\n', start);
        if (nl == std::string::npos) {
            if (start < bytes.size() || lines.empty()) lines.push_back(bytes.substr(start));
            break;
        }
        std::string line = bytes.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = nl + 1;
    }

    Nimbal::ObjParser parser;
    Model model;
    for (const std::string& line : lines) {
        const bool a = parser.addLine(line.data(), line.size());
        const bool b = model.line(line);
        if (a != b) mismatch("line accepted by one reader only");
        if (!a) break;
    }
    model.finish();
    Mesh mesh;
    const bool built = parser.build(mesh);
    if (parser.refusal() != model.refusal || parser.refusalLine() != model.refusalLine)
        mismatch("refusals differ");
    if (built != (model.refusal == ObjRefusal::None)) mismatch("build result differs");
    if (built) compare(model, mesh);

    // The same bytes from a file, through the format object.
    static const std::string path = tempPath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        Nimbal::ObjFormat format(Nimbal::String::fromUtf8(path));
        Nimbal::ProxyFileInfo info;
        Mesh fromFile;
        if (format.read(fromFile, info) != built) mismatch("ObjFormat::read disagrees with the line reader");
        if (built) compare(model, fromFile);
    }
    return 0;
}

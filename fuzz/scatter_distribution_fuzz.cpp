// Feeds arbitrary geometry, weights, density values and settings to the
// scatter's distribution engine: any float bit pattern for vertices (NaN and
// infinities included), face indices past the vertices, negative and
// undefined weights, and a density map answering with the bytes' values.
// Gathering and generation must not crash; every instance must come from a
// usable record; and the box index must answer as a scan of its boxes does.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Scatter/BoxIndex.h"
#include "Scatter/DensityTable.h"
#include "Scatter/Distribution.h"
#include "host/Max.h"

namespace {

using namespace Nimbal;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "scatter_distribution_fuzz: %s\n", what);
    std::abort();
}

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int k = 0; k < 4; ++k) w = w << 8 | byte();
        return w;
    }
    // Mostly small, tidy values; now and then any bit pattern.
    float number() {
        const uint8_t kind = byte();
        if (kind < 200) return float(int8_t(byte())) / 8.f;
        const uint32_t w = word();
        float f;
        std::memcpy(&f, &w, sizeof f);
        return f;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Answers from a table of values taken from the input, by position.
class TableMap : public Texmap {
public:
    std::vector<float> values;
    float EvalMono(ShadeContext& sc) override {
        if (values.empty()) return 0.f;
        const Point3 p = sc.P();
        const float key = std::fabs(p.x * 7.f + p.y * 3.f + p.z);
        const size_t i = std::isfinite(key) ? size_t(std::fmod(key, float(values.size()))) : 0;
        return values[i < values.size() ? i : 0];
    }
};

INode* meshNode(Bytes& in) {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    const int verts = in.byte() % 12;
    const int faces = in.byte() % 16;
    mesh.setNumVerts(verts);
    mesh.setNumFaces(faces);
    for (int v = 0; v < verts; ++v) mesh.setVert(v, in.number(), in.number(), in.number());
    for (int f = 0; f < faces; ++f)
        mesh.faces[size_t(f)].setVerts(DWORD(in.byte() % 14), DWORD(in.byte() % 14), DWORD(in.byte() % 14));
    INode* node = GetCOREInterface()->CreateObjectNode(tri, u"fuzz");
    Matrix3 tm;
    if (in.byte() & 1) {
        tm.SetRow(0, Point3(in.number(), in.number(), in.number()));
        tm.SetTrans(Point3(in.number(), in.number(), in.number()));
    }
    node->SetNodeTM(0, tm);
    return node;
}

void checkBoxIndex(Bytes& in) {
    BoxIndex index;
    std::vector<AlignedBox> kept;
    const int n = in.byte();
    for (int k = 0; k < n && !in.empty(); ++k) {
        AlignedBox b{{in.number(), in.number(), in.number()}, {in.number(), in.number(), in.number()}};
        bool scan = false;
        for (const AlignedBox& s : kept) scan = scan || s.overlaps(b);
        if (index.overlapsAny(b) != scan) fail("box index and scan disagree");
        bool batch = false;
        index.overlapsAny(&b, &batch, 1);
        if (batch != scan) fail("batched box lookup and scan disagree");
        if (!scan) {
            index.insert(b);
            kept.push_back(b);
        }
    }
}

void checkDensityTable(Bytes& in) {
    const int n = 1 + in.byte() % 9;
    std::vector<float> grid(size_t(n * n));
    for (float& v : grid) v = in.number();
    DensityTable table;
    const float mean = table.fromGrid(grid.data(), n);
    if (!std::isfinite(mean) || mean < 0.f) fail("mean density not a finite non-negative number");
    for (int k = 0; k < 16; ++k) {
        float a = float(in.byte()) / 256.f, b = float(in.byte()) / 256.f;
        table.remap(a, b);
        // Rounding may land a on the square's far edge, which is still on
        // the triangle.
        if (!(a >= 0.f && a <= 1.f && b >= 0.f && b <= 1.f)) fail("remapped point outside the square");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    Interface* ip = GetCOREInterface();

    DistributionInputs inputs;
    const int distribution = 1 + in.byte() % 3;
    for (int k = 0; k < distribution; ++k) inputs.distribution.push({meshNode(in), in.number()});
    const int scattered = 1 + in.byte() % 3;
    for (int k = 0; k < scattered; ++k) inputs.scattered.push({meshNode(in), in.number()});
    auto* density = new TableMap();
    for (int k = in.byte() % 8; k > 0; --k) density->values.push_back(in.number());
    const bool useDensity = in.byte() & 1;
    if (useDensity) inputs.densityMap = density;
    if (in.byte() & 1) inputs.scaleMap[0] = density;

    ScatterSettings s;
    s.count = in.byte() % 64;
    s.seed = int32_t(in.word());
    s.randomType = in.byte() & 1;
    s.scatterType = in.byte() & 1 ? SCATTER_IN_BOUNDING_BOX : SCATTER_ON_SURFACES;
    s.collisionDetect = in.byte() & 1;
    s.alignNormals = in.byte() & 1;
    s.uniformScale = in.byte() & 1;
    s.translateRange = Dir(in.number(), in.number(), in.number());
    s.rotateRange = Dir(in.number(), in.number(), in.number());
    s.scaleMin = Dir(in.number(), in.number(), in.number());
    s.lastRenderCamera = Pos(NAN, NAN, NAN);

    ScatterDistribution dist;
    if (!dist.gather(inputs, 0)) fail("gathering refused two non-empty tables");
    dist.generate(s);
    if (dist.numInstances() > s.count) fail("more instances than candidates");
    for (int32_t i = 0; i < dist.numInstances(); ++i) {
        const ScatterInstance& inst = dist.instance(i);
        if (inst.objectIndex < 0 || inst.objectIndex >= dist.scatteredObjects().size())
            fail("instance of no scattered object");
        if (!(dist.scatteredObjects()[inst.objectIndex].frequency > 0.f)) fail("object without frequency chosen");
        (void)dist.instanceTm(i, s);
    }

    checkBoxIndex(in);
    checkDensityTable(in);

    delete density;
    ip->ResetScene();
    return 0;
}

// Scatter generation, each figure against a reference in the same run:
//   - cost per candidate on a 10 000-triangle against a 1 000 000-triangle
//     ground (goal: at most 2x; the triangle pick is a binary search);
//   - 100 000, 1 000 000 and 10 000 000 candidates (goal: within 1.2x of
//     linear);
//   - 1 000 000 candidates with collision rejection against the same run
//     without (goal: within 3x), for solid, large and flat instances;
//   - 1 000 000 candidates with a density map read from a PNG file against
//     the same run without a map (the density budget bounds the map work).
// Each benchmark reports ns_per_candidate; the ratios are printed at the end.
//
// Run: make bench && ./build-bench/bin/scatter_bench
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Scatter/Distribution.h"
#include "host/Max.h"

namespace {

using namespace Nimbal;

// A square ground of side `size` made of cells x cells quads, gently waved
// so that normals vary.
INode* groundNode(int cells, float size) {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    const int side = cells + 1;
    mesh.setNumVerts(side * side);
    mesh.setNumFaces(2 * cells * cells);
    const float step = size / float(cells);
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            mesh.setVert(j * side + i, float(i) * step - size / 2, float(j) * step - size / 2,
                         0.02f * size * std::sin(float(i) * 0.7f) * std::cos(float(j) * 0.3f));
    // Texture coordinates over the whole ground once, for the density map.
    mesh.setNumTVerts(side * side);
    mesh.setNumTVFaces(2 * cells * cells);
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) mesh.setTVert(j * side + i, UVVert(float(i) / cells, float(j) / cells, 0.f));
    int f = 0;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const DWORD a = DWORD(j * side + i), b = a + 1, c = a + DWORD(side), d = c + 1;
            mesh.mapFaces(1)[size_t(f)].setTVerts(a, b, d);
            mesh.faces[size_t(f++)].setVerts(a, b, d);
            mesh.mapFaces(1)[size_t(f)].setTVerts(a, d, c);
            mesh.faces[size_t(f++)].setVerts(a, d, c);
        }
    return GetCOREInterface()->CreateObjectNode(tri, u"ground");
}

INode* boxNode(float sx, float sy, float sz) {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    mesh.setNumVerts(8);
    mesh.setNumFaces(12);
    for (int c = 0; c < 8; ++c)
        mesh.setVert(c, (c & 1) ? sx / 2 : -sx / 2, (c & 2) ? sy / 2 : -sy / 2, (c & 4) ? sz : 0.f);
    const int faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                              {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    for (int k = 0; k < 12; ++k) mesh.faces[size_t(k)].setVerts(DWORD(faces[k][0]), DWORD(faces[k][1]), DWORD(faces[k][2]));
    return GetCOREInterface()->CreateObjectNode(tri, u"box");
}

// A 512 x 512 PNG of soft blobs and empty patches, written to the
// temporary directory and read back through the host's bitmap map.
class DensityPicture {
public:
    DensityPicture() {
        path_ = (std::filesystem::temp_directory_path() / ("nimbal-scatter-bench-" + std::to_string(::getpid()) + ".png"))
                    .string();
        BitmapInfo bi;
        bi.SetWidth(512);
        bi.SetHeight(512);
        bi.SetType(BMM_TRUE_32);
        Bitmap* bm = TheManager->Create(&bi);
        std::vector<BMM_Color_fl> row(512);
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 512; ++x) {
                const float v = std::max(0.f, std::sin(float(x) * 0.05f) * std::cos(float(y) * 0.03f));
                row[size_t(x)] = BMM_Color_fl{v, v, v, 1.f};
            }
            bm->PutPixels(0, y, 512, row.data());
        }
        const MSTR name = FromUtf8(path_);
        TheManager->Save(bm, name.c_str());
        bm->DeleteThis();
        map_.Reset(static_cast<ReferenceTarget*>(
            static_cast<Animatable*>(ClassDirectory::Get().CreateInstance(TEXMAP_CLASS_ID, BMTEX_CLASS_ID))));
        static_cast<BitmapTex*>(map_.Get())->SetMapName(name.c_str());
    }
    ~DensityPicture() { std::remove(path_.c_str()); }
    Texmap* map() { return static_cast<Texmap*>(map_.Get()); }

private:
    std::string path_;
    RefHolder map_;
};

// Gathered distributions, built once per shape and reused by every run.
ScatterDistribution& distribution(const std::string& key) {
    static std::map<std::string, std::unique_ptr<ScatterDistribution>> built;
    auto& slot = built[key];
    if (slot) return *slot;
    slot = std::make_unique<ScatterDistribution>();
    DistributionInputs in;
    if (key == "1M") {
        in.distribution.push({groundNode(707, 2000.f), 1.f});  // 999 698 triangles
    } else {
        in.distribution.push({groundNode(71, 2000.f), 1.f});  // 10 082 triangles
    }
    if (key == "png") {
        static DensityPicture picture;
        in.densityMap = picture.map();
    }
    const bool flat = key == "flat";
    in.scattered.push({boxNode(1.f, 1.f, flat ? 0.f : 1.f), 1.f});
    in.scattered.push({boxNode(0.5f, 2.f, flat ? 0.f : 0.5f), 1.f});
    slot->gather(in, 0);
    return *slot;
}

ScatterSettings baseSettings(int64_t count) {
    ScatterSettings s;
    s.count = int32_t(count);
    s.seed = 17;
    s.randomType = 1;
    s.scatterType = SCATTER_ON_SURFACES;
    s.alignNormals = true;
    s.rotateRange = Dir(0.f, 0.f, 6.28f);
    s.scaleMin = Dir(0.8f, 0.8f, 0.8f);
    s.scaleRange = Dir(0.4f, 0.4f, 0.4f);
    s.lastRenderCamera = Pos(NAN, NAN, NAN);
    return s;
}

void run(benchmark::State& state, ScatterDistribution& dist, const ScatterSettings& s) {
    // Once untimed: the instance list keeps its memory between runs, so every
    // timed run writes to memory the process already holds, whatever the
    // count (a first run also pays the system for fresh pages).
    dist.generate(s);
    for (auto _ : state) {
        dist.generate(s);
        benchmark::DoNotOptimize(dist.numInstances());
    }
    state.counters["instances"] = double(dist.numInstances());
    state.counters["ns_per_candidate"] =
        benchmark::Counter(double(s.count) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(int64_t(state.iterations()) * s.count);
}

void BM_Triangles10k(benchmark::State& state) { run(state, distribution("10k"), baseSettings(1000000)); }
void BM_Triangles1M(benchmark::State& state) { run(state, distribution("1M"), baseSettings(1000000)); }

void BM_Count(benchmark::State& state) { run(state, distribution("10k"), baseSettings(state.range(0))); }

// Counts with the congruent generator, whose cost per sample does not depend
// on the sample's index: what the count costs beyond the sample source. The
// Halton generator carries its digits from sample to sample, so that its
// cost does not grow with the index either.
void BM_CountCongruent(benchmark::State& state) {
    ScatterSettings s = baseSettings(state.range(0));
    s.randomType = 0;
    run(state, distribution("10k"), s);
}

void BM_Collision(benchmark::State& state) {
    ScatterSettings s = baseSettings(1000000);
    s.collisionDetect = state.range(0) != 0;
    run(state, distribution("10k"), s);
}

// Objects five times larger: far fewer survive, so the index stays small.
void BM_CollisionLarge(benchmark::State& state) {
    ScatterSettings s = baseSettings(1000000);
    s.scaleMin = Dir(4.f, 4.f, 4.f);
    s.scaleRange = Dir(2.f, 2.f, 2.f);
    s.collisionDetect = state.range(0) != 0;
    run(state, distribution("10k"), s);
}

void BM_CollisionFlat(benchmark::State& state) {
    ScatterSettings s = baseSettings(1000000);
    s.rotateRange = Dir::ZERO;
    s.collisionDetect = state.range(0) != 0;
    run(state, distribution("flat"), s);
}

void BM_DensityMap(benchmark::State& state) {
    ScatterDistribution& dist = distribution(state.range(0) != 0 ? "png" : "10k");
    dist.prepareMaps();
    run(state, dist, baseSettings(1000000));
}

BENCHMARK(BM_Triangles10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Triangles1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Count)->Arg(100000)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountCongruent)->Arg(100000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Collision)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CollisionLarge)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CollisionFlat)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DensityMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Prints each goal's ratio from the runs above.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) perCandidate_[r.benchmark_name()] = r.counters.at("ns_per_candidate");
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto ratio = [&](const char* what, const std::string& a, const std::string& b, const char* goal) {
            if (!perCandidate_.count(a) || !perCandidate_.count(b)) return;
            std::printf("%-52s %6.2fx  (goal %s)\n", what, perCandidate_[a] / perCandidate_[b], goal);
        };
        std::printf("\nPer-candidate ratios\n");
        ratio("1M triangles / 10k triangles", "BM_Triangles1M", "BM_Triangles10k", "<= 2");
        ratio("10M candidates / 100k candidates", "BM_Count/10000000", "BM_Count/100000", "<= 1.2");
        ratio("1M candidates / 100k candidates", "BM_Count/1000000", "BM_Count/100000", "<= 1.2");
        ratio("10M / 100k candidates, congruent generator", "BM_CountCongruent/10000000", "BM_CountCongruent/100000",
              "<= 1.2");
        ratio("collision / none", "BM_Collision/1", "BM_Collision/0", "<= 3");
        ratio("collision / none, large instances", "BM_CollisionLarge/1", "BM_CollisionLarge/0", "<= 3");
        ratio("collision / none, flat instances", "BM_CollisionFlat/1", "BM_CollisionFlat/0", "<= 3");
        ratio("PNG density map / none", "BM_DensityMap/1", "BM_DensityMap/0", "for the record");
        for (const auto& [name, ns] : perCandidate_)
            std::printf("%-52s %8.1f ns/candidate  %6.2f M candidates/s\n", name.c_str(), ns, 1e3 / ns);
    }

private:
    std::map<std::string, double> perCandidate_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// The shared map preview (Update, 1024 x 1024 evaluations in a UvwContext,
// 16-bit clamping, row writes into a float bitmap, conversion to a 64 x 64
// DIB) against a bare loop that evaluates the same map at the same points
// into a float buffer, in the same run. Goal: preview / bare at most 1.2.
//
// Two maps: the host's bitmap map over a 512 x 512 picture, tiled, with
// bilinear filtering and gamma decoding (what a preview usually shows), and
// a checker computed from uv in a few operations (the least work per pixel,
// so the procedure's own cost shows most).
//
// Run: make bench && ./build-bench/bin/preview_bench
// Each benchmark is repeated; the ratios use the fastest repetition, for wall
// and for CPU time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/Max.h"
#include "shading/MapPreview.h"

namespace {

constexpr int SIZE = Nimbal::MIN_PREVIEW_SIZE;

class CheckerMap : public Texmap {
public:
    AColor EvalColor(ShadeContext& sc) override {
        const Point3 uv = sc.UVW(0);
        const bool odd = (static_cast<int>(uv.x * 8.0f) + static_cast<int>(uv.y * 8.0f)) & 1;
        return odd ? AColor(0.9f, 0.8f, 0.1f, 1.0f) : AColor(0.1f, 0.2f, 0.7f, 1.0f);
    }
};

// A bitmap map showing a generated 512 x 512 picture, tiled 3 x 2.
BitmapTex* makeBitmapMap() {
    auto* map = new BitmapTex();
    BitmapInfo bi;
    bi.SetWidth(512);
    bi.SetHeight(512);
    bi.SetType(BMM_TRUE_32);
    bi.SetFlags(MAP_HAS_ALPHA);
    Bitmap* bm = TheManager->Create(&bi);
    std::vector<BMM_Color_64> row(512);
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            const float r = 0.5f + 0.5f * std::sin(float(x) * 0.05f), g = 0.5f + 0.5f * std::cos(float(y) * 0.03f);
            row[x] = BMM_Color_64{WORD(r * 65535.0f), WORD(g * 65535.0f), WORD(((x ^ y) & 255) * 257), 65535};
        }
        bm->PutPixels(0, y, 512, row.data());
    }
    map->SetBitmap(bm);
    auto* gen = static_cast<StdUVGen*>(map->GetTheUVGen());
    gen->SetUScl(3.0f);
    gen->SetVScl(2.0f);
    return map;
}

Texmap& mapFor(int which) {
    static CheckerMap checker;
    static RefHolder bitmap(makeBitmapMap());
    return which == 0 ? static_cast<Texmap&>(*static_cast<BitmapTex*>(bitmap.Get())) : checker;
}

const char* nameOf(int which) { return which == 0 ? "bitmap" : "checker"; }

void BM_Preview(benchmark::State& state) {
    Texmap& map = mapFor(int(state.range(0)));
    StdTexHandleMaker thmaker(64);
    for (auto _ : state) {
        Interval valid = FOREVER;
        BITMAPINFO* dib = NIMBAL_MAP_PREVIEW(map, 0, thmaker, valid, 0, 0, u"BenchTemp");
        benchmark::DoNotOptimize(dib);
        FreeDIB(dib);
    }
    state.SetLabel(nameOf(int(state.range(0))));
    state.SetItemsProcessed(int64_t(state.iterations()) * SIZE * SIZE);
}

// The same evaluations, kept as floats, nothing else.
void BM_BareLoop(benchmark::State& state) {
    Texmap& map = mapFor(int(state.range(0)));
    std::vector<float> buffer(size_t(SIZE) * SIZE * 4);
    for (auto _ : state) {
        Interval valid = FOREVER;
        map.Update(0, valid);
        Nimbal::UvwContext sc(0);
        const float step = 1.0f / float(SIZE);
        float* out = buffer.data();
        for (int r = 0; r < SIZE; ++r) {
            const float v = 1.0f - step / 2.0f - float(r) * step;
            for (int c = 0; c < SIZE; ++c) {
                sc.uvw = Point3(float(c) * step, v, 0.0f);
                sc.position = sc.uvw;
                const AColor col = map.EvalColor(sc);
                out[0] = col.r;
                out[1] = col.g;
                out[2] = col.b;
                out[3] = col.a;
                out += 4;
            }
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(nameOf(int(state.range(0))));
    state.SetItemsProcessed(int64_t(state.iterations()) * SIZE * SIZE);
}

double minimum(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

BENCHMARK(BM_BareLoop)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(7)->ComputeStatistics("min", minimum);
BENCHMARK(BM_Preview)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(7)->ComputeStatistics("min", minimum);

// Keeps the "min" aggregate of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") {
                fastest[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
                fastestCpu[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> fastest, fastestCpu;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.fastest;
    const auto& c = reporter.fastestCpu;
    for (int which : {0, 1}) {
        const std::string arg = std::to_string(which);
        const std::string preview = "BM_Preview/" + arg, bare = "BM_BareLoop/" + arg;
        if (t.count(preview) && t.count(bare))
            std::printf("preview / bare loop, %s map: %.3f wall, %.3f cpu (goal <= 1.2)\n", nameOf(which),
                        t.at(preview) / t.at(bare), c.at(preview) / c.at(bare));
    }
    benchmark::Shutdown();
    return 0;
}

// Reading a strict-triangle OBJ of one million faces (v/vt/vn on every
// corner, as exporters write them): ObjFormat against tinyobjloader on the
// same file, in the same run. The ratios printed at the end are
// tinyobjloader's time over ours (goal: at least 2), in processor time
// (steady on a busy machine; both readers use one thread) and wall time,
// each from the best of three repetitions.
//
// Run: make bench && ./build-bench/bin/obj_bench
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Proxy/ioFormats/FileFormats.h"

#ifdef NIMBAL_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr int GRID_X = 1000;
constexpr int GRID_Y = 500;  // two triangles per cell: 1 000 000 faces

// A wavy grid, written with six decimals like common exporters, into the
// temporary directory; removed at exit.
class BenchFile {
public:
    BenchFile() {
        path_ = (fs::temp_directory_path() / ("nimbal-obj-bench-" + std::to_string(::getpid()) + ".obj")).string();
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) throw std::runtime_error("cannot write " + path_);
        std::fprintf(f, "# generated grid, %d faces\nmtllib none.mtl\no Grid\n", 2 * GRID_X * GRID_Y);
        const int nx = GRID_X + 1, ny = GRID_Y + 1;
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                std::fprintf(f, "v %f %f %f\n", i * 0.01 - 5.0, j * 0.01 - 2.5, 0.25 * ((i * 7 + j * 13) % 17) / 17.0);
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) std::fprintf(f, "vt %f %f 0.000000\n", double(i) / GRID_X, double(j) / GRID_Y);
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const double a = ((i * 3 + j * 5) % 11) / 110.0;
                std::fprintf(f, "vn %f %f %f\n", a, -a, 1.0 - a);
            }
        std::fprintf(f, "usemtl 1\ns off\n");
        for (int j = 0; j < GRID_Y; ++j)
            for (int i = 0; i < GRID_X; ++i) {
                const int a = j * nx + i + 1, b = a + 1, c = a + nx, d = c + 1;
                std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, d, d, d);
                std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, d, d, d, c, c, c);
            }
        std::fclose(f);
    }
    ~BenchFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const BenchFile& benchFile() {
    static const BenchFile file;
    return file;
}

void BM_ObjFormat(benchmark::State& state) {
    const Nimbal::String name = Nimbal::String::fromUtf8(benchFile().path());
    int faces = 0;
    for (auto _ : state) {
        Mesh mesh;
        Nimbal::ObjFormat format(name);
        Nimbal::ProxyFileInfo info;
        if (!format.read(mesh, info)) state.SkipWithError("ObjFormat refused the file");
        faces = mesh.getNumFaces();
        benchmark::DoNotOptimize(mesh.verts.data());
    }
    if (faces != 2 * GRID_X * GRID_Y) state.SkipWithError("wrong face count");
    state.counters["faces"] = faces;
    state.counters["MB"] = double(fs::file_size(benchFile().path())) / 1e6;
}
BENCHMARK(BM_ObjFormat)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0)->Repetitions(3);

#ifdef NIMBAL_HAVE_TINYOBJLOADER
void BM_TinyObjLoader(benchmark::State& state) {
    tinyobj::ObjReaderConfig config;
    // Its fastest setting for a file that is already triangles.
    config.triangulate = false;
    config.vertex_color = false;
    size_t faces = 0;
    for (auto _ : state) {
        tinyobj::ObjReader reader;
        if (!reader.ParseFromFile(benchFile().path(), config)) state.SkipWithError("tinyobjloader failed");
        faces = 0;
        for (const auto& shape : reader.GetShapes()) faces += shape.mesh.num_face_vertices.size();
        benchmark::DoNotOptimize(reader.GetAttrib().vertices.data());
    }
    if (faces != size_t(2 * GRID_X * GRID_Y)) state.SkipWithError("wrong face count");
    state.counters["faces"] = double(faces);
}
BENCHMARK(BM_TinyObjLoader)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0)->Repetitions(3);
#endif

// Prints the usual table, then the ratio of the two readers.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type == Run::RT_Aggregate) continue;
            // The best repetition: the one least disturbed by other work.
            auto [it, fresh] = times_.try_emplace(run.run_name.function_name, run.GetAdjustedCPUTime(), run.GetAdjustedRealTime());
            if (!fresh) {
                it->second.first = std::min(it->second.first, run.GetAdjustedCPUTime());
                it->second.second = std::min(it->second.second, run.GetAdjustedRealTime());
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto ours = times_.find("BM_ObjFormat");
        const auto theirs = times_.find("BM_TinyObjLoader");
        if (ours != times_.end() && theirs != times_.end() && ours->second.first > 0 && ours->second.second > 0)
            std::printf("tinyobjloader / ObjFormat time ratio: %.2f processor, %.2f wall (goal: at least 2)\n",
                        theirs->second.first / ours->second.first, theirs->second.second / ours->second.second);
        else
            std::printf("no ratio: tinyobjloader was not built in (install libtinyobjloader-dev)\n");
    }

private:
    std::map<std::string, std::pair<double, double>> times_;  // processor, wall
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchFile();  // written once, outside the timed loops
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

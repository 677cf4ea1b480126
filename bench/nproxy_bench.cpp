// Reading and writing a ".nproxy" of one million triangles (explicit normals,
// one map channel) against plain zlib on the same uncompressed block in the
// same run: inflate of the file's stream into one buffer, and deflate of the
// block into a file. Goals: read within 1.15x and write within 1.10x of zlib
// alone. Also measures the peak heap of one read against the mesh it leaves
// (goal: at most 1.5x), counting every malloc of the process.
//
// Run: make bench && ./build-bench/bin/nproxy_bench
// Each benchmark is repeated; the ratios use the fastest repetition, which
// is the least disturbed by other work on the machine. They are given for
// wall time and for the process's CPU time: on a busy machine only the
// latter means much (the runs are single-threaded).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "Proxy/ioFormats/FileFormats.h"
#include "host/Interface.h"

// ---------------------------------------------------------------------------
// Heap accounting: every malloc of the process (the mesh's vectors, the
// library's stream buffers, zlib's state) passes through these.

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

namespace {
std::atomic<int64_t> heapNow{0};
std::atomic<int64_t> heapPeak{0};

void counted(void* block) {
    if (!block) return;
    const int64_t now = heapNow.fetch_add(int64_t(malloc_usable_size(block))) + int64_t(malloc_usable_size(block));
    int64_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}
} // namespace

extern "C" void* malloc(size_t size) {
    void* block = __libc_malloc(size);
    counted(block);
    return block;
}
extern "C" void* calloc(size_t n, size_t size) {
    void* block = __libc_calloc(n, size);
    counted(block);
    return block;
}
extern "C" void* realloc(void* old, size_t size) {
    if (old) heapNow.fetch_sub(int64_t(malloc_usable_size(old)));
    void* block = __libc_realloc(old, size);
    if (block) counted(block);
    else if (old && size != 0) counted(old);  // failed: the old block stays
    return block;
}
extern "C" void free(void* block) {
    if (block) heapNow.fetch_sub(int64_t(malloc_usable_size(block)));
    __libc_free(block);
}

namespace {

namespace fs = std::filesystem;

constexpr int GRID_X = 1000;
constexpr int GRID_Y = 500;  // two triangles per cell: 1 000 000 faces

// A wavy grid with a normal and a texture vertex per vertex.
Mesh gridMesh() {
    const int nx = GRID_X + 1, ny = GRID_Y + 1;
    Mesh mesh;
    mesh.setNumVerts(nx * ny);
    mesh.setNumFaces(2 * GRID_X * GRID_Y);
    MeshNormalSpec* normals = mesh.SpecifyNormals();
    normals->SetNumNormals(nx * ny);
    normals->SetNumFaces(mesh.getNumFaces());
    mesh.setMapSupport(1);
    mesh.setNumMapVerts(1, nx * ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const int k = j * nx + i;
            const float x = float(i) * 0.01f - 5.0f, y = float(j) * 0.01f - 2.5f;
            const float z = 0.25f * std::sin(x * 3.1f) * std::cos(y * 2.3f);
            mesh.setVert(k, x, y, z);
            normals->Normal(k) = Normalize(Point3(-0.775f * std::cos(x * 3.1f), 0.575f * std::sin(y * 2.3f), 1.0f));
            mesh.mapVerts(1)[size_t(k)] = Point3(float(i) / GRID_X, float(j) / GRID_Y, 0.0f);
        }
    int f = 0;
    for (int j = 0; j < GRID_Y; ++j)
        for (int i = 0; i < GRID_X; ++i) {
            const DWORD a = DWORD(j * nx + i), b = a + 1, c = a + DWORD(nx), d = c + 1;
            const DWORD corners[2][3] = {{a, b, d}, {a, d, c}};
            for (const auto& t : corners) {
                Face& face = mesh.getFace(f);
                face.setVerts(t[0], t[1], t[2]);
                face.setSmGroup(1);
                face.setMatID(MtlID((i / 100) % 3));
                face.setEdgeVisFlags(true, true, false);
                mesh.mapFaces(1)[size_t(f)] = TVFace(t[0], t[1], t[2]);
                for (int corner = 0; corner < 3; ++corner) normals->Face(f).SetNormalID(corner, int(t[corner]));
                ++f;
            }
        }
    return mesh;
}

struct Fixture {
    std::string proxyPath, zlibPath, scratchPath;
    Mesh mesh;
    std::string block;         // the uncompressed block
    size_t streamOffset = 0;   // where the zlib stream starts in the file

    Fixture() {
        const std::string stem = (fs::temp_directory_path() / ("nimbal-nproxy-bench-" + std::to_string(getpid()))).string();
        proxyPath = stem + ".nproxy";
        zlibPath = stem + "-written.nproxy";
        scratchPath = stem + "-zlib.bin";
        GetCOREInterface()->SetSystemUnitInfo(UNITS_CENTIMETERS, 1.0f);
        mesh = gridMesh();
        Nimbal::ProxyFileInfo info;
        info.originalObjectName = Nimbal::String("Grid");
        if (!Nimbal::NProxyFormat(Nimbal::String::fromUtf8(proxyPath)).write(mesh, info))
            throw std::runtime_error("cannot write " + proxyPath);

        std::FILE* f = std::fopen(proxyPath.c_str(), "rb");
        unsigned char lead[5];
        if (!f || std::fread(lead, 1, 5, f) != 5) throw std::runtime_error("cannot read " + proxyPath);
        int32_t length;
        std::memcpy(&length, lead + 1, 4);
        streamOffset = 5 + size_t(length);
        std::fseek(f, 0, SEEK_END);
        const size_t size = size_t(std::ftell(f));
        std::fseek(f, long(streamOffset), SEEK_SET);
        std::string packed(size - streamOffset, '\0');
        if (std::fread(packed.data(), 1, packed.size(), f) != packed.size()) throw std::runtime_error("short read");
        std::fclose(f);
        uLongf blockSize = uLongf(packed.size()) * 8;
        for (;;) {
            block.assign(blockSize, '\0');
            uLongf got = blockSize;
            const int result = uncompress(reinterpret_cast<Bytef*>(block.data()), &got,
                                          reinterpret_cast<const Bytef*>(packed.data()), uLong(packed.size()));
            if (result == Z_OK) {
                block.resize(got);
                break;
            }
            if (result != Z_BUF_ERROR) throw std::runtime_error("bad stream");
            blockSize *= 2;
        }
    }
    ~Fixture() {
        std::remove(proxyPath.c_str());
        std::remove(zlibPath.c_str());
        std::remove(scratchPath.c_str());
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

constexpr size_t CHUNK = 0x20000;

// zlib alone: the file's stream inflated into one buffer of the block's size.
void BM_ZlibInflate(benchmark::State& state) {
    Fixture& fx = fixture();
    std::unique_ptr<unsigned char[]> input(new unsigned char[CHUNK]);
    for (auto _ : state) {
        std::unique_ptr<unsigned char[]> out(new unsigned char[fx.block.size()]);
        std::FILE* f = std::fopen(fx.proxyPath.c_str(), "rb");
        std::fseek(f, long(fx.streamOffset), SEEK_SET);
        z_stream zs{};
        inflateInit(&zs);
        zs.next_out = out.get();
        zs.avail_out = uInt(fx.block.size());
        int result = Z_OK;
        while (result == Z_OK) {
            if (zs.avail_in == 0) {
                zs.avail_in = uInt(std::fread(input.get(), 1, CHUNK, f));
                zs.next_in = input.get();
            }
            result = inflate(&zs, Z_NO_FLUSH);
        }
        inflateEnd(&zs);
        std::fclose(f);
        if (result != Z_STREAM_END) state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fx.block.size()));
}

void BM_NProxyRead(benchmark::State& state) {
    Fixture& fx = fixture();
    const Nimbal::String name = Nimbal::String::fromUtf8(fx.proxyPath);
    for (auto _ : state) {
        Mesh mesh;
        Nimbal::ProxyFileInfo info;
        if (!Nimbal::NProxyFormat(name).read(mesh, info)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(mesh.verts.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fx.block.size()));
}

// zlib alone: the block deflated at the default level into a file.
void BM_ZlibDeflate(benchmark::State& state) {
    Fixture& fx = fixture();
    std::unique_ptr<unsigned char[]> output(new unsigned char[CHUNK]);
    for (auto _ : state) {
        std::FILE* f = std::fopen(fx.scratchPath.c_str(), "wb");
        z_stream zs{};
        deflateInit(&zs, Z_DEFAULT_COMPRESSION);
        zs.next_in = reinterpret_cast<Bytef*>(fx.block.data());
        zs.avail_in = uInt(fx.block.size());
        int result;
        do {
            zs.next_out = output.get();
            zs.avail_out = uInt(CHUNK);
            result = deflate(&zs, Z_FINISH);
            std::fwrite(output.get(), 1, CHUNK - zs.avail_out, f);
        } while (result == Z_OK);
        deflateEnd(&zs);
        std::fclose(f);
        if (result != Z_STREAM_END) state.SkipWithError("deflate failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fx.block.size()));
}

void BM_NProxyWrite(benchmark::State& state) {
    Fixture& fx = fixture();
    const Nimbal::String name = Nimbal::String::fromUtf8(fx.zlibPath);
    Nimbal::ProxyFileInfo info;
    for (auto _ : state)
        if (!Nimbal::NProxyFormat(name).write(fx.mesh, info)) state.SkipWithError("write failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fx.block.size()));
}

double minimum(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond)->Repetitions(7)->ComputeStatistics("min", minimum);
BENCHMARK(BM_NProxyRead)->Unit(benchmark::kMillisecond)->Repetitions(7)->ComputeStatistics("min", minimum);
BENCHMARK(BM_ZlibDeflate)->Unit(benchmark::kMillisecond)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_NProxyWrite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ComputeStatistics("min", minimum);

// Keeps the "min" aggregate of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") {
                fastest[run.run_name.function_name] = run.GetAdjustedRealTime();
                fastestCpu[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> fastest, fastestCpu;
};

// Heap of one read, from before it starts: the peak on the way and what the
// finished mesh keeps.
void reportMemory() {
    Fixture& fx = fixture();
    const Nimbal::String name = Nimbal::String::fromUtf8(fx.proxyPath);
    auto mesh = std::make_unique<Mesh>();
    Nimbal::ProxyFileInfo info;
    const int64_t before = heapNow.load();
    heapPeak.store(before);
    if (!Nimbal::NProxyFormat(name).read(*mesh, info)) throw std::runtime_error("read failed");
    const int64_t kept = heapNow.load() - before;
    const int64_t peak = heapPeak.load() - before;
    std::printf("read heap: peak %.1f MB, final mesh %.1f MB, peak/final %.3f (goal <= 1.5)\n", double(peak) / 1e6,
                double(kept) / 1e6, double(peak) / double(kept));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Fixture& fx = fixture();
    std::printf("mesh: %d faces, %d vertices, %d normals, %d map vertices; block %.1f MB\n", fx.mesh.getNumFaces(),
                fx.mesh.getNumVerts(), fx.mesh.GetSpecifiedNormals()->GetNumNormals(), fx.mesh.getNumMapVerts(1),
                double(fx.block.size()) / 1e6);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.fastest;
    const auto& c = reporter.fastestCpu;
    if (t.count("BM_NProxyRead") && t.count("BM_ZlibInflate"))
        std::printf("read / inflate:  %.3f wall, %.3f cpu (goal <= 1.15)\n", t.at("BM_NProxyRead") / t.at("BM_ZlibInflate"),
                    c.at("BM_NProxyRead") / c.at("BM_ZlibInflate"));
    if (t.count("BM_NProxyWrite") && t.count("BM_ZlibDeflate"))
        std::printf("write / deflate: %.3f wall, %.3f cpu (goal <= 1.10)\n", t.at("BM_NProxyWrite") / t.at("BM_ZlibDeflate"),
                    c.at("BM_NProxyWrite") / c.at("BM_ZlibDeflate"));
    reportMemory();
    benchmark::Shutdown();
    return 0;
}

#pragma once

// Shared by the proxy mesh readers' fuzz targets: the input goes through a
// file (the formats read files by name), a mesh that reads must be sound, and
// it must survive a ".nproxy" write and read unchanged.

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Proxy/ioFormats/FileFormats.h"
#include "host/Interface.h"

namespace proxyfuzz {

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "proxy fuzz: %s\n", what);
    std::abort();
}

// Scratch file names, removed when the process exits.
inline std::vector<std::string>& scratchFiles() {
    static std::vector<std::string> files;
    return files;
}

// Memory-backed when available: the targets write one file per input.
inline std::string scratch(const char* tag, const char* extension) {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string path = std::string(dir) + "/nimbal-" + tag + "-fuzz-" + std::to_string(getpid()) + extension;
    if (scratchFiles().empty())
        std::atexit([] {
            for (const std::string& file : scratchFiles()) std::remove(file.c_str());
        });
    scratchFiles().push_back(path);
    return path;
}

inline void writeFile(const std::string& path, const void* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) fail("cannot write the scratch file");
    if (size > 0 && std::fwrite(data, 1, size, f) != size) fail("short scratch write");
    std::fclose(f);
}

inline std::string compress(const uint8_t* data, size_t size) {
    uLongf packedSize = compressBound(uLong(size));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, data, uLong(size), Z_DEFAULT_COMPRESSION) != Z_OK)
        fail("compress2");
    packed.resize(packedSize);
    return packed;
}

// Millimetre scenes make the proxy round trip exact.
inline void initialise() { GetCOREInterface()->SetSystemUnitInfo(UNITS_MILLIMETERS, 1.0f); }

inline bool sameFloat(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    uint32_t x, y;
    std::memcpy(&x, &a, 4);
    std::memcpy(&y, &b, 4);
    return x == y;
}

inline bool samePoint(const Point3& a, const Point3& b) {
    return sameFloat(a.x, b.x) && sameFloat(a.y, b.y) && sameFloat(a.z, b.z);
}

// Every index of a mesh that read is below its count.
inline void checkSound(const Mesh& mesh) {
    if (mesh.getNumVerts() != int(mesh.verts.size()) || mesh.getNumFaces() != int(mesh.faces.size()))
        fail("counts and arrays differ");
    const MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    if (!normals) fail("no explicit normals");
    if (normals->GetNumFaces() != mesh.getNumFaces()) fail("normal faces and faces differ");
    for (int f = 0; f < mesh.getNumFaces(); ++f) {
        for (int c = 0; c < 3; ++c) {
            if (mesh.faces[size_t(f)].v[c] >= DWORD(mesh.getNumVerts())) fail("vertex index out of range");
            const int n = normals->Face(f).GetNormalID(c);
            if (n >= normals->GetNumNormals()) fail("normal index out of range");
        }
    }
    for (int ch = 0; ch < mesh.getNumMaps(); ++ch) {
        if (!mesh.mapSupport(ch)) continue;
        if (mesh.getNumMapFaces(ch) != mesh.getNumFaces()) fail("map faces and faces differ");
        for (const TVFace& tf : mesh.mapFaces(ch))
            for (int c = 0; c < 3; ++c)
                if (tf.t[c] >= DWORD(mesh.getNumMapVerts(ch))) fail("map index out of range");
    }
}

// Written as ".nproxy" and read back, the mesh comes back the same.
inline void checkRoundTrip(const Mesh& mesh) {
    const MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    if (mesh.getNumVerts() < 1 || mesh.getNumFaces() < 1 || normals->GetNumNormals() < 1) return;
    for (int f = 0; f < mesh.getNumFaces(); ++f)
        for (int c = 0; c < 3; ++c)
            if (normals->Face(f).GetNormalID(c) < 0) return;  // left for the writer to complete

    static const std::string path = scratch("roundtrip", ".nproxy");
    Nimbal::NProxyFormat format(Nimbal::String::fromUtf8(path));
    Nimbal::ProxyFileInfo info;
    info.originalObjectName = Nimbal::String("object");
    if (!format.write(mesh, info)) fail("a mesh that read does not write");
    Mesh back;
    Nimbal::ProxyFileInfo backInfo;
    if (!format.read(back, backInfo)) fail("a written mesh does not read");
    if (backInfo.originalObjectName != info.originalObjectName) fail("names differ");
    if (back.getNumVerts() != mesh.getNumVerts() || back.getNumFaces() != mesh.getNumFaces()) fail("counts differ");
    for (int i = 0; i < mesh.getNumVerts(); ++i)
        if (!samePoint(back.verts[size_t(i)], mesh.verts[size_t(i)])) fail("positions differ");
    const MeshNormalSpec* backNormals = back.GetSpecifiedNormals();
    if (backNormals->GetNumNormals() != normals->GetNumNormals()) fail("normal counts differ");
    for (int i = 0; i < normals->GetNumNormals(); ++i)
        if (!samePoint(backNormals->Normal(i), normals->Normal(i))) fail("normals differ");
    for (int f = 0; f < mesh.getNumFaces(); ++f) {
        const Face& a = mesh.faces[size_t(f)];
        const Face& b = back.faces[size_t(f)];
        const DWORD kept = 0xFFFF0007u;  // material id and edge visibility
        if ((a.flags & kept) != b.flags) fail("face flags differ");
        for (int c = 0; c < 3; ++c)
            if (a.v[c] != b.v[c] || normals->Face(f).GetNormalID(c) != backNormals->Face(f).GetNormalID(c))
                fail("face indices differ");
    }
    if (back.getNumMaps() != mesh.getNumMaps()) fail("channel counts differ");
    for (int ch = 0; ch < mesh.getNumMaps(); ++ch) {
        const bool stored = mesh.mapSupport(ch) && mesh.getNumMapVerts(ch) > 0;
        if (back.mapSupport(ch) != stored) fail("channel support differs");
        if (!stored) continue;
        if (back.mapFaces(ch) != mesh.mapFaces(ch)) fail("map faces differ");
        for (int i = 0; i < mesh.getNumMapVerts(ch); ++i)
            if (!samePoint(back.mapVerts(ch)[size_t(i)], mesh.mapVerts(ch)[size_t(i)])) fail("map vertices differ");
    }
}

template <class Format>
void readAndCheck(const std::string& path) {
    Format format(Nimbal::String::fromUtf8(path));
    Mesh mesh;
    Nimbal::ProxyFileInfo info;
    if (!format.read(mesh, info)) return;
    checkSound(mesh);
    checkRoundTrip(mesh);
}

} // namespace proxyfuzz

#pragma once

// The binary mesh block shared by the proxy format and the legacy mesh
// formats: counts, positions, normals, map channels and face records between
// markers. Only the magic, the markers and the position scale differ.
//
// Readers trust nothing: every count is checked against what the input can
// still hold before the mesh is sized, and every face index against its array.

#include <bit>
#include <cstdint>
#include <cstring>

#include "Proxy/ioFormats/FileFormats.h"

namespace Nimbal {

static_assert(std::endian::native == std::endian::little, "proxy files are little-endian");
static_assert(sizeof(Point3) == 12 && sizeof(TVFace) == 12, "mesh arrays are copied as packed floats and words");

struct MeshBlockLayout {
    uint32_t magic;
    uint32_t vertexMarker;
    uint32_t normalMarker;
    uint32_t mapMarker;
    uint32_t endMarker;
};

inline constexpr MeshBlockLayout NPROXY_LAYOUT{0xA3CDEF00u, 0x42C342CCu, 0xB00B06B0u, 0xCAAC04CAu, 0xFED3BA11u};
inline constexpr MeshBlockLayout NMESH_LAYOUT{0xABCDEF00u, 0x42CC42CCu, 0xB00B00B0u, 0xCAAC00CAu, 0xFEDCBA11u};

// Vertex and normal indices, material id and edge byte.
inline constexpr uint64_t FACE_RECORD_BASE = 6 * 4 + 2 + 1;

namespace meshblock_detail {

inline uint32_t word(const unsigned char* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

inline bool fits(int64_t count) { return count >= 0 && count <= INT32_MAX; }

} // namespace meshblock_detail

// Reads the block from its magic on into `mesh` (emptied first). Positions are
// multiplied by `positionScale` unless it is 1. False for anything that does
// not match; FileError from `in` passes through.
template <class Source>
bool readMeshBlock(Source& in, Mesh& mesh, const MeshBlockLayout& layout, float positionScale) {
    using namespace meshblock_detail;
    if (in.template get<uint32_t>() != layout.magic) return false;

    mesh.FreeAll();
    MeshNormalSpec* normals = mesh.SpecifyNormals();
    const int32_t numVerts = int32_t(in.template get<uint32_t>());
    const int32_t numNormals = int32_t(in.template get<uint32_t>());
    const int32_t numMaps = int32_t(in.template get<uint32_t>());
    const int32_t numFaces = int32_t(in.template get<uint32_t>());
    if (numVerts < 1 || numNormals < 1 || numMaps < 0 || numFaces < 1) return false;
    if (numMaps > MAX_MESHMAPS) return false;

    // The smallest block these counts allow, from here to the end marker.
    const uint64_t V = uint64_t(numVerts), N = uint64_t(numNormals), M = uint64_t(numMaps), F = uint64_t(numFaces);
    if (12 * V + 4 + 12 * N + 4 + 4 * M + 4 + F * FACE_RECORD_BASE + 4 > in.maxRemaining()) return false;

    mesh.setNumFaces(numFaces);
    normals->SetNumFaces(numFaces);
    mesh.setNumVerts(numVerts);
    normals->SetNumNormals(numNormals);

    in.read(mesh.verts.data(), 12 * V);
    if (positionScale != 1.0f) {
        for (Point3& p : mesh.verts) {
            p.x *= positionScale;
            p.y *= positionScale;
            p.z *= positionScale;
        }
    }

    if (in.template get<uint32_t>() != layout.vertexMarker) return false;
    in.read(&normals->Normal(0), 12 * N);
    if (in.template get<uint32_t>() != layout.normalMarker) return false;

    // Channels with map vertices, in order, and how many vertices each has.
    int channels[MAX_MESHMAPS];
    uint32_t channelVerts[MAX_MESHMAPS];
    TVFace* channelFaces[MAX_MESHMAPS];
    int numChannels = 0;
    mesh.setNumMaps(numMaps);
    for (int ch = 0; ch < numMaps; ++ch) {
        const int32_t count = int32_t(in.template get<uint32_t>());
        if (count < 0) return false;
        if (count == 0) {
            mesh.setMapSupport(ch, false);
            continue;
        }
        // This channel's vertices, the counts still to come, and face records
        // that now carry one more set of indices.
        const uint64_t T = uint64_t(count);
        const uint64_t later = 4 * uint64_t(numMaps - ch - 1) + 4 + F * (FACE_RECORD_BASE + 12 * uint64_t(numChannels + 1)) + 4;
        if (12 * T + later > in.maxRemaining()) return false;
        mesh.setMapSupport(ch, true);
        mesh.setNumMapVerts(ch, count);
        in.read(mesh.mapVerts(ch).data(), 12 * T);
        channels[numChannels] = ch;
        channelVerts[numChannels] = uint32_t(count);
        ++numChannels;
    }
    // Switching a channel on gave it one map face per face already.
    for (int i = 0; i < numChannels; ++i) channelFaces[i] = mesh.mapFaces(channels[i]).data();

    if (in.template get<uint32_t>() != layout.mapMarker) return false;

    const size_t recordSize = size_t(FACE_RECORD_BASE) + 12 * size_t(numChannels);
    unsigned char spill[FACE_RECORD_BASE + 12 * MAX_MESHMAPS];
    Face* faces = mesh.faces.data();
    MeshNormalFace* normalFaces = &normals->Face(0);
    for (int32_t f = 0; f < numFaces; ++f) {
        const unsigned char* record = in.take(recordSize);
        if (!record) {
            in.read(spill, recordSize);
            record = spill;
        }
        Face& face = faces[f];
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = word(record + 4 * c);
            if (v >= uint32_t(numVerts)) return false;
            face.v[c] = v;
        }
        MeshNormalFace& normalFace = normalFaces[f];
        for (int c = 0; c < 3; ++c) {
            const uint32_t n = word(record + 12 + 4 * c);
            if (n >= uint32_t(numNormals)) return false;
            normalFace.SetNormalID(c, int(n));
        }
        const unsigned char* at = record + 24;
        for (int i = 0; i < numChannels; ++i, at += 12) {
            TVFace& tf = channelFaces[i][f];
            for (int c = 0; c < 3; ++c) {
                const uint32_t t = word(at + 4 * c);
                if (t >= channelVerts[i]) return false;
                tf.t[c] = t;
            }
        }
        uint16_t materialId;
        std::memcpy(&materialId, at, 2);
        face.smGroup = 0;
        face.flags = (DWORD(materialId) << 16) | DWORD(at[2] & 7u);
    }

    mesh.InvalidateGeomCache();
    mesh.InvalidateTopologyCache();
    if (in.template get<uint32_t>() != layout.endMarker) return false;
    // Whatever follows the end marker is not interpreted, but a compressed
    // stream must still end with a good checksum: a damaged or cut file is
    // refused rather than trusted.
    in.finish();
    return true;
}

} // namespace Nimbal

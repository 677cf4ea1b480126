// Older proxy mesh files, read for conversion to ".nproxy". They carry no
// header and no names, and store positions in scene units.

#include <cstdio>

#include "Proxy/ioFormats/CompressedStream.h"
#include "Proxy/ioFormats/FileFormats.h"
#include "Proxy/ioFormats/MeshBlock.h"

namespace Nimbal {

bool NMeshFormat::read(Mesh& mesh, ProxyFileInfo& info) {
    try {
        info = ProxyFileInfo();
        PlainReader in(fileName, openForReading(fileName));
        return readMeshBlock(in, mesh, NMESH_LAYOUT, 1.0f);
    } catch (const Exception&) {
        return false;
    }
}

bool ZipMeshFormat::read(Mesh& mesh, ProxyFileInfo& info) {
    try {
        info = ProxyFileInfo();
        CompressedReader in(fileName, openForReading(fileName));
        return readMeshBlock(in, mesh, NMESH_LAYOUT, 1.0f);
    } catch (const Exception&) {
        return false;
    }
}

namespace {

enum NBinSection : uint32_t { NBIN_VERTICES = 0, NBIN_NORMALS = 1, NBIN_TEXTURE = 2, NBIN_FACES = 3 };
constexpr uint32_t NBIN_MAX_COUNT = 100000000;
constexpr size_t NBIN_FACE_RECORD = 40;

uint32_t wordAt(const unsigned char* at, int i) {
    uint32_t value;
    std::memcpy(&value, at + 4 * i, 4);
    return value;
}

} // namespace

bool NBinFormat::read(Mesh& mesh, ProxyFileInfo& info) {
    try {
        info = ProxyFileInfo();
        PlainReader in(fileName, openForReading(fileName));
        mesh.FreeAll();
        MeshNormalSpec* normals = mesh.SpecifyNormals();
        bool textured = false;
        for (;;) {
            const uint32_t type = in.get<uint32_t>();
            const uint32_t count = in.get<uint32_t>();
            if (count > NBIN_MAX_COUNT) return false;
            const uint64_t need = uint64_t(count) * (type == NBIN_FACES ? NBIN_FACE_RECORD : 12);
            // A section longer than the rest of the file is refused before it is allocated.
            if (type <= NBIN_FACES && need > in.maxRemaining()) return false;
            switch (type) {
            case NBIN_VERTICES:
                mesh.setNumVerts(int(count));
                if (count > 0) in.read(mesh.verts.data(), need);
                break;
            case NBIN_NORMALS:
                normals->SetNumNormals(int(count));
                if (count > 0) in.read(&normals->Normal(0), need);
                break;
            case NBIN_TEXTURE:
                mesh.setNumTVerts(int(count));
                if (count > 0) in.read(mesh.mapVerts(1).data(), need);
                textured = true;
                break;
            case NBIN_FACES: {
                const int numFaces = int(count);
                mesh.setNumFaces(numFaces);
                if (textured) mesh.setNumTVFaces(numFaces);
                normals->SetNumFaces(numFaces);
                const uint32_t numVerts = uint32_t(mesh.getNumVerts());
                const uint32_t numTVerts = uint32_t(mesh.getNumTVerts());
                const uint32_t numNormals = uint32_t(normals->GetNumNormals());
                Face* faces = mesh.faces.data();
                TVFace* tvFaces = textured ? mesh.mapFaces(1).data() : nullptr;
                unsigned char spill[NBIN_FACE_RECORD];
                for (int f = 0; f < numFaces; ++f) {
                    const unsigned char* record = in.take(NBIN_FACE_RECORD);
                    if (!record) {
                        in.read(spill, NBIN_FACE_RECORD);
                        record = spill;
                    }
                    Face& face = faces[f];
                    for (int c = 0; c < 3; ++c) {
                        face.v[c] = wordAt(record, c);
                        if (face.v[c] >= numVerts) return false;
                    }
                    face.smGroup = 0;
                    face.flags = (wordAt(record, 9) << 16) | EDGE_ALL;
                    if (!textured) continue;
                    for (int c = 0; c < 3; ++c) {
                        tvFaces[f].t[c] = wordAt(record, 3 + c);
                        if (tvFaces[f].t[c] >= numTVerts) return false;
                    }
                    MeshNormalFace& normalFace = normals->Face(f);
                    for (int c = 0; c < 3; ++c) {
                        const uint32_t n = wordAt(record, 6 + c);
                        if (n >= numNormals) return false;
                        normalFace.SetNormalID(c, int(n));
                    }
                }
                // Without texture coordinates the file assigns no normals to
                // corners; the host computes them from the faces.
                if (!textured) normals->CheckNormals();
                mesh.InvalidateGeomCache();
                mesh.InvalidateTopologyCache();
                return true;
            }
            default:
                return false;
            }
        }
    } catch (const Exception&) {
        return false;
    }
}

} // namespace Nimbal

// The ".nproxy" file: 'B', the header length, the header text, then one zlib
// stream with the mesh block. Positions are stored in millimetres.

#include <cstdio>
#include <locale>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "Proxy/ioFormats/CompressedStream.h"
#include "Proxy/ioFormats/FileFormats.h"
#include "Proxy/ioFormats/MeshBlock.h"
#include "host/Interface.h"

namespace Nimbal {

namespace {

std::tm systemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

NProxyFormat::LocalClock localClock = &systemLocalTime;

float millimetresPerUnit() { return float(GetMasterScale(UNITS_MILLIMETERS)); }

// Three numbers as a default-formatted standard stream writes them.
std::string triple(float x, float y, float z) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << x << ' ' << y << ' ' << z;
    return text.str();
}

std::string dateText(const std::tm& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d-%02d-%02d/%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

// True when every corner of every face already names one of the mesh's
// explicit normals, so completing them would change nothing.
bool normalsComplete(const Mesh& mesh) {
    const MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    if (!normals || normals->GetNumFaces() != mesh.getNumFaces()) return false;
    const int count = normals->GetNumNormals();
    for (int f = 0; f < mesh.getNumFaces(); ++f) {
        const MeshNormalFace& face = normals->Face(f);
        for (int c = 0; c < 3; ++c) {
            const int id = face.GetNormalID(c);
            if (!face.GetSpecified(c) || id < 0 || id >= count) return false;
        }
    }
    return true;
}

// A channel is stored with its vertices when it has vertices and one map face
// per face; the reader expects indices exactly for such channels.
bool channelStored(const Mesh& mesh, int ch) {
    return mesh.mapSupport(ch) && mesh.getNumMapVerts(ch) > 0 && mesh.getNumMapFaces(ch) == mesh.getNumFaces();
}

// Whether the file would read back: every index below its count, and no
// channel whose vertices the face records could not refer to.
bool writable(const Mesh& mesh) {
    const uint32_t numVerts = uint32_t(mesh.getNumVerts());
    for (const Face& face : mesh.faces)
        if (face.v[0] >= numVerts || face.v[1] >= numVerts || face.v[2] >= numVerts) return false;
    for (int ch = 0; ch < mesh.getNumMaps(); ++ch) {
        if (!mesh.mapSupport(ch) || mesh.getNumMapVerts(ch) == 0) continue;
        if (!channelStored(mesh, ch)) return false;
        const uint32_t numTVerts = uint32_t(mesh.getNumMapVerts(ch));
        for (const TVFace& tf : mesh.mapFaces(ch))
            if (tf.t[0] >= numTVerts || tf.t[1] >= numTVerts || tf.t[2] >= numTVerts) return false;
    }
    return true;
}

void writeBlock(CompressedWriter& out, const Mesh& mesh, float toMillimetres) {
    const MeshNormalSpec& normals = *mesh.GetSpecifiedNormals();
    const int numFaces = mesh.getNumFaces();
    const int numMaps = mesh.getNumMaps();
    out.put(NPROXY_LAYOUT.magic);
    out.put(uint32_t(mesh.getNumVerts()));
    out.put(uint32_t(normals.GetNumNormals()));
    out.put(uint32_t(numMaps));
    out.put(uint32_t(numFaces));

    // Scaled in small batches so the hand-overs match value-by-value writing.
    float scaled[3 * 1024];
    const Point3* verts = mesh.verts.data();
    for (int done = 0; done < mesh.getNumVerts();) {
        const int batch = std::min(1024, mesh.getNumVerts() - done);
        for (int i = 0; i < batch; ++i) {
            scaled[3 * i + 0] = verts[done + i].x * toMillimetres;
            scaled[3 * i + 1] = verts[done + i].y * toMillimetres;
            scaled[3 * i + 2] = verts[done + i].z * toMillimetres;
        }
        out.writeArray(scaled, 4, 3 * size_t(batch));
        done += batch;
    }
    out.put(NPROXY_LAYOUT.vertexMarker);

    if (normals.GetNumNormals() > 0) out.writeArray(&normals.Normal(0), 4, 3 * size_t(normals.GetNumNormals()));
    out.put(NPROXY_LAYOUT.normalMarker);

    const TVFace* channelFaces[MAX_MESHMAPS];
    int numChannels = 0;
    for (int ch = 0; ch < numMaps; ++ch) {
        if (!channelStored(mesh, ch)) {
            out.put(uint32_t(0));
            continue;
        }
        const std::vector<UVVert>& tverts = mesh.mapVerts(ch);
        out.put(uint32_t(tverts.size()));
        out.writeArray(tverts.data(), 4, 3 * tverts.size());
        channelFaces[numChannels] = mesh.mapFaces(ch).data();
        ++numChannels;
    }
    out.put(NPROXY_LAYOUT.mapMarker);

    const size_t recordSize = size_t(FACE_RECORD_BASE) + 12 * size_t(numChannels);
    unsigned char record[FACE_RECORD_BASE + 12 * MAX_MESHMAPS];
    for (int f = 0; f < numFaces; ++f) {
        const Face& face = mesh.faces[size_t(f)];
        const MeshNormalFace& normalFace = normals.Face(f);
        uint32_t words[6] = {face.v[0], face.v[1], face.v[2], uint32_t(normalFace.GetNormalID(0)),
                             uint32_t(normalFace.GetNormalID(1)), uint32_t(normalFace.GetNormalID(2))};
        unsigned char* at = out.reserve(recordSize);
        const bool direct = at != nullptr;
        if (!direct) at = record;
        std::memcpy(at, words, 24);
        unsigned char* next = at + 24;
        for (int i = 0; i < numChannels; ++i, next += 12) std::memcpy(next, channelFaces[i][f].t, 12);
        const uint16_t materialId = uint16_t(face.flags >> 16);
        std::memcpy(next, &materialId, 2);
        next[2] = uint8_t(face.flags & 7u);
        if (!direct) {
            // Near the buffer's end: field by field, as the hand-over rule wants.
            for (int i = 0; i < 6 + 3 * numChannels; ++i) out.write(record + 4 * i, 4);
            out.write(next, 2);
            out.write(next + 2, 1);
        }
    }
    out.put(NPROXY_LAYOUT.endMarker);
}

} // namespace

NProxyFormat::LocalClock NProxyFormat::setLocalClock(LocalClock clock) {
    LocalClock previous = localClock;
    localClock = clock ? clock : &systemLocalTime;
    return previous;
}

bool NProxyFormat::write(const Mesh& source, const ProxyFileInfo& info) {
    try {
        const Mesh* mesh = &source;
        std::optional<Mesh> completed;
        if (!normalsComplete(source)) {
            completed.emplace(source);
            completed->SpecifyNormals()->CheckNormals();
            mesh = &*completed;
        }
        if (!writable(*mesh)) return false;

        const float toMillimetres = millimetresPerUnit();
        const Box3 box = mesh->getBoundingBox();
        const Point3 extent = box.pmax - box.pmin;
        String header("\n");
        header += "Nimbal Renderer Proxy file.\n";
        header += "This file contains a single static Mesh object.\n";
        header += "This file is BINARY and COMPRESSED.\n";
        header += ("Date created: " + dateText(localClock()) + "\n").c_str();
        header += ("Number of faces: " + std::to_string(mesh->getNumFaces()) + "\n").c_str();
        header += ("Number of vertices: " + std::to_string(mesh->getNumVerts()) + "\n").c_str();
        header += ("Number of mapping channels: " + std::to_string(mesh->getNumMaps()) + "\n").c_str();
        header += ("Number of normals: " + std::to_string(mesh->GetSpecifiedNormals()->GetNumNormals()) + "\n").c_str();
        header += ("Bounding box size (original units) : " + triple(extent.x, extent.y, extent.z) + "\n").c_str();
        header += ("Bounding box size (millimeters) : " +
                   triple(extent.x * toMillimetres, extent.y * toMillimetres, extent.z * toMillimetres) + "\n")
                      .c_str();
        header += "Original material name: ";
        header += info.originalMaterialName;
        header += "\nOriginal object name: ";
        header += info.originalObjectName;
        header += "\n\n";

        const int32_t length = header.length();
        std::string lead(5 + size_t(length), '\0');
        lead[0] = 'B';
        std::memcpy(&lead[1], &length, 4);
        std::memcpy(&lead[5], header.c_str(), size_t(length));

        PendingFile pending(fileName);
        if (std::fwrite(lead.data(), 1, lead.size(), pending.file()) != lead.size()) throw FileError(fileName);
        CompressedWriter out(fileName, pending.release());
        writeBlock(out, *mesh, toMillimetres);
        out.close();
        pending.commit();
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool NProxyFormat::read(Mesh& mesh, ProxyFileInfo& info) {
    try {
        info = ProxyFileInfo();
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openForReading(fileName), &std::fclose);
        unsigned char lead[5];
        if (std::fread(lead, 1, 5, file.get()) != 5) throw FileError(fileName);
        int32_t length;
        std::memcpy(&length, lead + 1, 4);
        if (lead[0] != 'B' || length < 0) return false;
        // A header longer than the file is refused before it is allocated.
        if (uint64_t(length) > fileBytesLeft(file.get())) return false;

        std::string text(size_t(length), '\0');
        if (std::fread(text.data(), 1, text.size(), file.get()) != text.size()) throw FileError(fileName);
        const String header(text.c_str());  // up to a stray NUL, as a C string
        static const String materialPrefix("Original material name: ");
        static const String objectPrefix("Original object name: ");
        const char16_t* chars = header.c_wstr();
        auto startsWith = [&](int32_t at, int32_t end, const String& prefix) {
            if (end - at < prefix.length()) return false;
            for (int32_t i = 0; i < prefix.length(); ++i)
                if (chars[at + i] != prefix[i]) return false;
            return true;
        };
        for (int32_t at = 0; at <= header.length();) {
            int32_t end = at;
            while (end < header.length() && chars[end] != u'\n') ++end;
            if (startsWith(at, end, materialPrefix))
                info.originalMaterialName = String(chars + at + 24, end - at - 24);
            else if (startsWith(at, end, objectPrefix))
                info.originalObjectName = String(chars + at + 22, end - at - 22);
            at = end + 1;
        }

        CompressedReader in(fileName, file.release());
        return readMeshBlock(in, mesh, NPROXY_LAYOUT, 1.0f / millimetresPerUnit());
    } catch (const Exception&) {
        return false;
    }
}

} // namespace Nimbal

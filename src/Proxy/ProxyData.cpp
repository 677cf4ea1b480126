#include <ctime>
#include <limits>
#include <memory>
#include <new>

#include "Proxy/Proxy.h"
#include "core-interface/Debug.h"

namespace Nimbal {

namespace {

// The host's asset system writes this for "no file".
const char16_t NULL_ASSET_ID[] = u"{00000000-0000-0000-0000-000000000000}";

// Every file reader in the library; a format never leaks a file error, and a
// file too large for memory is a file that cannot be read, not a crash.
bool readWith(const String& path, Mesh& mesh, ProxyFileInfo& info) {
    std::unique_ptr<Abstract::FileFormat> format(formatForFile(path));
    try {
        return format->read(mesh, info);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void emptyBox(Point3& boxMin, Point3& boxMax) {
    const float big = std::numeric_limits<float>::max();
    boxMin = Point3(big, big, big);
    boxMax = Point3(-big, -big, -big);
}

}  // namespace

String groupThousands(int64_t value) {
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char digits[32];
    int n = 0;
    do {
        if (n % 4 == 3) digits[n++] = ',';
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    String text;
    if (negative) text.append('-');
    while (n > 0) text.append(digits[--n]);
    return text;
}

void ProxyData::reset() {
    status = PROXY_NONE;
    vertexCount = 0;
    faceCount = 0;
    emptyBox(boxMin, boxMax);
    mesh = Mesh();  // gives the memory back, unlike FreeAll
    info = ProxyFileInfo();
    resolvedPath = String();
    fileName = String();
    cacheInRam = true;
}

void ProxyData::load(const String& name, bool keepInRam) {
    reset();
    cacheInRam = keepInRam;
    fileName = name;
    if (name.isEmpty() || name == String(NULL_ASSET_ID)) return;

    MSTR path(name.c_wstr());
    if (!GetCOREInterface()->GetFullFilePath(path, 7) || path.empty()) {
        status = PROXY_NOT_FOUND;
        return;
    }
    resolvedPath = String(path.c_str());

    if (!readWith(resolvedPath, mesh, info)) {
        DEBUG_PRINT(String("Error loading proxy: ") + name);
        mesh = Mesh();
        info = ProxyFileInfo();
        status = PROXY_PARSE_ERROR;
        return;
    }
    vertexCount = mesh.getNumVerts();
    faceCount = mesh.getNumFaces();
    const Box3 box = mesh.getBoundingBox();
    boxMin = box.pmin;
    boxMax = box.pmax;
    if (cacheInRam) {
        status = PROXY_IN_RAM;
    } else {
        mesh = Mesh();
        status = PROXY_ON_DISK;
    }
}

bool ProxyData::readMesh(Mesh& target) const {
    ProxyFileInfo ignored;
    const std::clock_t start = std::clock();
    const bool ok = readWith(resolvedPath, target, ignored);
    DEBUG_PRINT(String("loadMesh() took ") + static_cast<int>(std::clock() - start));
    if (!ok) DEBUG_PRINT(String("Error loading proxy: ") + fileName);
    return ok;
}

String ProxyData::statusText() const {
    switch (status) {
    case PROXY_NONE: return String("[No proxy loaded]");
    case PROXY_NOT_FOUND: return String("[ERROR] Cannot find file '") + fileName + "'.";
    case PROXY_PARSE_ERROR: return String("[ERROR] Cannot parse file '") + fileName + "'.";
    case PROXY_ON_DISK: return String("Proxy unloaded from RAM: '") + fileName + "'.";
    case PROXY_IN_RAM:
        return String("Proxy loaded: '") + fileName + "'\nVertices: " + groupThousands(vertexCount) +
               ",\nFaces: " + groupThousands(faceCount) + ".";
    }
    NIMBAL_STOP();
}

}  // namespace Nimbal

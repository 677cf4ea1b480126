// Reading a user's general mesh file (OBJ, PLY, STL, glTF, ...) into the
// host's triangle mesh, the way an import plug-in of the host would.
#pragma once

#include <string>
#include <vector>

#include "host/Mesh.h"

namespace cli {

// What the import found, besides the mesh.
struct ImportedMesh {
    Mesh mesh;
    // Materials in material-id order; "" for faces the file gives none.
    std::vector<std::string> materials;
    // Counts as the import library reported them, before welding.
    int sourceMeshes = 0;
    long long sourceVertices = 0;
    // Points and lines dropped: a proxy holds triangles only.
    long long droppedPrimitives = 0;
    bool hasNormals = false;  // explicit normals on every face
    bool hasUVs = false;      // texture coordinates on some faces (map channel 1)
};

// Reads `path`. Positions are taken as written, in scene units, and shared
// between faces where they are equal; so are normals and texture coordinates.
// Polygons become triangles. False with `error` when the file cannot be read
// or holds no triangle.
bool ImportMeshFile(const std::string& path, ImportedMesh& out, std::string& error);

// The name a scene object made from `materials` carries: the one material's
// name, or the names in id order joined by ", "; empty when none has one.
std::string MaterialNameOf(const std::vector<std::string>& materials);

}  // namespace cli

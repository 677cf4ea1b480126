#include "MeshImport.h"

#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <array>
#include <assimp/Importer.hpp>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>

namespace cli {
namespace {

// Equal values by bits, with -0 taken as 0 so that a seam written once as -0
// does not split a vertex.
struct Key {
    uint32_t bits[3];
    bool operator==(const Key&) const = default;
};

struct KeyHash {
    size_t operator()(const Key& k) const {
        uint64_t h = 0xcbf29ce484222325ull;
        for (uint32_t b : k.bits) h = (h ^ b) * 0x100000001b3ull;
        return static_cast<size_t>(h);
    }
};

Key KeyOf(float x, float y, float z) {
    Key k;
    const float v[3] = {x + 0.0f, y + 0.0f, z + 0.0f};
    std::memcpy(k.bits, v, sizeof v);
    return k;
}

// Gives equal values one index, in order of first appearance.
class Welder {
public:
    DWORD Add(float x, float y, float z) {
        auto [it, inserted] = index_.try_emplace(KeyOf(x, y, z), static_cast<DWORD>(values_.size()));
        if (inserted) values_.emplace_back(x, y, z);
        return it->second;
    }
    const std::vector<Point3>& Values() const { return values_; }

private:
    std::unordered_map<Key, DWORD, KeyHash> index_;
    std::vector<Point3> values_;
};

bool IsDefaultMaterial(const aiMaterial* m) {
    if (!m) return true;
    const aiString name = m->GetName();
    return name.length == 0 || std::strcmp(name.C_Str(), AI_DEFAULT_MATERIAL_NAME) == 0;
}

}  // namespace

std::string MaterialNameOf(const std::vector<std::string>& materials) {
    bool any = false;
    for (const std::string& m : materials) any = any || !m.empty();
    if (!any) return {};
    std::string joined;
    for (const std::string& m : materials) {
        if (!joined.empty()) joined += ", ";
        joined += m.empty() ? "[none]" : m;
    }
    return joined;
}

bool ImportMeshFile(const std::string& path, ImportedMesh& out, std::string& error) {
    Assimp::Importer importer;
    // A proxy is triangles: points and lines are dropped by the import itself.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // One object in object space: the file's node transforms are applied.
    const unsigned flags = aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_PreTransformVertices |
                           aiProcess_ValidateDataStructure;
    const aiScene* scene = importer.ReadFile(path, flags);
    if (!scene) {
        error = importer.GetErrorString();
        if (error.empty()) error = "not a mesh file the importer knows";
        return false;
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) {
        error = "the file holds no complete scene";
        return false;
    }

    // Material ids in the order of the file's materials, counting only those
    // some triangle uses.
    std::map<unsigned, MtlID> materialIds;
    long long triangles = 0;
    bool allNormals = true;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        long long meshTriangles = 0;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            if (mesh->mFaces[f].mNumIndices == 3) ++meshTriangles;
            else ++out.droppedPrimitives;
        }
        if (meshTriangles == 0) continue;
        triangles += meshTriangles;
        out.sourceVertices += mesh->mNumVertices;
        ++out.sourceMeshes;
        materialIds.emplace(mesh->mMaterialIndex, 0);
        allNormals = allNormals && mesh->HasNormals();
        out.hasUVs = out.hasUVs || mesh->HasTextureCoords(0);
    }
    if (triangles == 0) {
        error = "the file holds no triangles";
        return false;
    }
    if (triangles > std::numeric_limits<int>::max()) {
        error = "too many triangles for one mesh";
        return false;
    }
    MtlID next = 0;
    for (auto& [index, id] : materialIds) {
        id = next++;
        const aiMaterial* material = index < scene->mNumMaterials ? scene->mMaterials[index] : nullptr;
        out.materials.push_back(IsDefaultMaterial(material) ? std::string() : std::string(material->GetName().C_Str()));
    }
    out.hasNormals = allNormals;

    Welder positions, normals, uvs;
    struct Corner {
        DWORD v, n, t;
    };
    std::vector<std::array<Corner, 3>> corners;
    std::vector<MtlID> faceMaterial;
    std::vector<bool> faceHasNormals;
    corners.reserve(static_cast<size_t>(triangles));
    faceMaterial.reserve(static_cast<size_t>(triangles));
    faceHasNormals.reserve(static_cast<size_t>(triangles));
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        const auto found = materialIds.find(mesh->mMaterialIndex);
        if (found == materialIds.end()) continue;
        const bool withNormals = mesh->HasNormals();
        const bool withUVs = mesh->HasTextureCoords(0);
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3) continue;
            std::array<Corner, 3> c{};
            for (int k = 0; k < 3; ++k) {
                const unsigned i = face.mIndices[k];
                const aiVector3D& p = mesh->mVertices[i];
                c[k].v = positions.Add(p.x, p.y, p.z);
                if (withNormals) {
                    const aiVector3D& n = mesh->mNormals[i];
                    c[k].n = normals.Add(n.x, n.y, n.z);
                }
                // Faces of a part without coordinates share one at the origin.
                const aiVector3D uv = withUVs ? mesh->mTextureCoords[0][i] : aiVector3D(0.0f, 0.0f, 0.0f);
                if (out.hasUVs) c[k].t = uvs.Add(uv.x, uv.y, uv.z);
            }
            corners.push_back(c);
            faceMaterial.push_back(found->second);
            faceHasNormals.push_back(withNormals);
        }
    }

    Mesh& mesh = out.mesh;
    const int numFaces = static_cast<int>(corners.size());
    mesh.setNumVerts(static_cast<int>(positions.Values().size()));
    mesh.verts = positions.Values();
    mesh.setNumFaces(numFaces);
    for (int f = 0; f < numFaces; ++f) {
        Face& face = mesh.faces[static_cast<size_t>(f)];
        face.setVerts(corners[f][0].v, corners[f][1].v, corners[f][2].v);
        // The file's normals carry the shading where it has them; elsewhere
        // the host smooths across shared vertices.
        face.setSmGroup(1);
        face.setMatID(faceMaterial[f]);
        face.setEdgeVisFlags(true, true, true);
    }
    if (out.hasUVs) {
        mesh.setNumMaps(2);
        mesh.setMapSupport(1, true);
        mesh.setNumMapVerts(1, static_cast<int>(uvs.Values().size()));
        mesh.mapVerts(1) = uvs.Values();
        mesh.setNumMapFaces(1, numFaces);
        std::vector<TVFace>& tf = mesh.mapFaces(1);
        for (int f = 0; f < numFaces; ++f) tf[f].setTVerts(corners[f][0].t, corners[f][1].t, corners[f][2].t);
    }
    if (!normals.Values().empty()) {
        MeshNormalSpec* normalSet = mesh.SpecifyNormals();
        normalSet->SetNumNormals(static_cast<int>(normals.Values().size()));
        for (int i = 0; i < normalSet->GetNumNormals(); ++i) normalSet->Normal(i) = normals.Values()[static_cast<size_t>(i)];
        normalSet->SetNumFaces(numFaces);
        for (int f = 0; f < numFaces; ++f) {
            if (!faceHasNormals[f]) continue;
            for (int k = 0; k < 3; ++k) normalSet->Face(f).SpecifyNormalID(k, static_cast<int>(corners[f][k].n));
        }
    }
    mesh.InvalidateGeomCache();
    mesh.InvalidateTopologyCache();
    return true;
}

}  // namespace cli

#pragma once

// The scatter's distribution engine: from the scatter's parameters and the
// scene nodes it names, the list of instances (which scattered object, where,
// and the random numbers its transform is built from), and each instance's
// transform on demand. Layouts are stored-data contracts: the same scene and
// seed give the same instances, bit for bit.
//
// How the scatter object drives it
// --------------------------------
// The object owns one ScatterDistribution (the context) and regenerates it
// whole whenever it is dirty or asked for another time t:
//
//     ScatterDistribution::Pass pass = distribution.regenerate(pblock, t, legacy, dirty);
//
// which is, step by step (call them yourself if you need to act in between):
//
//     DistributionInputs inputs = DistributionInputs::read(pblock, t);   // tables 101..108 at t
//     if (distribution.gather(inputs, t)) {      // false: a node table is empty; nothing was built
//         dirty = false;                          // before the maps are prepared: a map that
//         distribution.prepareMaps();             //   reports a change while preparing leaves it set
//         distribution.generate(ScatterSettings::read(pblock, t, legacy));
//     }
//
// regenerate() reports whether the lists were built (pass.gathered) and how
// generation ended (pass.outcome): Generated; NoInput for empty or
// zero-weight inputs, which logs nothing; or OutOfMemory when the count's
// instances cannot be held, which is logged and leaves the instance list
// empty (a command-line tool reports it; setMemoryLimit caps the list's
// memory below what the allocator would grant). generate() may run again on
// the same lists with other settings; any scene change needs gather() first.
//
// Reading the result: numInstances(), instance(i), instanceNode(i) (the
// scattered node, null when i is out of range) and instanceTm(i, settings)
// (i must be an instance: out of range raises the internal assertion).
// Transforms are not stored: instanceTm takes the settings to use, so a
// fresh snapshot (ScatterSettings::read) changes them without regenerating;
// settings() is the snapshot the last generation used. scatteredObjects()
// gives each scattered object's box (Box, Wire box and bounding boxes) and
// node (Full preview); ScatterInstance::objectIndex indexes it.
//
// Nothing here keeps references: the node and map pointers in the lists are
// valid while the scene is unchanged, which the object's dirty flag tracks.

#include <cstdint>

#include "Scatter/BoxIndex.h"
#include "Scatter/DensityTable.h"
#include "Scatter/RandomGenerators.h"
#include "core-interface/Stack.h"
#include "core-interface/Values.h"
#include "host/Max.h"

namespace Nimbal {

// Parameter ids of the scatter's block that the engine reads.
enum ScatterParam : ParamID {
    scatter_distributionObjects = 101,
    scatter_distributionObjectsDensity = 102,
    scatter_scatteredObjects = 103,
    scatter_scatteredObjectsFrequency = 104,
    scatter_densityMap = 105,
    scatter_scaleMapX = 106,
    scatter_scaleMapY = 107,
    scatter_scaleMapZ = 108,
    scatter_count = 201,
    scatter_seed = 202,
    scatter_randomType = 203,
    scatter_scatterType = 204,
    scatter_collisionDetect = 205,
    scatter_alignNormals = 321,
    scatter_previzType = 401,
    scatter_displayedFraction = 402,
    scatter_translateMin = 405,
    scatter_translateMax = 406,
    scatter_rotateMin = 407,
    scatter_rotateMax = 408,
    scatter_scaleMin = 409,
    scatter_scaleMax = 410,
    scatter_uniformScaling = 411,
    scatter_lastRenderCamera = 412,
};

// Values of scatterType.
constexpr int32_t SCATTER_ON_SURFACES = 66;
constexpr int32_t SCATTER_IN_BOUNDING_BOX = 67;

// The parameters of one generation, read at one time.
struct ScatterSettings {
    int32_t count = 0;
    int32_t randomType = 1;
    int32_t seed = 1;
    int32_t scatterType = SCATTER_ON_SURFACES;
    float displayedFraction = 1.f;  // 0..1
    int32_t previzType = 3;
    Dir translateMin, translateRange;
    Dir rotateMin, rotateRange;  // radians
    Dir scaleMin{1.f, 1.f, 1.f}, scaleRange;  // factors
    bool alignNormals = true;
    bool collisionDetect = false;
    bool uniformScale = true;
    Pos lastRenderCamera;  // NaN when never set
    bool legacy = false;

    // The block's values at t. With uniform scaling the y and z of scaleMin
    // and scaleRange are those of x.
    static ScatterSettings read(IParamBlock2* pb, TimeValue t, bool legacy);
    // Applies the uniform-scaling rule to scaleMin and scaleRange.
    void applyUniformScale();
};

// One usable distribution node, for scattering inside its box.
struct DistributionObject {
    Pos bboxMin, bboxMax;  // object space
    AffineTm tm;           // object space to world
    float volumeWeight = 0.f;
    float cumulativeVolume = 0.f;
};

// One face of a distribution mesh, in world space.
struct DistributionTriangle {
    Pos p0, p1, p2;
    Dir n0, n1, n2;
    Pos uvw0, uvw1, uvw2;
    float weight = 0.f;
    float cumulativeWeight = 0.f;
    Texmap* densityMap = nullptr;
    Texmap* scaleMap[3] = {nullptr, nullptr, nullptr};
    DensityTable density;
};

// One usable scattered node.
struct ScatteredObject {
    Pos bboxMin, bboxMax;  // in the object's own space
    AffineTm baseTm;
    INode* node = nullptr;
    float frequency = 0.f;
    float cumulativeFrequency = 0.f;
};

struct ScatterInstance {
    int32_t objectIndex = 0;
    Pos position;
    Dir normal;
    Dir scaleMapFactor{1.f, 1.f, 1.f};
    float displayRandom = 0.f;
    Dir translateRandom, rotateRandom, scaleRandom;
};

// A point of a triangle's surface from a parameter pair in [0, 1)^2.
struct SurfacePoint {
    Pos position;
    Dir normal;
    Pos uvw;
};
SurfacePoint surfacePoint(const DistributionTriangle& tri, float a, float b);

// The orthonormal frame around a unit normal: local X to b, Y to a, Z to n,
// with the helper axis X when |n.z| > 0.999 and Z otherwise.
AffineTm frameFromNormal(const Dir& n);

// Index of the first record whose cumulative value is strictly greater than
// target (ties go to the later record, zero-weight records are never picked).
// A target at or beyond the total (possible only when the sums overflowed)
// gives the last record that has weight. `count` must be positive.
int32_t pickCumulative(const float* cumulative, int32_t count, float target);

// The same pick over a long list, through a static tree of blocks of BLOCK
// values: each level above the list holds the last value of every block of
// the level below, so that a pick reads one block (one cache line) per level
// and the upper levels stay in the cache.
class CumulativeSearch {
public:
    static constexpr int32_t BLOCK = 16;

    // The values must stay alive and unchanged while the search is used.
    void build(const float* cumulative, int32_t count);
    // As pickCumulative on the values given to build.
    int32_t pick(float target) const;
    // Up to 64 picks at once, level by level, so that the memory reads of
    // all of them overlap instead of waiting for one another.
    void pick(const float* targets, int32_t* found, int32_t n) const;

private:
    struct Level {
        const float* values;
        int32_t count;
    };
    Level levels_[8] = {};  // levels_[0] is the list; 16^8 blocks cover any int32 count
    int32_t numLevels_ = 0;
    int32_t lastWeighted_ = 0;
    Stack<float> upper_;  // the levels above the list, one after another
};

// What the scatter reads from its node tables and map slots at a time.
struct DistributionInputs {
    struct Entry {
        INode* node = nullptr;
        float weight = 1.f;  // relative density or frequency
    };
    Stack<Entry> distribution;  // distributionObjects with their densities
    Stack<Entry> scattered;     // scatteredObjects with their frequencies
    Texmap* densityMap = nullptr;
    Texmap* scaleMap[3] = {nullptr, nullptr, nullptr};

    static DistributionInputs read(IParamBlock2* pb, TimeValue t);
};

class ScatterDistribution {
public:
    enum class Outcome {
        Generated,   // the list holds the instances (possibly none)
        NoInput,     // empty, zero-weight or zero-volume inputs: empty list
        OutOfMemory  // the instances would not fit: empty list, logged
    };
    struct Pass {
        bool gathered = false;  // both node tables had entries
        Outcome outcome = Outcome::NoInput;
    };

    ScatterDistribution() = default;
    ScatterDistribution(const ScatterDistribution&) = delete;
    ScatterDistribution& operator=(const ScatterDistribution&) = delete;

    // Gathering, map preparation and generation at t, clearing `dirty` once
    // the lists are built.
    Pass regenerate(IParamBlock2* pb, TimeValue t, bool legacy, bool& dirty);

    // Reads the nodes into the lists (all four are cleared first). False, with
    // the lists empty, when either table has no entries.
    bool gather(const DistributionInputs& inputs, TimeValue t);
    // Updates the assigned maps for evaluation at the host's current time.
    void prepareMaps();
    // Draws the instances from the gathered lists.
    Outcome generate(const ScatterSettings& settings);

    int32_t numInstances() const noexcept { return instances_.size(); }
    const ScatterInstance& instance(int32_t i) const { return instances_[i]; }
    // Null when i is not an instance.
    INode* instanceNode(int32_t i) const;
    AffineTm instanceTm(int32_t i, const ScatterSettings& settings) const;
    AffineTm instanceTm(const ScatterInstance& inst, const ScatterSettings& settings) const;

    const Stack<DistributionObject>& distributionObjects() const noexcept { return objects_; }
    const Stack<DistributionTriangle>& triangles() const noexcept { return triangles_; }
    const Stack<ScatteredObject>& scatteredObjects() const noexcept { return scattered_; }
    const Stack<ScatterInstance>& instances() const noexcept { return instances_; }
    const ScatterSettings& settings() const noexcept { return settings_; }

    // The most memory the instance list may take, in bytes; a count beyond it
    // fails as if the allocation had. No limit but the allocator's by default.
    void setMemoryLimit(uint64_t bytes) noexcept { memoryLimit_ = bytes; }
    uint64_t memoryLimit() const noexcept { return memoryLimit_; }

    void clear() noexcept;

private:
    void addMesh(Mesh& mesh, const AffineTm& tm, float density, const DistributionInputs& inputs);
    bool buildDensityTables(const ScatterSettings& settings);
    void drawInstances(const ScatterSettings& settings, Abstract::ScatterRandom& source);

    Stack<DistributionObject> objects_;
    Stack<DistributionTriangle> triangles_;
    Stack<ScatteredObject> scattered_;
    Stack<ScatterInstance> instances_;
    ScatterSettings settings_;
    // Triangle weights as gathered, before a density map scaled them.
    Stack<float> gatheredWeights_;

    // The collision index of the last pass. It is emptied at the start of
    // each pass and keeps its storage, so that regenerating does not ask the
    // system for fresh memory each time.
    BoxIndex boxes_;

    // The maps gathering found assigned, for prepareMaps.
    Texmap* maps_[4] = {nullptr, nullptr, nullptr, nullptr};
    uint64_t memoryLimit_ = UINT64_MAX;
    bool densityMaps_ = false;  // some triangle has a density map, as of the last tables built
};

} // namespace Nimbal

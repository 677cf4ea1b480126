// A picture of what viewports' graphics windows recorded, seen from
// straight above: an orthographic view down the world's z axis, x to the
// right and y up, fitted to everything drawn.
#pragma once

#include <string>
#include <vector>

#include "host/Max.h"

namespace cli {

class TopViewPicture {
public:
    // The records must stay as they are (and the meshes they name alive)
    // until the picture is written. Meshes are drawn as their visible edges
    // when `meshesAsWires` is set (a wireframe viewport), shaded otherwise.
    void Add(const std::vector<DrawRecord>& records, bool meshesAsWires);
    void SetBackground(const Point3& rgb) { background_ = rgb; }

    struct Size {
        int width = 0, height = 0;
    };
    // Writes an 8-bit RGB PNG whose longer side is `longSide` pixels (up to
    // 4096); a Failure when it cannot be written.
    Size WritePng(const std::string& path, int longSide) const;

private:
    struct Layer {
        const std::vector<DrawRecord>* records;
        bool wires;
    };
    std::vector<Layer> layers_;
    Point3 background_{0.16f, 0.17f, 0.19f};
};

}  // namespace cli

#pragma once

#include "host/Max.h"

namespace Nimbal {

class Scatter;

// Converts the values of a block saved by an older version, once the whole
// scene is loaded, then deletes itself.
class ScatterPostLoad : public PostLoadCallback {
public:
    explicit ScatterPostLoad(Scatter* scatter) : scatter_(scatter) {}
    void proc(ILoad* iload) override;
    void Abandon() override;
    // The scatter goes before the scene is done loading.
    void forget() { scatter_ = nullptr; }

private:
    Scatter* scatter_;
};

}  // namespace Nimbal

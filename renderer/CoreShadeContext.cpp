#include "CoreShadeContext.h"

namespace Nimbal {

Dir CoreShadeContext::dUVW(int channel) const {
    if (channel >= 0 && static_cast<size_t>(channel) < duvw.size()) return duvw[static_cast<size_t>(channel)];
    return duvwDefault;
}

Rgb CoreShadeContext::inverseColorMapping(const Rgb& color) const {
    Rgb out = color;
    for (int i = 0; i < 3; ++i)
        if (colorMappingGain[i] != 0.f) out[i] = color[i] / colorMappingGain[i];
    return out;
}

Vector2 CoreShadeContext::random2D() {
    if (nextPair_ < randomPairs.size()) return randomPairs[nextPair_++];
    // xorshift64*: the top 24 bits of each draw make a float in [0, 1).
    auto draw = [this] {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return static_cast<float>((state_ * 0x2545F4914F6CDD1Dull) >> 40) / 16777216.f;
    };
    const float u = draw();
    return Vector2(u, draw());
}

WideRGB CoreShadeContext::traceShadow(const Pos& target, int flags) {
    tracedTargets.push_back(target);
    tracedFlags.push_back(flags);
    return shadowTransmission;
}

} // namespace Nimbal

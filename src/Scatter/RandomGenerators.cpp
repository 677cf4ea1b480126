#include "Scatter/RandomGenerators.h"

#include <bit>

#include "core-interface/Exception.h"

namespace Nimbal {

namespace {

// Bob Jenkins' 96-bit mix from lookup2; only the final c is kept.
uint32_t jenkinsMix(uint32_t a, uint32_t b, uint32_t c) noexcept {
    a -= b; a -= c; a ^= (c >> 13);
    b -= c; b -= a; b ^= (a << 8);
    c -= a; c -= b; c ^= (b >> 13);
    a -= b; a -= c; a ^= (c >> 12);
    b -= c; b -= a; b ^= (a << 16);
    c -= a; c -= b; c ^= (b >> 5);
    a -= b; a -= c; a ^= (c >> 3);
    b -= c; b -= a; b ^= (a << 10);
    c -= a; c -= b; c ^= (b >> 15);
    return c;
}

// Fixed whitening words and TEA key of seedXorshift64Star. Any fixed values
// work; changing them changes every stored layout, so they never change.
// (The first eight words of the SHA-256 initial hash: nothing up the sleeve.)
// With these, no 32-bit value leads to the all-zero state, where xorshift
// would stay forever: the one pair TEA maps to zero is not a whitened value.
constexpr uint32_t WHITEN_1 = 0x6A09E667u;
constexpr uint32_t WHITEN_2 = 0xBB67AE85u;
constexpr uint32_t TEA_KEY[4] = {0x3C6EF372u, 0xA54FF53Au, 0x510E527Fu, 0x9B05688Cu};
constexpr uint32_t TEA_DELTA = 0x9E3779B9u;
constexpr int TEA_CYCLES = 6;

uint64_t xorshift64Shifts(uint64_t s) noexcept {
    s ^= s >> 12;
    s ^= s << 25;
    s ^= s >> 27;
    return s;
}

// 1 - 2^-24, the largest float below 1.
constexpr float BELOW_ONE = 0x1.fffffep-1f;

} // namespace

float unitFloat(uint32_t r) noexcept {
    return std::bit_cast<float>((r >> 9) | 0x3F800000u) - 1.0f;
}

uint32_t Xorshift128::next() noexcept {
    const uint32_t t = x ^ (x << 11);
    x = y;
    y = z;
    z = w;
    w = w ^ (w >> 19) ^ t ^ (t >> 8);
    return w;
}

Xorshift128 seedXorshift128(uint32_t seed) noexcept {
    Xorshift128 g;
    g.x = jenkinsMix(seed >> 16, seed & 0xFFFFu, 0x9E3779B9u);
    g.y = jenkinsMix(seed >> 8, g.x, 0x12345678u);
    g.z = jenkinsMix(seed, g.y, seed + 0x561BD2u);
    g.w = jenkinsMix(0x87654321u, g.x, g.z);
    for (int i = 0; i < 20; ++i) g.next();
    return g;
}

uint32_t Xorshift64Star::next() noexcept {
    state = xorshift64Shifts(state);
    return uint32_t(state * 0x2545F4914F6CDD1Dull);
}

uint64_t seedXorshift64Star(uint32_t value) noexcept {
    uint32_t a = value ^ WHITEN_1;
    uint32_t b = (value >> 16) ^ value ^ WHITEN_2;
    uint32_t sum = 0;
    for (int cycle = 0; cycle < TEA_CYCLES; ++cycle) {
        sum += TEA_DELTA;
        a += ((b << 4) + TEA_KEY[0]) ^ (b + sum) ^ ((b >> 5) + TEA_KEY[1]);
        b += ((a << 4) + TEA_KEY[2]) ^ (a + sum) ^ ((a >> 5) + TEA_KEY[3]);
    }
    uint64_t s = (uint64_t(a) << 32) | b;
    for (int i = 0; i < 4; ++i) s = xorshift64Shifts(s);
    return s;
}

PrngGenerator::PrngGenerator() noexcept : state_(seedXorshift128(0)) {}

void PrngGenerator::seed(int32_t seed) { state_ = seedXorshift128(uint32_t(seed)); }

void PrngGenerator::getSample(float out[5]) {
    for (int k = 0; k < 5; ++k) out[k] = state_.nextUnit();
}

HaltonGenerator::HaltonGenerator(bool scramble) noexcept
    : dims_{{2, 1, 0.5f}, {2, 1, 0.5f}, {2, 1, 0.5f}, {2, 1, 0.5f}, {2, 1, 0.5f}},
      scramble_(scramble),
      scrambleState_(seedXorshift64Star(0)) {}

int HaltonGenerator::checkedDimension(int k) {
    NIMBAL_ASSERT(k >= 0 && k < 5);
    return k;
}

void HaltonGenerator::seed(int32_t seed) {
    Xorshift128 g = seedXorshift128(uint32_t(seed));
    g.next();
    g.next();
    g.next();
    const float u = g.nextUnit();
    const int32_t start = int32_t(double(u) * 100000.0) + 1;
    static constexpr int32_t BASES[5] = {2, 3, 5, 7, 11};
    for (int k = 0; k < 5; ++k) {
        dims_[k].base = BASES[k];
        dims_[k].index = start;
        dims_[k].invBase = 1.0f / float(BASES[k]);
    }
    scrambleState_ = seedXorshift64Star(g.next());
}

void HaltonGenerator::getSample(float out[5]) {
    for (int k = 0; k < 5; ++k) {
        Dimension& d = dims_[k];
        // Unsigned so that the index wraps instead of overflowing; every index
        // a scatter reaches in practice is below 2^31, where both agree.
        uint32_t i = uint32_t(d.index);
        d.index = int32_t(i + 1u);
        const uint32_t base = d.base > 1 ? uint32_t(d.base) : 2u;
        float r = 0.0f;
        float f = d.invBase;
        while (i != 0) {
            const uint32_t digit = i % base;
            i /= base;
            r += float(digit) * f;
            f *= d.invBase;
        }
        // Rounding can carry a long run of top digits (index 2^25 - 1 in base 2)
        // up to exactly 1, which would step past the end of a cumulative list.
        out[k] = r < 1.0f ? r : BELOW_ONE;
    }
    if (scramble_) {
        Xorshift64Star g(scrambleState_);
        out[3] = g.nextUnit();
        scrambleState_ = g.state;
    }
}

Abstract::ScatterRandom* createScatterRandom(int type, bool legacy) {
    switch (type) {
    case 0: return new PrngGenerator();
    case 1: return new HaltonGenerator(!legacy);
    default: NIMBAL_STOP();
    }
}

} // namespace Nimbal

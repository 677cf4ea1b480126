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

constexpr int32_t HALTON_BASES[5] = {2, 3, 5, 7, 11};

// The radical inverse of i digit by digit, lowest digit (largest term) first,
// in single precision. Every faster path must give these bits.
float plainRadicalInverse(uint32_t i, int32_t base, float invBase) noexcept {
    const uint32_t b = base > 1 ? uint32_t(base) : 2u;
    float r = 0.0f;
    float f = invBase;
    while (i != 0) {
        const uint32_t digit = i % b;
        i /= b;
        r += float(digit) * f;
        f *= invBase;
    }
    return r;
}

uint32_t reverseBits(uint32_t v) noexcept {
    v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
    v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
    v = ((v >> 4) & 0x0F0F0F0Fu) | ((v & 0x0F0F0F0Fu) << 4);
    v = ((v >> 8) & 0x00FF00FFu) | ((v & 0x00FF00FFu) << 8);
    return (v >> 16) | (v << 16);
}

} // namespace

// For one of the five bases with the inverse that seed() gives it: the sums
// of the lowest `lowDigits` digits of every index below base^lowDigits, and
// the term of each digit at each position. Both come from the operations of
// plainRadicalInverse in its order, so a sum continued from them is its sum.
// Leading zero digits, which plainRadicalInverse never reaches, add +0 to a
// non-negative sum and change nothing.
struct HaltonGenerator::Digits {
    int32_t base = 0;
    float invBase = 0.f;
    int32_t lowDigits = 0;
    uint32_t lowCount = 0;
    const float* low = nullptr;
    float term[32][11] = {};  // float(digit) * invBase^(position + 1), the power by repeated products

    // Null for a base or inverse seed() does not set.
    static const Digits* forBase(int32_t base, float invBase) noexcept;
};

const HaltonGenerator::Digits* HaltonGenerator::Digits::forBase(int32_t base, float invBase) noexcept {
    // About 4000 sums per base, 45 KB in all, read in order as the index
    // counts up.
    static constexpr int32_t LOW_DIGITS[5] = {12, 7, 5, 4, 3};
    struct Tables {
        Digits digits[5];
        float store[4096 + 2187 + 3125 + 2401 + 1331];
    };
    static const Tables* tables = [] {
        static Tables t;
        float* store = t.store;
        for (int k = 0; k < 5; ++k) {
            Digits& d = t.digits[k];
            d.base = HALTON_BASES[k];
            d.invBase = 1.0f / float(d.base);
            d.lowDigits = LOW_DIGITS[k];
            d.lowCount = 1;
            for (int m = 0; m < d.lowDigits; ++m) d.lowCount *= uint32_t(d.base);
            float f = d.invBase;
            for (auto& position : d.term) {
                for (int32_t digit = 0; digit < d.base; ++digit) position[digit] = float(digit) * f;
                f *= d.invBase;
            }
            for (uint32_t v = 0; v < d.lowCount; ++v) store[v] = plainRadicalInverse(v, d.base, d.invBase);
            d.low = store;
            store += d.lowCount;
        }
        return &t;
    }();
    for (const Digits& d : tables->digits)
        if (d.base == base) return std::bit_cast<uint32_t>(d.invBase) == std::bit_cast<uint32_t>(invBase) ? &d : nullptr;
    return nullptr;
}

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
    for (int k = 0; k < 5; ++k) {
        dims_[k].base = HALTON_BASES[k];
        dims_[k].index = start;
        dims_[k].invBase = 1.0f / float(HALTON_BASES[k]);
    }
    scrambleState_ = seedXorshift64Star(g.next());
}

void HaltonGenerator::resync(const Dimension& d, Cursor& c) {
    c = Cursor();
    c.index = uint32_t(d.index);
    c.base = d.base;
    c.invBaseBits = std::bit_cast<uint32_t>(d.invBase);
    c.digits = Digits::forBase(d.base, d.invBase);
    if (!c.digits) return;
    const uint32_t base = uint32_t(c.digits->base);
    c.low = c.index % c.digits->lowCount;
    for (uint32_t h = c.index / c.digits->lowCount; h != 0; h /= base) c.high[c.highCount++] = uint8_t(h % base);
}

float HaltonGenerator::radicalInverse(const Dimension& d, Cursor& c) {
    // Unsigned so that the index wraps instead of overflowing; every index
    // a scatter reaches in practice is below 2^31, where both agree.
    const uint32_t i = c.index++;
    const Digits* t = c.digits;
    if (!t) return plainRadicalInverse(i, d.base, d.invBase);

    float r;
    if (t->base == 2 && i < (1u << 24)) {
        // Below 2^24 every partial sum in base 2 is a multiple of 2^-24 below
        // 1, which a float holds exactly: the sum is the mirrored bits.
        r = float(reverseBits(i) >> 8) * 0x1p-24f;
    } else {
        r = t->low[c.low];
        for (int32_t j = 0; j < c.highCount; ++j) r += t->term[t->lowDigits + j][c.high[j]];
    }

    if (c.index == 0) {
        c.low = 0;
        c.highCount = 0;
    } else if (++c.low == t->lowCount) {
        c.low = 0;
        int32_t j = 0;
        while (j < c.highCount && ++c.high[j] == t->base) c.high[j++] = 0;
        if (j == c.highCount) c.high[c.highCount++] = 1;
    }
    return r;
}

void HaltonGenerator::getSample(float out[5]) {
    for (int k = 0; k < 5; ++k) {
        Dimension& d = dims_[k];
        Cursor& c = cursors_[k];
        if (uint32_t(d.index) != c.index || d.base != c.base || std::bit_cast<uint32_t>(d.invBase) != c.invBaseBits)
            resync(d, c);
        const float r = radicalInverse(d, c);
        d.index = int32_t(c.index);
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

#pragma once

// The deterministic sample sources behind every random decision of the
// scatter and of the point-cloud previews. The same seed gives the same
// sequence on every run and every machine: all state arithmetic is unsigned
// with wrap-around, and floats are built from bits, never from a division.

#include <cstdint>

#include "core-interface/Object.h"

namespace Nimbal {

// The top 23 bits of r as the mantissa of a number in [1, 2), minus 1: a value
// in [0, 1) whose largest result is 1 - 2^-23.
float unitFloat(uint32_t r) noexcept;

// Marsaglia's 128-bit xorshift (shifts 11, 8, 19).
class Xorshift128 {
public:
    uint32_t x = 0, y = 0, z = 0, w = 0;

    // One step; the output is the new w.
    uint32_t next() noexcept;
    float nextUnit() noexcept { return unitFloat(next()); }
};

// Spreads a 32-bit seed over the four words and runs 20 steps, so that
// neighbouring seeds give unrelated sequences.
Xorshift128 seedXorshift128(uint32_t seed) noexcept;

// Vigna's xorshift64* (shifts 12, 25, 27); the output is the low 32 bits of
// the multiplied state.
class Xorshift64Star {
public:
    uint64_t state = 0;

    Xorshift64Star() = default;
    explicit Xorshift64Star(uint64_t initial) noexcept : state(initial) {}

    uint32_t next() noexcept;
    float nextUnit() noexcept { return unitFloat(next()); }
};

// A state for Xorshift64Star from a 32-bit value: whitened, enciphered with
// six TEA cycles, then mixed by four rounds of the generator's shifts.
uint64_t seedXorshift64Star(uint32_t value) noexcept;

namespace Abstract {

// A source of five-dimensional samples, each coordinate in [0, 1).
class ScatterRandom : public Object {
public:
    virtual void seed(int32_t seed) = 0;
    virtual void getSample(float out[5]) = 0;
    // Callers own the object through this interface (the factory hands it out
    // so), which needs the destructor to reach the concrete class.
    virtual ~ScatterRandom() = default;
};

} // namespace Abstract

// Five successive Xorshift128 outputs per sample.
class PrngGenerator final : public Abstract::ScatterRandom {
public:
    PrngGenerator() noexcept;
    void seed(int32_t seed) override;
    void getSample(float out[5]) override;

    const Xorshift128& state() const noexcept { return state_; }

private:
    Xorshift128 state_;
};

// The Halton sequence in bases 2, 3, 5, 7 and 11, started at an index drawn
// from the seed; with scrambling, the base-7 coordinate is replaced by an
// Xorshift64Star draw (it correlates visibly with the others otherwise).
class HaltonGenerator final : public Abstract::ScatterRandom {
public:
    struct Dimension {
        int32_t base;
        int32_t index;
        float invBase;
    };

    explicit HaltonGenerator(bool scramble = true) noexcept;
    void seed(int32_t seed) override;
    void getSample(float out[5]) override;

    bool scramble() const noexcept { return scramble_; }
    Dimension& dimension(int k) { return dims_[checkedDimension(k)]; }
    const Dimension& dimension(int k) const { return dims_[checkedDimension(k)]; }
    uint64_t scrambleState() const noexcept { return scrambleState_; }

private:
    struct Digits;
    // Where a dimension's sequence stands, in digits, so that a sample costs
    // a table read and one addition per digit above the table's instead of a
    // division per digit. It describes `index`; a dimension whose index,
    // base or inverse was changed from outside is read afresh.
    struct Cursor {
        uint32_t index = 0;
        int32_t base = 0;
        uint32_t invBaseBits = 0;
        const Digits* digits = nullptr;  // null: a base without tables, summed digit by digit
        uint32_t low = 0;                // index modulo the table's length
        int32_t highCount = 0;           // digits of index / the table's length, lowest first
        uint8_t high[32] = {};
    };

    static int checkedDimension(int k);
    static void resync(const Dimension& d, Cursor& c);
    static float radicalInverse(const Dimension& d, Cursor& c);

    Dimension dims_[5];
    bool scramble_;
    uint64_t scrambleState_;
    Cursor cursors_[5];
};

// Type 0: PrngGenerator; type 1: HaltonGenerator, unscrambled for scenes that
// keep the legacy distribution. Any other type is a programming error. The
// caller owns the result (delete it) and seeds it before use.
Abstract::ScatterRandom* createScatterRandom(int type, bool legacy);

} // namespace Nimbal

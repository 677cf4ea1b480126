// The sample sources of the scatter. The expected numbers were worked out
// from the published algorithms with a separate script, not from this code,
// so a change in any shift, constant or order of draws shows up here.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Scatter/RandomGenerators.h"
#include "core-interface/Exception.h"
#include "core-interface/Memory.h"

namespace Nimbal {
namespace {

using Sample = std::vector<float>;

Sample draw(Abstract::ScatterRandom& g) {
    float out[5];
    g.getSample(out);
    return Sample(out, out + 5);
}

std::vector<Sample> drawMany(Abstract::ScatterRandom& g, int n) {
    std::vector<Sample> all;
    for (int i = 0; i < n; ++i) all.push_back(draw(g));
    return all;
}

// Bit patterns, so that -0.0 against 0.0 or a last-bit change is caught.
std::vector<uint32_t> bits(const std::vector<Sample>& samples) {
    std::vector<uint32_t> b;
    for (const Sample& s : samples)
        for (float f : s) b.push_back(std::bit_cast<uint32_t>(f));
    return b;
}

TEST(UnitFloat, UsesTheTop23BitsAndStaysBelowOne) {
    struct Case { uint32_t r; float expected; };
    const Case cases[] = {
        {0x00000000u, 0.0f},
        {0x000001FFu, 0.0f},           // the low 9 bits never count
        {0x00000200u, 0x1p-23f},       // the lowest bit that does
        {0x80000000u, 0.5f},
        {0x40000000u, 0.25f},
        {0xFFFFFFFFu, 1.0f - 0x1p-23f},  // the largest value: never 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.r);
        EXPECT_EQ(unitFloat(c.r), c.expected);
    }
}

TEST(Xorshift128, StepMatchesMarsagliasPublishedSequence) {
    Xorshift128 g{123456789u, 362436069u, 521288629u, 88675123u};
    EXPECT_EQ(g.next(), 3701687786u);
    EXPECT_EQ(g.next(), 458299110u);
    EXPECT_EQ(g.next(), 2500872618u);
    EXPECT_EQ(g.next(), 3633119408u);
    // The output is the new last word, and the words shift down.
    EXPECT_EQ(g.w, 3633119408u);
    EXPECT_EQ(g.z, 2500872618u);
}

TEST(Xorshift128, SeedingGivesFixedStatesAndSequences) {
    struct Case { int32_t seed; uint32_t x, y, z, w; uint32_t next[3]; };
    const Case cases[] = {
        {0, 0x7bb6be04u, 0x6ec85ba0u, 0x4225e4ecu, 0x9bb987b9u, {1429294164u, 2030569481u, 342327616u}},
        {1, 0x254a4700u, 0x976aa427u, 0x1207f981u, 0x2406a0aeu, {1392742761u, 2441759922u, 3161220339u}},
        {42, 0x7b84e220u, 0xef64a309u, 0xe644382bu, 0x8badbe06u, {3613710513u, 500323775u, 3666916174u}},
        {-7, 0xda573caeu, 0x054dab62u, 0x0c6ada9au, 0x3992b0b6u, {1514359142u, 842919927u, 1759075616u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        Xorshift128 g = seedXorshift128(uint32_t(c.seed));
        EXPECT_EQ(g.x, c.x);
        EXPECT_EQ(g.y, c.y);
        EXPECT_EQ(g.z, c.z);
        EXPECT_EQ(g.w, c.w);
        for (uint32_t expected : c.next) EXPECT_EQ(g.next(), expected);
    }
}

TEST(Xorshift64Star, StepShiftsThenMultiplies) {
    // From state 1: 1 ^ (1 >> 12) = 1; 1 ^ (1 << 25) = 0x2000001; the >> 27 adds
    // nothing. Output: low 32 bits of 0x2000001 * 0x4F6CDD1D.
    Xorshift64Star g(1);
    const uint32_t out = g.next();
    EXPECT_EQ(g.state, 0x2000001u);
    EXPECT_EQ(out, uint32_t(0x2000001ull * 0x4F6CDD1Dull));
    EXPECT_EQ(out, 2305613085u);

    // Only the multiplier's low word reaches the output, whatever the state.
    Xorshift64Star h(0xDEADBEEFCAFEF00Dull);
    for (int i = 0; i < 100; ++i) {
        const uint32_t o = h.next();
        ASSERT_EQ(o, uint32_t(h.state * 0x4F6CDD1Dull));
    }
}

TEST(Xorshift64Star, SeedingGivesFixedStatesAndSequences) {
    struct Case { uint32_t value; uint64_t state; uint32_t next[3]; };
    const Case cases[] = {
        {0u, 0xe41025280bbb2d32ull, {888097055u, 207414574u, 4118682314u}},
        {1u, 0xc31104a3d553424bull, {536433383u, 2922221918u, 555813337u}},
        {1337u, 0xd243774fa115215cull, {1466270875u, 2377601849u, 1610177294u}},
        {123456789u, 0x2252cd4bb5ec839cull, {3323855321u, 426339436u, 2912260113u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const uint64_t state = seedXorshift64Star(c.value);
        EXPECT_EQ(state, c.state);
        Xorshift64Star g(state);
        for (uint32_t expected : c.next) EXPECT_EQ(g.next(), expected);
    }
}

TEST(PrngGenerator, SamplesAreFiveSuccessiveDrawsOfTheSeededGenerator) {
    PrngGenerator g;
    g.seed(42);
    const std::vector<Sample> expected = {
        {0.8413825035095215f, 0.11649060249328613f, 0.85377037525177f, 0.2350383996963501f, 0.802666425704956f},
        {0.2599376440048218f, 0.1166766881942749f, 0.47776269912719727f, 0.4191244840621948f, 0.4527914524078369f},
    };
    EXPECT_EQ(bits(drawMany(g, 2)), bits(expected));

    Xorshift128 reference = seedXorshift128(42);
    PrngGenerator again;
    again.seed(42);
    for (int s = 0; s < 50; ++s) {
        const Sample sample = draw(again);
        for (int k = 0; k < 5; ++k) ASSERT_EQ(sample[k], unitFloat(reference.next()));
    }
}

TEST(HaltonGenerator, FreshGeneratorHoldsBaseTwoAtIndexOne) {
    HaltonGenerator g;
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(g.dimension(k).base, 2);
        EXPECT_EQ(g.dimension(k).index, 1);
        EXPECT_EQ(g.dimension(k).invBase, 0.5f);
    }
}

TEST(HaltonGenerator, SeedSetsTheBasesAndOneStartIndex) {
    HaltonGenerator g;
    g.seed(42);
    const int32_t bases[5] = {2, 3, 5, 7, 11};
    const float inverses[5] = {0.5f, 0.33333334f, 0.2f, 0.14285715f, 0.09090909f};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(g.dimension(k).base, bases[k]);
        EXPECT_EQ(g.dimension(k).index, 23504);
        EXPECT_EQ(g.dimension(k).invBase, inverses[k]);
    }
    EXPECT_THROW(g.dimension(5), Exception);
}

// Seed 35567 is one whose fourth draw is below 1e-5, so the sequence starts at
// index 1: the first sample is the inverse of each base.
TEST(HaltonGenerator, StartIndexOneGivesTheInverseBasesThenTheInversesOfTwo) {
    HaltonGenerator g(false);
    g.seed(35567);
    ASSERT_EQ(g.dimension(0).index, 1);
    const std::vector<Sample> expected = {
        {0.5f, 0.33333334f, 0.2f, 0.14285715f, 0.09090909f},
        {0.25f, 0.6666667f, 0.4f, 0.2857143f, 0.18181819f},
    };
    EXPECT_EQ(bits(drawMany(g, 2)), bits(expected));
    EXPECT_EQ(g.dimension(4).index, 3);

    // Scrambled: the same, except the base-7 coordinate.
    HaltonGenerator s(true);
    s.seed(35567);
    const Sample first = draw(s);
    EXPECT_EQ(first[0], 0.5f);
    EXPECT_EQ(first[1], 0.33333334f);
    EXPECT_EQ(first[2], 0.2f);
    EXPECT_NE(first[3], 0.14285715f);
    EXPECT_EQ(first[4], 0.09090909f);
}

TEST(HaltonGenerator, ScrambledSequencesAreFixed) {
    struct Case { int32_t seed; std::vector<Sample> samples; };
    const Case cases[] = {
        {42, {{0.046295166015625f, 0.8241291046142578f, 0.8055807948112488f, 0.6744500398635864f, 0.7494768500328064f},
              {0.546295166015625f, 0.2685735523700714f, 0.04558080434799194f, 0.07100307941436768f, 0.8403859734535217f}}},
        {0, {{0.948822021484375f, 0.8354586362838745f, 0.57844477891922f, 0.6755439043045044f, 0.32962849736213684f},
             {0.042572021484375f, 0.2799031436443329f, 0.7784448266029358f, 0.8640114068984985f, 0.4205375909805298f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        HaltonGenerator g(true);
        g.seed(c.seed);
        EXPECT_EQ(bits(drawMany(g, 2)), bits(c.samples));
    }
}

TEST(HaltonGenerator, LegacyDiffersFromScrambledOnlyInTheBaseSevenCoordinate) {
    for (int32_t seed : {0, 7, 123456, -99}) {
        SCOPED_TRACE(seed);
        std::unique_ptr<Abstract::ScatterRandom> legacy(createScatterRandom(1, true));
        std::unique_ptr<Abstract::ScatterRandom> scrambled(createScatterRandom(1, false));
        legacy->seed(seed);
        scrambled->seed(seed);
        int differing = 0;
        for (int i = 0; i < 1000; ++i) {
            const Sample a = draw(*legacy);
            const Sample b = draw(*scrambled);
            for (int k : {0, 1, 2, 4}) ASSERT_EQ(a[k], b[k]) << "sample " << i << " dimension " << k;
            differing += a[3] != b[3];
        }
        EXPECT_GT(differing, 990);
    }
}

TEST(HaltonGenerator, SeedKeepsTheScrambleSetting) {
    HaltonGenerator legacy(false);
    legacy.seed(5);
    legacy.seed(6);
    EXPECT_FALSE(legacy.scramble());
    HaltonGenerator scrambled(true);
    scrambled.seed(5);
    EXPECT_TRUE(scrambled.scramble());
}

// In single precision, index 2^25 - 1 in base 2 sums to exactly 1; the sample
// must still lie below 1 for the cumulative picks that consume it.
TEST(HaltonGenerator, RoundingNeverReachesOne) {
    HaltonGenerator g(false);
    g.seed(1);
    for (int k = 0; k < 5; ++k) g.dimension(k).index = (1 << 25) - 1;
    const Sample s = draw(g);
    EXPECT_LT(s[0], 1.0f);
    EXPECT_EQ(s[0], 1.0f - 0x1p-24f);
    // Near the top of the index range the sequence keeps going in [0, 1).
    for (int k = 0; k < 5; ++k) g.dimension(k).index = INT32_MAX - 2;
    for (int i = 0; i < 5; ++i) {
        for (float f : draw(g)) {
            ASSERT_GE(f, 0.0f);
            ASSERT_LT(f, 1.0f);
        }
    }
}

// The radical inverse as first written: digit by digit in single precision,
// lowest digit first, held below 1. The generator keeps its digits from one
// sample to the next and sums from tables; it must give these bits.
float straightRadicalInverse(uint32_t i, int32_t base, float invBase) {
    const uint32_t b = base > 1 ? uint32_t(base) : 2u;
    float r = 0.0f;
    float f = invBase;
    while (i != 0) {
        const uint32_t digit = i % b;
        i /= b;
        r += float(digit) * f;
        f *= invBase;
    }
    return r < 1.0f ? r : 0x1.fffffep-1f;
}

// Runs of samples from `starts`, each run crossing the point it starts just
// below, compared bit for bit with the straight formula; in the scrambled
// variant the base-7 coordinate is the scrambling generator's draw instead.
void expectStraightSums(HaltonGenerator& g, const std::vector<uint32_t>& starts, int run) {
    for (uint32_t start : starts) {
        for (int k = 0; k < 5; ++k) g.dimension(k).index = int32_t(start);
        Xorshift64Star scrambler(g.scrambleState());
        for (int n = 0; n < run; ++n) {
            const uint32_t i = start + uint32_t(n);
            const Sample s = draw(g);
            for (int k = 0; k < 5; ++k) {
                const HaltonGenerator::Dimension& d = g.dimension(k);
                const float expected = k == 3 && g.scramble() ? scrambler.nextUnit()
                                                              : straightRadicalInverse(i, d.base, d.invBase);
                ASSERT_EQ(std::bit_cast<uint32_t>(s[size_t(k)]), std::bit_cast<uint32_t>(expected))
                    << "index " << i << " base " << d.base;
            }
            ASSERT_EQ(g.dimension(4).index, int32_t(i + 1u));
        }
    }
}

TEST(HaltonGenerator, SamplesAreTheStraightRadicalInversesAcrossDigitCarries) {
    std::vector<uint32_t> starts = {0u, 1u, (1u << 24) - 40u, (1u << 25) - 40u, uint32_t(INT32_MAX) - 40u,
                                    UINT32_MAX - 40u};  // the last runs through the wrap to index 0
    // Just below every power of each base that fits in 32 bits: where a new
    // digit appears and where the tables' low digits roll over.
    for (uint32_t base : {2u, 3u, 5u, 7u, 11u})
        for (uint64_t p = base; p <= UINT32_MAX; p *= base) starts.push_back(p < 40u ? 0u : uint32_t(p - 40u));
    // And anywhere.
    Xorshift128 pick = seedXorshift128(77);
    for (int k = 0; k < 20; ++k) starts.push_back(pick.next());
    for (bool scramble : {false, true}) {
        SCOPED_TRACE(scramble ? "scrambled" : "legacy");
        HaltonGenerator g(scramble);
        g.seed(3);
        expectStraightSums(g, starts, 80);
    }

    // A whole seeded sequence far past its start, as a scatter draws it.
    HaltonGenerator g(false);
    g.seed(42);
    const uint32_t start = uint32_t(g.dimension(0).index);
    for (uint32_t n = 0; n < 300000; ++n) {
        float out[5];
        g.getSample(out);
        for (int k = 0; k < 5; ++k) {
            const HaltonGenerator::Dimension& d = g.dimension(k);
            ASSERT_EQ(std::bit_cast<uint32_t>(out[k]),
                      std::bit_cast<uint32_t>(straightRadicalInverse(start + n, d.base, d.invBase)))
                << "index " << start + n << " base " << d.base;
        }
    }
}

TEST(HaltonGenerator, BasesAndInversesSetFromOutsideSumDigitByDigit) {
    HaltonGenerator g(false);
    g.seed(9);
    g.dimension(0).base = 4;  // no table for it
    g.dimension(0).invBase = 0.25f;
    g.dimension(1).invBase = 0.3f;  // base 3 with another inverse
    g.dimension(2).base = 1;        // summed as base 2
    g.dimension(3).base = 0;
    g.dimension(3).invBase = 0.5f;  // the base-2 inverse, the base summed as 2
    g.dimension(4).base = 2;        // base 2 with the base-11 inverse
    expectStraightSums(g, {0u, 1000u, 4090u, 65530u, 1u << 24, UINT32_MAX - 10u}, 20);
}

TEST(ScatterRandom, SameSeedGivesBitIdenticalSamplesAndReseedingRestarts) {
    for (int type : {0, 1}) {
        for (bool legacy : {false, true}) {
            SCOPED_TRACE(std::to_string(type) + (legacy ? " legacy" : ""));
            std::unique_ptr<Abstract::ScatterRandom> a(createScatterRandom(type, legacy));
            std::unique_ptr<Abstract::ScatterRandom> b(createScatterRandom(type, legacy));
            a->seed(2024);
            b->seed(2024);
            const std::vector<Sample> first = drawMany(*a, 500);
            EXPECT_EQ(bits(first), bits(drawMany(*b, 500)));
            for (const Sample& s : first) {
                for (float f : s) {
                    ASSERT_GE(f, 0.0f);
                    ASSERT_LT(f, 1.0f);
                }
            }
            a->seed(2024);
            EXPECT_EQ(bits(drawMany(*a, 500)), bits(first));
            a->seed(2025);
            EXPECT_NE(bits(drawMany(*a, 500)), bits(first));
        }
    }
}

TEST(ScatterRandom, FactoryPicksTheGeneratorByType) {
    const int64_t before = liveAllocations();
    {
        std::unique_ptr<Abstract::ScatterRandom> prng(createScatterRandom(0, true));
        EXPECT_NE(dynamic_cast<PrngGenerator*>(prng.get()), nullptr);
        std::unique_ptr<Abstract::ScatterRandom> halton(createScatterRandom(1, false));
        ASSERT_NE(dynamic_cast<HaltonGenerator*>(halton.get()), nullptr);
        EXPECT_TRUE(static_cast<HaltonGenerator*>(halton.get())->scramble());
        std::unique_ptr<Abstract::ScatterRandom> legacy(createScatterRandom(1, true));
        EXPECT_FALSE(static_cast<HaltonGenerator*>(legacy.get())->scramble());
        EXPECT_EQ(liveAllocations(), before + 3);  // from the core's heap
    }
    EXPECT_EQ(liveAllocations(), before);

    for (int type : {2, -1, 100}) {
        SCOPED_TRACE(type);
        try {
            createScatterRandom(type, false);
            ADD_FAILURE() << "no assertion";
        } catch (const Exception& e) {
            EXPECT_EQ(e.getCode(), STOP_CODE);
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("STOP@", 0), 0u) << message;
            EXPECT_NE(message.find("RandomGenerators.cpp("), std::string::npos) << message;
        }
    }
    EXPECT_EQ(liveAllocations(), before);
}

} // namespace
} // namespace Nimbal

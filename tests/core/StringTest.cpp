#include <gtest/gtest.h>

#include <unordered_set>

#include "core-interface/Exception.h"
#include "core-interface/Memory.h"
#include "core-interface/String.h"

using Nimbal::String;

TEST(String, EightBitTextKeepsRoomForItsTerminator) {
    String s("abc");
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(s.capacity(), 4); // converted count, terminator included

    String empty("");
    EXPECT_EQ(empty.length(), 0);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(String(static_cast<const char*>(nullptr)).length(), 0);
}

TEST(String, AppendingGrowsToTwiceCapacityOrNeeded) {
    String s("abc"); // capacity 4
    s += 'd';        // fits exactly
    EXPECT_EQ(s.capacity(), 4);
    s += "e"; // needs 5: twice the capacity wins
    EXPECT_EQ(s.capacity(), 8);
    s += "0123456789"; // needs 15
    EXPECT_EQ(s.capacity(), 16);
    s += "0123456789abcdefghij"; // needs 35: more than twice 16
    EXPECT_EQ(s.capacity(), 35);
    EXPECT_EQ(s.length(), 35);
    EXPECT_EQ(s.toUtf8(), "abcde01234567890123456789abcdefghij");
}

TEST(String, WideTerminatorIsWrittenButNotCounted) {
    String s("abcde"); // capacity 6: the terminator fits
    const char16_t* z = s.c_wstr();
    EXPECT_EQ(z[5], u'\0');
    EXPECT_EQ(s.length(), 5);
    EXPECT_EQ(s.capacity(), 6);

    String full(u"ab", 2); // capacity 3
    full += u'c';          // now full
    EXPECT_EQ(full.capacity(), 3);
    EXPECT_EQ(full.c_wstr()[3], u'\0');
    EXPECT_EQ(full.capacity(), 6); // grew by the rule to hold it
    EXPECT_EQ(full.length(), 3);

    EXPECT_EQ(String().c_wstr()[0], u'\0');
}

TEST(String, CopyDuplicatesBothBuffersWithSourceCapacities) {
    String s("hello");
    s += " world!!"; // wide capacity 13, more than the copy would need
    s.c_str();
    const int64_t live = Nimbal::liveAllocations();
    String copy(s);
    EXPECT_EQ(Nimbal::liveAllocations(), live + 2);
    EXPECT_EQ(copy.capacity(), s.capacity());
    EXPECT_EQ(copy.narrowCapacity(), s.narrowCapacity());
    EXPECT_EQ(copy.narrowLength(), s.narrowLength());
    EXPECT_EQ(copy, s);
    EXPECT_STREQ(copy.c_str(), "hello world!!");

    String assigned("x");
    assigned = s;
    EXPECT_EQ(assigned.capacity(), s.capacity());
    EXPECT_EQ(assigned, s);

    String moved(std::move(copy));
    EXPECT_EQ(moved, s);
    EXPECT_TRUE(copy.isEmpty());
}

TEST(String, NarrowLengthCountsTheTerminator) {
    String s("abc");
    EXPECT_STREQ(s.c_str(), "abc");
    EXPECT_EQ(s.narrowLength(), 4);
    EXPECT_EQ(s.narrowCapacity(), 4);

    String empty;
    EXPECT_STREQ(empty.c_str(), "");
    EXPECT_EQ(empty.narrowLength(), 1);

    // The cache follows later changes.
    s += "de";
    EXPECT_STREQ(s.c_str(), "abcde");
    EXPECT_EQ(s.narrowLength(), 6);
    EXPECT_EQ(s.narrowCapacity(), 8);
}

TEST(String, AnsiConversionFollowsWindows1252) {
    struct Case {
        const char16_t* wide;
        const char* narrow;
        bool roundTrips;
    };
    const Case cases[] = {
        {u"plain", "plain", true},
        {u"caf\u00E9 \u00FF", "caf\xE9 \xFF", true},                 // Latin-1 range is itself
        {u"\u20AC \u2122 \u0152 \u0178", "\x80 \x99 \x8C \x9F", true}, // the 0x80..0x9F block
        {u"\u0081\u008D", "\x81\x8D", true},                          // undefined bytes
        {u"\u0100\u4E2D\u0080", "???", false},                         // not in the code page
        {u"\U0001F600", "??", false},                                  // one per surrogate unit
    };
    for (const Case& c : cases) {
        String s(c.wide);
        EXPECT_STREQ(s.c_str(), c.narrow) << s.toUtf8();
        EXPECT_EQ(s.narrowLength(), s.length() + 1);
        if (c.roundTrips) {
            EXPECT_EQ(String(c.narrow), s) << s.toUtf8();
        }
    }
}

TEST(String, EightBitInputMapsTheHighBlock) {
    String s("\x80\x93x\x94");
    ASSERT_EQ(s.length(), 4);
    EXPECT_EQ(s[0], u'\u20AC');
    EXPECT_EQ(s[1], u'\u201C');
    EXPECT_EQ(s[3], u'\u201D');
    EXPECT_EQ(s.toUtf8(), "\u20AC\u201Cx\u201D");

    String withNul = String::fromAnsi("a\0b", 3);
    EXPECT_EQ(withNul.length(), 3);
    EXPECT_EQ(withNul[1], u'\0');
}

// Long ASCII runs are widened in blocks; every byte value at every place in
// a block, and lengths around the block size, must give the same characters
// as converting one byte at a time.
TEST(String, BlockConversionMatchesBytewise) {
    for (int32_t length : {15, 16, 17, 31, 32, 33, 47}) {
        for (int32_t at = 0; at < length; ++at) {
            for (int byte = 0; byte < 256; ++byte) {
                std::string bytes(size_t(length), 'k');
                bytes[size_t(at)] = char(byte);
                String s = String::fromAnsi(bytes.data(), length);
                ASSERT_EQ(s.length(), length);
                for (int32_t i = 0; i < length; ++i)
                    ASSERT_EQ(s[i], Nimbal::ansiToWide(static_cast<unsigned char>(bytes[size_t(i)])))
                        << length << " " << at << " " << byte;
            }
        }
    }
    String reused("a rather long first text of some length");
    const int32_t capacity = reused.capacity();
    reused.assignAnsi("\x80 after", 7);
    EXPECT_EQ(reused.toUtf8(), "\u20AC after");
    EXPECT_EQ(reused.capacity(), capacity);
}

TEST(String, IntegersGoThroughDecimalText) {
    EXPECT_EQ(String(0), String("0"));
    EXPECT_EQ(String(-2147483647 - 1), String("-2147483648"));
    EXPECT_EQ(String(123456).capacity(), 7);
    EXPECT_EQ(String("n=") + 42 + '/' + u"x", String("n=42/x"));
}

TEST(String, Utf8RoundTripAndRepair) {
    const std::string text = "a\u00E9\u20AC\U0001F600z";
    String s = String::fromUtf8(text);
    EXPECT_EQ(s.length(), 6); // the emoji is a surrogate pair
    EXPECT_EQ(s.toUtf8(), text);

    struct Case {
        std::string in;
        std::string out;
    };
    const Case broken[] = {
        {"a\xFF" "b", "a\uFFFD" "b"},         // invalid lead byte
        {"a\xE2\x82", "a\uFFFD"},           // truncated at the end
        {"\xE2\x82" "b", "\uFFFD" "b"},       // truncated in the middle
        {"\xC0\xAF", "\uFFFD"},             // overlong
        {"\xED\xA0\x80", "\uFFFD"},         // encoded surrogate
    };
    for (const Case& c : broken) EXPECT_EQ(String::fromUtf8(c.in).toUtf8(), c.out) << c.in;

    String lone;
    lone += char16_t(0xD800);
    lone += 'x';
    EXPECT_EQ(lone.toUtf8(), "\uFFFDx");
}

TEST(String, AppendingItselfAndItsOwnCharacters) {
    String s("ab");
    s += s;
    EXPECT_EQ(s, String("abab"));
    s.append(s.c_wstr() + 1, 2); // source inside the buffer that grows
    EXPECT_EQ(s, String("ababba"));
}

TEST(String, ComparisonAndHashing) {
    EXPECT_EQ(String("abc"), String(u"abc"));
    EXPECT_NE(String("abc"), String("abd"));
    EXPECT_NE(String("ab"), String("abc"));
    EXPECT_TRUE(String("ab") < String("abc"));
    EXPECT_TRUE(String("abc") < String("abd"));
    EXPECT_FALSE(String("b") < String("abc"));
    std::unordered_set<String> set{String("x"), String(u"x"), String("y")};
    EXPECT_EQ(set.size(), 2u);
}

TEST(String, IndexOutsideTheTextStops) {
    String s("ab");
    s[1] = u'z';
    EXPECT_EQ(s, String("az"));
    EXPECT_THROW(s[2], Nimbal::Exception);
    EXPECT_THROW(s[-1], Nimbal::Exception);
}

TEST(String, ReleasesEverythingItAllocates) {
    const int64_t before = Nimbal::liveAllocations();
    {
        String a("some text");
        a.c_str();
        String b = a + u" more" + 7;
        b.c_str();
        String c = std::move(b);
        a = c;
        c = String::fromUtf8("\u00E9t\u00E9");
    }
    EXPECT_EQ(Nimbal::liveAllocations(), before);
}

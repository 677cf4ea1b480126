#include <gtest/gtest.h>

#include <string>

#include "core-interface/Memory.h"
#include "core-interface/Stack.h"
#include "core-interface/String.h"

using Nimbal::Stack;
using Nimbal::String;

TEST(Stack, GrowsToTwiceCapacityOrNeeded) {
    Stack<int> s;
    s.push(1);
    EXPECT_EQ(s.capacity(), 1);
    s.push(2);
    EXPECT_EQ(s.capacity(), 2);
    s.push(3);
    EXPECT_EQ(s.capacity(), 4);
    s.reserve(5);
    EXPECT_EQ(s.capacity(), 8);
    s.reserve(40);
    EXPECT_EQ(s.capacity(), 40);
    s.reserve(10); // never shrinks
    EXPECT_EQ(s.capacity(), 40);
    EXPECT_EQ(s.size(), 3);
    EXPECT_EQ(s[0] + s[1] + s[2], 6);
}

TEST(Stack, PopTopAndRemoveKeepOrder) {
    Stack<int> s{1, 2, 3, 4};
    EXPECT_EQ(s.top(), 4);
    EXPECT_EQ(s.pop(), 4);
    s.removeAt(0);
    ASSERT_EQ(s.size(), 2);
    EXPECT_EQ(s[0], 2);
    EXPECT_EQ(s[1], 3);
    int sum = 0;
    for (int v : s) sum += v;
    EXPECT_EQ(sum, 5);
    s.clear();
    EXPECT_TRUE(s.isEmpty());
    EXPECT_THROW(s.pop(), Nimbal::Exception);
    EXPECT_THROW(s.top(), Nimbal::Exception);
    EXPECT_THROW(s[0], Nimbal::Exception);
}

TEST(Stack, PushingAnElementOfItselfWhileGrowing) {
    Stack<String> s;
    s.push(String("first"));
    ASSERT_EQ(s.size(), s.capacity()); // the next push reallocates
    s.push(s[0]);
    EXPECT_EQ(s[1], String("first"));
    Stack<std::string> t;
    t.push(std::string(100, 'x'));
    t.push(t.top());
    EXPECT_EQ(t[1], std::string(100, 'x'));
}

// Counts live instances so that every construction is matched by one destruction.
struct Tracked {
    static inline int live = 0;
    std::string text;
    explicit Tracked(std::string t = "") : text(std::move(t)) { ++live; }
    Tracked(const Tracked& o) : text(o.text) { ++live; }
    Tracked(Tracked&& o) noexcept : text(std::move(o.text)) { ++live; }
    Tracked& operator=(const Tracked&) = default;
    Tracked& operator=(Tracked&&) = default;
    ~Tracked() { --live; }
};

TEST(Stack, NonTrivialElementsAreConstructedAndDestroyedExactlyOnce) {
    const int64_t blocks = Nimbal::liveAllocations();
    {
        Stack<Tracked> s;
        for (int i = 0; i < 100; ++i) s.emplace(std::to_string(i) + std::string(30, '.'));
        EXPECT_EQ(Tracked::live, 100);
        Stack<Tracked> copy(s);
        EXPECT_EQ(Tracked::live, 200);
        EXPECT_EQ(copy.capacity(), 100);
        Stack<Tracked> moved(std::move(copy));
        EXPECT_EQ(Tracked::live, 200);
        EXPECT_TRUE(copy.isEmpty());
        moved.resize(10);
        EXPECT_EQ(Tracked::live, 110);
        moved.resize(12);
        EXPECT_EQ(moved[11].text, "");
        moved.removeAt(3);
        EXPECT_EQ(moved[3].text.substr(0, 1), "4");
        s = moved;
        EXPECT_EQ(Tracked::live, 22);
        Tracked popped = s.pop();
        EXPECT_EQ(popped.text, "");
        EXPECT_EQ(Tracked::live, 22);
    }
    EXPECT_EQ(Tracked::live, 0);
    EXPECT_EQ(Nimbal::liveAllocations(), blocks);
}

// A type whose only relocation is a copy that may throw.
struct Fragile {
    static inline int copiesLeft = 1000;
    static inline int live = 0;
    int value;
    explicit Fragile(int v) : value(v) { ++live; }
    Fragile(const Fragile& o) : value(o.value) {
        if (copiesLeft-- <= 0) throw std::runtime_error("copy failed");
        ++live;
    }
    ~Fragile() { --live; }
};

TEST(Stack, FailedRelocationLeavesTheStackIntact) {
    const int64_t blocks = Nimbal::liveAllocations();
    {
        Stack<Fragile> s;
        for (int i = 0; i < 4; ++i) s.emplace(i); // capacity 4 after growth by copies
        Fragile::copiesLeft = 2;                  // the next growth fails half way
        EXPECT_THROW(s.emplace(4), std::runtime_error);
        ASSERT_EQ(s.size(), 4);
        EXPECT_EQ(s[3].value, 3);
        EXPECT_EQ(Fragile::live, 4);
        Fragile::copiesLeft = 1000;
    }
    EXPECT_EQ(Fragile::live, 0);
    EXPECT_EQ(Nimbal::liveAllocations(), blocks);
}

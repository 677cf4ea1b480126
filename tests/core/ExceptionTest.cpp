#include <gtest/gtest.h>

#include <memory>

#include "core-interface/Exception.h"
#include "core-interface/Memory.h"

using Nimbal::Exception;
using Nimbal::String;

namespace {

int stopLine = 0;

void stopHere() {
    stopLine = __LINE__ + 1;
    NIMBAL_STOP();
}

} // namespace

TEST(Exception, StopNamesTheRaisingFileAndLineWithCode123) {
    try {
        stopHere();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        const String expected = String("STOP@") + __FILE__ + "(" + stopLine + ")";
        EXPECT_EQ(e.getMessage(), expected);
        EXPECT_STREQ(e.what(), expected.c_str());
        EXPECT_EQ(e.getCode(), 123);
    }
}

TEST(Exception, AssertOnlyStopsOnFalse) {
    EXPECT_NO_THROW(NIMBAL_ASSERT(1 + 1 == 2));
    EXPECT_THROW(NIMBAL_ASSERT(1 + 1 == 3), Exception);
}

TEST(Exception, CaughtAsStandardExceptionGivesTheAnsiMessage) {
    try {
        throw Exception(String(u"bad caf\u00E9 \u4E2D"), 7);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "bad caf\xE9 ?");
    }
}

TEST(Exception, LivesInTheCoreHeapAndDeletesThroughTheBase) {
    const int64_t before = Nimbal::liveAllocations();
    Nimbal::Polymorphic* p = new Exception(String("heap"), 1);
    EXPECT_GT(Nimbal::liveAllocations(), before);
    EXPECT_EQ(dynamic_cast<Exception*>(p)->getMessage(), String("heap"));
    delete p;
    EXPECT_EQ(Nimbal::liveAllocations(), before);
}

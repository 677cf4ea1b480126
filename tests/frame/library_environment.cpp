// The library's classes in the host's class directory, as after start-up, so
// that scenes holding them load. The development-only classes are included.
#include <gtest/gtest.h>

#include "ClassDescs.h"

namespace {

class LibraryEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        for (unsigned i = 0; i < Nimbal::ALL_CLASSES; ++i) ClassDirectory::Get().AddClass(Nimbal::classDescAt(i));
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new LibraryEnvironment);

}  // namespace

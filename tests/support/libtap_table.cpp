// The unit tests carry libtap.so themselves, so the process has one table of the TAP API. It
// is filled once at start, as a receiver fills it before the first TAP runs, with the
// emulator's getter; every entry then works on the emulator current at the call (also before
// any test has made one, for the entries that need none).
#include <gtest/gtest.h>

#include "api.h"

namespace {

class LibtapTable : public ::testing::Environment {
  public:
    void SetUp() override {
        void* firmware[4] = {reinterpret_cast<void*>(&tapsim::tapsim_api_getter), nullptr, nullptr,
                             nullptr};
        ASSERT_EQ(__TAP_Init(firmware), 0) << "the table was filled before";
        ASSERT_NE(TAP_ExtractMjd, nullptr);
    }
};

::testing::Environment* const table = ::testing::AddGlobalTestEnvironment(new LibtapTable);

} // namespace

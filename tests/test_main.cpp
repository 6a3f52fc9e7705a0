// The test programs' entry: the framework as the program sets it up, then
// GoogleTest, then a closing line with the counts.
#include "application.h"
#include "screen.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

class CountPrinter : public testing::EmptyTestEventListener {
    void OnTestProgramEnd(const testing::UnitTest& unit) override {
        std::printf("%d passed, %d failed, %d skipped\n", unit.successful_test_count(), unit.failed_test_count(),
                    unit.skipped_test_count());
        std::fflush(stdout);
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Keep a crashing test from waiting for someone at an error dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    PutSendToInPlace();
    testing::UnitTest::GetInstance()->listeners().Append(new CountPrinter);

    auto screen = std::make_unique<TScreen>();
    Screen = screen.get();
    auto application = std::make_unique<TApplication>();
    Application = application.get();
    Application->Initialize();
    Application->SetMainFormOnTaskBar(true);

    const int result = RUN_ALL_TESTS();

    application.reset();
    Application = nullptr;
    screen.reset();
    Screen = nullptr;
    return result;
}

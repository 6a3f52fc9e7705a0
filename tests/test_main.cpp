// The test programs' entry: the framework as the program sets it up, then
// GoogleTest, then a closing line with the counts.
#include "test_support.h"
#include "window_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

class CountPrinter : public testing::EmptyTestEventListener {
    void OnTestProgramEnd(const testing::UnitTest& unit) override {
        std::printf("%d passed, %d failed, %d skipped\n", unit.successful_test_count(), unit.failed_test_count(),
                    unit.skipped_test_count());
        std::fflush(stdout);
    }
};

// The test programs empty the user's SendTo folder and reset its place in
// the registry. Under Wine the prefix is a throw-away one; on Windows they
// run only where the user said that the account's SendTo folder may go.
constexpr char kMayChangeSendTo[] = "SENDTO_TESTS_MAY_CHANGE_SENDTO";

bool MayChangeTheUsersSendTo() {
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return true;
    const char* allowed = std::getenv(kMayChangeSendTo);
    return allowed && std::string_view(allowed) == "1";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Keep a crashing test from waiting for someone at an error dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    if (!MayChangeTheUsersSendTo()) {
        std::fprintf(stderr,
                     "Not run: these tests empty this account's SendTo folder and reset its place in the registry.\n"
                     "Run them in a throw-away account, with %s=1.\n",
                     kMayChangeSendTo);
        return 2;
    }
    PutSendToInPlace();
    const ExtensionsSetting extensions(ExtensionsHidden());
    testing::UnitTest::GetInstance()->listeners().Append(new CountPrinter);

    // Installed first and removed last, so that a dialog while the framework
    // starts or ends is seen too.
    const UnansweredDialogGuard unanswered;
    int result = 0;
    {
        const ProgramFramework framework;
        result = RUN_ALL_TESTS();
    }
    return UnansweredDialogGuard::Failed() ? 1 : result;
}

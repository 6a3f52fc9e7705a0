// The test programs' entry: the framework as the program sets it up, then
// GoogleTest, then a closing line with the counts.
#include "test_support.h"
#include "window_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <thread>

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

// Twice, on a heavily loaded machine, a test program under Wine did not end
// after its last test had passed, and ctest waited for it until its time-out
// and lost its results. Once the tests have run, the framework has this long
// to end; then the program says so and ends as failed.
constexpr DWORD kEndingTimeout = 30000;

void WatchTheEnding() {
    std::thread([] {
        ::Sleep(kEndingTimeout);
        std::fprintf(stderr, "The program did not end within %lu s of its last test: ended from inside, as failed.\n",
                     kEndingTimeout / 1000);
        std::fflush(nullptr);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }).detach();
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
    testing::UnitTest::GetInstance()->listeners().Append(new CountPrinter);
    int result = 0;
    {
        const ExtensionsSetting extensions(ExtensionsHidden());
        // Installed first and removed last, so that a dialog while the
        // framework starts or ends is seen too.
        const UnansweredDialogGuard unanswered;
        {
            const ProgramFramework framework;
            result = RUN_ALL_TESTS();
            WatchTheEnding();
        }
        if (UnansweredDialogGuard::Failed()) result = 1;
    }
    // What is left to end is the system's, not the program's: the process
    // ends here, its results given.
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}

// How long the program takes to show its window, against a minimal program
// that makes only the platform calls a shell-icon listing of the SendTo
// folder cannot avoid (bench/minimal_window.cpp). Four launches, interleaved
// in the same Wine session, each timed from CreateProcessW until a visible
// top-level window of the new process exists:
//   1. the program, started in its own folder;
//   2. the program, started in a folder of 2,000 files;
//   3. the minimal program;
//   4. the program, from its own folder, with apps set to dark.
// Prints the median of each and the ratios 1/3, 2/1 and 4/1; the fastest
// launch of each too, which a busy machine disturbs least.
#include "bench_clock.h"
#include "launch_support.h"
#include "send_to_location.h"
#include "win_handles.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 21;
// Between launches, so that the last process's teardown is over before the next starts.
constexpr DWORD kSettleMs = 300;
constexpr int kLaunchFolderFiles = 2000;
constexpr int kSendToEntries = 12;

std::wstring OwnFolder() {
    wchar_t buffer[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path = buffer;
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring ParentOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// Files made for the run, removed again at its end.
class MadeFiles {
public:
    MadeFiles() = default;
    MadeFiles(const MadeFiles&) = delete;
    MadeFiles& operator=(const MadeFiles&) = delete;
    ~MadeFiles() {
        for (const std::wstring& file : files_) ::DeleteFileW(file.c_str());
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
    }
    void Folder(const std::wstring& path) {
        if (::CreateDirectoryW(path.c_str(), nullptr)) folders_.push_back(path);
    }
    void File(const std::wstring& path) {
        MakeFile(path);
        files_.push_back(path);
    }

private:
    std::vector<std::wstring> folders_;
    std::vector<std::wstring> files_;
};

// Seconds from the launch until the process shows a window; the process is
// closed again before this returns. Negative when it shows none.
double TimeToWindow(const std::wstring& exe, const std::wstring& folder) {
    const double start = Seconds();
    const StartedProcess started = StartProcess(exe, L"", -1, folder);
    if (!started.process) return -1;
    struct Settle {
        ~Settle() { ::Sleep(kSettleMs); }
    } settle;
    HWND found = nullptr;
    while (!found && ::WaitForSingleObject(started.process.get(), 1) == WAIT_TIMEOUT)
        found = FindWindowOfProcess(started.id, L"", true);
    const double elapsed = Seconds() - start;
    if (found) ::PostMessageW(found, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(started.process.get(), 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(started.process.get(), 1);
    return found ? elapsed : -1;
}

double Fastest(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring benchFolder = OwnFolder();
    const std::wstring program = argc > 1 ? argv[1] : ParentOf(benchFolder) + L"\\SendTo.exe";
    const std::wstring minimal = benchFolder + L"\\minimal_window.exe";
    const std::wstring sendTo = ShellSendToPath();

    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring crowded = std::wstring(temp) + L"sendto-startup-bench";
    MadeFiles made;
    made.Folder(sendTo);
    for (int i = 0; i < kSendToEntries; ++i) made.File(sendTo + L"\\banc-" + std::to_wstring(10 + i) + L".txt");
    made.Folder(crowded);
    for (int i = 0; i < kLaunchFolderFiles; ++i)
        made.File(crowded + L"\\fichier-" + std::to_wstring(10000 + i) + L".txt");

    struct Launch {
        const char* label;
        std::wstring exe;
        std::wstring folder;
        bool dark;
        std::vector<double> seconds;
    };
    std::array<Launch, 4> launches{{
        {"1. program, from its own folder", program, ParentOf(program), false, {}},
        {"2. program, from a folder of 2,000 files", program, crowded, false, {}},
        {"3. minimal program", minimal, benchFolder, false, {}},
        {"4. program, own folder, apps set to dark", program, ParentOf(program), true, {}},
    }};
    const auto timeToWindow = [](const Launch& launch) {
        // Apps set to dark for the launch, as the system's settings keep it.
        std::optional<UserSettingScope> dark;
        if (launch.dark)
            dark.emplace(L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", L"AppsUseLightTheme",
                         0);
        return TimeToWindow(launch.exe, launch.folder);
    };
    // One unmeasured launch each: the first start of an exe pays for loading it from disk.
    for (const Launch& launch : launches) (void)timeToWindow(launch);
    // Interleaved, starting each round one further along, so that no launch
    // always follows the same one.
    for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < launches.size(); ++i) {
            Launch& launch = launches[(i + static_cast<size_t>(round)) % launches.size()];
            const double seconds = timeToWindow(launch);
            if (seconds < 0) {
                std::printf("%s: no window\n", launch.label);
                return 1;
            }
            launch.seconds.push_back(seconds);
        }
    }

    std::printf("SendTo folder: %ls (%d entries); median of %d launches each\n", sendTo.c_str(), kSendToEntries,
                kRounds);
    std::array<double, 4> median{};
    std::array<double, 4> fastest{};
    std::printf("%-42s %9s %9s\n", "", "median", "fastest");
    for (size_t i = 0; i < launches.size(); ++i) {
        median[i] = Median(launches[i].seconds);
        fastest[i] = Fastest(launches[i].seconds);
        std::printf("%-42s %6.1f ms %6.1f ms\n", launches[i].label, median[i] * 1000, fastest[i] * 1000);
    }
    std::printf("ratio 1/3 (program / minimal program):         %.3f (fastest: %.3f; goal <= 1.05)\n",
                median[0] / median[2], fastest[0] / fastest[2]);
    std::printf("ratio 2/1 (crowded launch folder / own folder): %.3f (fastest: %.3f; goal <= 1.05)\n",
                median[1] / median[0], fastest[1] / fastest[0]);
    std::printf("ratio 4/1 (apps set to dark / light):          %.3f (fastest: %.3f; goal <= 1.05)\n",
                median[3] / median[0], fastest[3] / fastest[0]);
    return 0;
}

// The list following its folder: how long a file made by someone else takes
// to show, against one reading of the folder; and how many readings a burst
// of 300 new files costs.
#include "application.h"
#include "bench_clock.h"
#include "form.h"
#include "launch_support.h"
#include "shell_file_list_box.h"
#include "win_handles.h"
#include "window_support.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kBaseFiles = 20;
constexpr int kChanges = 21;
constexpr int kBurst = 300;

// Runs the program's own loop until `done` holds; a thread timer keeps it from
// waiting for input that never comes.
template <typename Done>
void RunLoopUntil(Done done) {
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, nullptr);
    while (!done()) Application->HandleMessage();
    ::KillTimer(nullptr, timer);
}

// The name of the burst's file `index`.
std::wstring FileName(int index) { return L"rafale-" + std::to_wstring(1000 + index) + L".txt"; }

struct Burst {
    std::wstring folder;
    double lastCreated = 0;
};

DWORD WINAPI MakeBurst(void* param) {
    auto& burst = *static_cast<Burst*>(param);
    for (int i = 0; i < kBurst; ++i) {
        MakeFile(burst.folder + L"\\" + FileName(i));
        burst.lastCreated = Seconds();
    }
    return 0;
}

std::wstring MakeFolder(const wchar_t* name, int files) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < files; ++i) MakeFile(folder + L"\\entree-" + std::to_wstring(100 + i) + L".lnk");
    return folder;
}

// The median time of one reading of the list's folder, painted.
double ReadingTime(TShellFileListBox& list) {
    std::vector<double> times;
    for (int i = 0; i < kChanges; ++i) {
        const double start = Seconds();
        list.Update();
        ::UpdateWindow(list.Handle());
        times.push_back(Seconds() - start);
    }
    return Median(times);
}

}  // namespace

int wmain() {
    const ProgramFramework framework;
    const PlainListWindow window;
    window.Form().Show();
    TShellFileListBox* list = &window.List();

    // One file at a time, each let to show before the next.
    const std::wstring folder = MakeFolder(L"sendto-watch-bench", kBaseFiles);
    list->SetDirectory(folder);
    const double reading = ReadingTime(*list);
    std::vector<double> delays;
    for (int i = 0; i < kChanges; ++i) {
        const int before = list->Count();
        const double created = Seconds();
        MakeFile(folder + L"\\ajout-" + std::to_wstring(100 + i) + L".txt");
        RunLoopUntil([&] { return list->Count() > before; });
        ::UpdateWindow(list->Handle());
        delays.push_back(Seconds() - created);
    }
    const double readingAfter = ReadingTime(*list);
    std::printf("folder of %d to %d files: one reading %.1f ms (median of %d), then %.1f ms\n", kBaseFiles,
                kBaseFiles + kChanges, reading * 1e3, kChanges, readingAfter * 1e3);
    std::printf("file made -> listed: median %.1f ms, slowest %.1f ms (%d changes; goal <= one reading + 300 ms)\n",
                Median(delays) * 1e3, *std::max_element(delays.begin(), delays.end()) * 1e3, kChanges);

    // A burst of new files from another thread, as a copy of many files.
    const std::wstring burstFolder = MakeFolder(L"sendto-watch-burst", 0);
    list->SetDirectory(burstFolder);
    Burst burst{burstFolder};
    // Every reading of the burst's folder lists its first file.
    std::optional<ReadingCounter> readings(std::in_place, FileName(0));
    const double start = Seconds();
    win::UniqueKernelHandle maker(::CreateThread(nullptr, 0, &MakeBurst, &burst, 0, nullptr));
    RunLoopUntil([&] {
        return ::WaitForSingleObject(maker.get(), 0) == WAIT_OBJECT_0 && list->Count() == kBurst;
    });
    const double shown = Seconds();
    // Readings that a late notification might still bring.
    RunLoopUntil([&] { return Seconds() - shown > 1.0; });
    const int burstReadings = readings->Count();
    readings.reset();
    const double burstReading = ReadingTime(*list);
    std::printf("burst of %d files made in %.1f ms: %d readings; last file made -> all %d listed: %.1f ms "
                "(one reading of %d files: %.1f ms; goals: <= 3 readings, <= one reading + 300 ms)\n",
                kBurst, (burst.lastCreated - start) * 1e3, burstReadings, kBurst, (shown - burst.lastCreated) * 1e3,
                kBurst, burstReading * 1e3);

    ::SetCurrentDirectoryW(L"C:\\");
    RemoveTree(folder);
    RemoveTree(burstFolder);
    return 0;
}

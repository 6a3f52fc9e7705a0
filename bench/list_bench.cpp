// Reading a folder of 2,000 files into the list, against the platform calls
// the reading cannot avoid. Prints microseconds per file and the ratio of
// the list's whole reading to enumeration plus one shell query per file.
#include "bench_clock.h"
#include "form.h"
#include "shell_file_list_box.h"
#include "win_handles.h"
#include "window_support.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 2000;
constexpr int kRounds = 3;

// The best of kRounds runs of each, in microseconds per file. The runs take
// turns, so that a drift in the shell's speed (its caches warming, another
// process on the machine) weighs on all of them alike.
std::vector<double> MicrosecondsPerFile(const std::vector<std::function<void()>>& runs) {
    std::vector<double> best(runs.size(), 1e30);
    for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < runs.size(); ++i) {
            const double start = Seconds();
            runs[i]();
            best[i] = std::min(best[i], Seconds() - start);
        }
    }
    for (double& seconds : best) seconds *= 1e6 / kFiles;
    return best;
}

std::wstring MakeFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    std::wstring folder = std::wstring(temp) + L"sendto-bench";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring path = folder + L"\\fichier-" + std::to_wstring(10000 + i) + L".txt";
        win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return folder;
}

template <typename Visit>
void Enumerate(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) visit(data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

int wmain() {
    const std::wstring folder = MakeFolder();
    ::SetCurrentDirectoryW(folder.c_str());
    const ProgramFramework framework;
    const PlainListWindow window;
    window.Form().Show();
    TShellFileListBox* list = &window.List();

    int count = 0;
    const std::vector<double> perFile = MicrosecondsPerFile({
        [&] { Enumerate(folder, [&](const wchar_t*) { ++count; }); },
        [&] {
            Enumerate(folder, [](const wchar_t* name) {
                SHFILEINFOW info{};
                ::SHGetFileInfoW(name, 0, &info, sizeof(info),
                                 SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON | SHGFI_OVERLAYINDEX);
            });
        },
        [&] {
            list->SetDirectory(folder);
            ::UpdateWindow(list->Handle());
        },
    });
    const double enumeration = perFile[0], withShell = perFile[1], listReading = perFile[2];

    std::printf("files: %d (%d listed)\n", kFiles, list->Count());
    std::printf("enumeration:                   %8.1f us/file\n", enumeration);
    std::printf("enumeration + SHGetFileInfoW:  %8.1f us/file\n", withShell);
    std::printf("list reading (set, fill, paint): %6.1f us/file\n", listReading);
    std::printf("ratio list reading / (enumeration + SHGetFileInfoW): %.3f (goal <= 1.10)\n", listReading / withShell);

    ::SetCurrentDirectoryW(L"C:\\");
    Enumerate(folder, [&](const wchar_t* name) { ::DeleteFileW((folder + L"\\" + name).c_str()); });
    ::RemoveDirectoryW(folder.c_str());
    return count == kFiles * kRounds ? 0 : 1;
}

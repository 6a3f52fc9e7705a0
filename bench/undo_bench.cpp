// Ctrl+Z with a full Recycle Bin: the time of the removal's look-up of its
// item, and of the undo's check and restore, with 0, 1,000 and 10,000 other
// items in the Recycle Bin of a throw-away Wine prefix, against the empty
// Recycle Bin. Wine's Recycle Bin is $XDG_DATA_HOME/Trash (files/ and
// info/*.trashinfo): the other items are written there directly, far faster
// than recycling them one by one through the shell.
#include "bench_clock.h"
#include "recycle_bin.h"
#include "shell_helpers.h"
#include "win_handles.h"
#include "window_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSizes[] = {0, 1000, 10000};
constexpr int kRounds = 3;

// A Unix path as Wine's Windows side reaches it.
std::wstring FromUnix(const char* path) {
    std::wstring wide = L"\\\\?\\unix";
    for (const char* c = path; *c; ++c) wide += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return wide;
}

void WriteFile(const std::wstring& path, const std::string& content) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

// Wine's Recycle Bin, filled with other items up to `count`: each a file in
// files/ and its note in info/, as Wine writes them.
class OtherItems {
public:
    explicit OtherItems(const char* dataHome) : trash_(FromUnix(dataHome) + L"\\Trash"), unixHome_(dataHome) {
        ::CreateDirectoryW(trash_.c_str(), nullptr);
        ::CreateDirectoryW((trash_ + L"\\files").c_str(), nullptr);
        ::CreateDirectoryW((trash_ + L"\\info").c_str(), nullptr);
    }
    ~OtherItems() { FillUpTo(0); }
    OtherItems(const OtherItems&) = delete;
    OtherItems& operator=(const OtherItems&) = delete;

    void FillUpTo(int count) {
        for (; count_ < count; ++count_) {
            const std::wstring name = Name(count_);
            WriteFile(trash_ + L"\\files\\" + name, "autre");
            const std::string unixName(name.begin(), name.end());
            WriteFile(trash_ + L"\\info\\" + name + L".trashinfo", "[Trash Info]\nPath=" + unixHome_ +
                                                                      "/ailleurs/" + unixName +
                                                                      "\nDeletionDate=2024-01-01T10:00:00\n");
        }
        for (; count_ > count; --count_) {
            const std::wstring name = Name(count_ - 1);
            ::DeleteFileW((trash_ + L"\\files\\" + name).c_str());
            ::DeleteFileW((trash_ + L"\\info\\" + name + L".trashinfo").c_str());
        }
    }

private:
    static std::wstring Name(int index) { return L"autre-" + std::to_wstring(100000 + index) + L".txt"; }

    std::wstring trash_;
    std::string unixHome_;
    int count_ = 0;
};

struct Times {
    double lookUp = 1e30;   // the removal's reading of the Recycle Bin for its item
    double undo = 1e30;     // the undo's checks (before and after its question) and the restore
};

// The best of kRounds removals and undos of one entry.
Times Measure(const std::wstring& path) {
    Times best;
    for (int round = 0; round < kRounds; ++round) {
        WriteFile(path, "notes");
        const auto file = FileIdentity(path);
        if (!RecycleFile(path)) return {};
        const double removed = Seconds();
        const TRecycledItem recycled = FindRecycled(path, file);
        const double found = Seconds();
        const bool back = !GoneFromRecycleBin(recycled) && !GoneFromRecycleBin(recycled) &&
                          RestoreFromRecycleBin(recycled, path);
        const double restored = Seconds();
        if (!back) return {};
        best.lookUp = std::min(best.lookUp, found - removed);
        best.undo = std::min(best.undo, restored - found);
    }
    ::DeleteFileW(path.c_str());
    return best;
}

}  // namespace

int wmain() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (!dataHome || dataHome[0] != '/') {
        std::printf("undo_bench: XDG_DATA_HOME does not name a throw-away Wine Recycle Bin\n");
        return 1;
    }
    const ProgramFramework framework;
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + L"sendto-undo-bench";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\Notes.txt";

    OtherItems others(dataHome);
    Times empty;
    int failures = 0;
    for (const int size : kSizes) {
        const double start = Seconds();
        others.FillUpTo(size);
        const double filled = Seconds() - start;
        const Times times = Measure(path);
        if (times.undo > 1e29) {
            std::printf("%6d other items: the entry did not come back\n", size);
            ++failures;
            continue;
        }
        if (size == 0) empty = times;
        std::printf("%6d other items (filled in %.1f s): look-up after the removal %8.1f ms (x%.1f), "
                    "undo (checks + restore) %6.1f ms (x%.2f, %+.1f ms)\n",
                    size, filled, times.lookUp * 1e3, times.lookUp / empty.lookUp, times.undo * 1e3,
                    times.undo / empty.undo, (times.undo - empty.undo) * 1e3);
    }
    ::RemoveDirectoryW(folder.c_str());
    std::printf("goal: the undo at most 1 s more with 10,000 other items than with none\n");
    return failures;
}

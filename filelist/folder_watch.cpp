#include "folder_watch.h"

#include "flag_scope.h"
#include "platform_calls.h"
#include "shell_file_list_box.h"

#include <algorithm>
#include <vector>

namespace {

constexpr DWORD kWatchedChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_LAST_WRITE;

std::vector<std::wstring> FileNames(TShellFileListBox& list) {
    std::vector<std::wstring> names;
    names.reserve(static_cast<size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.EntryFileName(i));
    return names;
}

}  // namespace

TFolderWatch::TFolderWatch(std::function<bool()> read) : read_(std::move(read)) {}

void TFolderWatch::Watch(const std::wstring& folder) {
    // The reading the watch asked for enters its folder again: a watch that
    // stopped stays stopped, and one that rests rests on, until the folder
    // is entered for another reason; then a fresh handle follows it.
    if (folder == folder_ && ((handle_ && !resting_) || folder.empty() || reading_)) return;
    folder_ = folder;
    pending_ = false;
    resting_ = false;
    signals_ = 0;
    handle_.reset();
    if (!folder.empty()) handle_.reset(Platform().FindFirstChangeNotificationW(folder.c_str(), FALSE, kWatchedChanges));
}

HANDLE TFolderWatch::WaitHandle() const noexcept { return handle_ && !held_ && !resting_ ? handle_.get() : nullptr; }

DWORD TFolderWatch::WaitTimeout(DWORD now) const noexcept {
    if (resting_) {
        const DWORD rested = now - restStart_;
        return rested >= RunawayRest ? 0 : RunawayRest - rested;
    }
    if (!pending_ || held_) return INFINITE;
    const DWORD quiet = now - lastChange_;
    const DWORD waited = now - firstChange_;
    if (quiet >= QuietTime || waited >= LongestWait || signals_ >= RunawaySignals) return 0;
    return std::min(QuietTime - quiet, LongestWait - waited);
}

void TFolderWatch::Signalled(DWORD now) {
    // Changes that come before the reading are read with it; those after it
    // signal again.
    if (!Platform().FindNextChangeNotification(handle_.get())) handle_.reset();
    if (!pending_) firstChange_ = now;
    pending_ = true;
    lastChange_ = now;
    ++signals_;
}

void TFolderWatch::Due(DWORD now) {
    // Rested, the handle is waited on again: what it heard meanwhile signals
    // at once, and is read as any change.
    if (resting_ && now - restStart_ >= RunawayRest) resting_ = false;
    if (!pending_ || held_) return;
    // A burst that reaches RunawaySignals is read at once: a handle that
    // signals for nothing then costs that many wakes, not a second of them.
    const bool runaway = signals_ >= RunawaySignals;
    if (!runaway && now - lastChange_ < QuietTime && now - firstChange_ < LongestWait) return;
    pending_ = false;
    signals_ = 0;
    const bool changed = ReadAsked();
    if (runaway && !changed) {
        resting_ = true;
        restStart_ = now;
    }
}

bool TFolderWatch::ReadAsked() {
    const TFlagScope reading(reading_);
    return read_();
}

bool RereadKeepingPlace(TShellFileListBox& list) {
    HWND window = list.Handle();
    const std::vector<std::wstring> before = FileNames(list);
    const int selected = list.ItemIndex();
    const std::wstring name = selected >= 0 && selected < list.Count() ? list.EntryFileName(selected) : L"";
    const LRESULT top = ::SendMessageW(window, LB_GETTOPINDEX, 0, 0);
    list.Update();
    // A file renamed only in case is still the same file.
    if (!name.empty()) list.SelectFile(name);
    // Last: selecting scrolls to the entry, and the user may have scrolled away.
    ::SendMessageW(window, LB_SETTOPINDEX, top, 0);
    return before != FileNames(list);
}

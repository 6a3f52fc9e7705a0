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
    // stopped stays stopped until the folder is entered for another reason.
    if (folder == folder_ && (handle_ || folder.empty() || reading_)) return;
    folder_ = folder;
    pending_ = false;
    signals_ = 0;
    handle_.reset();
    if (!folder.empty()) handle_.reset(Platform().FindFirstChangeNotificationW(folder.c_str(), FALSE, kWatchedChanges));
}

DWORD TFolderWatch::WaitTimeout(DWORD now) const noexcept {
    if (!pending_ || held_) return INFINITE;
    const DWORD quiet = now - lastChange_;
    const DWORD waited = now - firstChange_;
    if (quiet >= QuietTime || waited >= LongestWait) return 0;
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
    if (!pending_ || held_ || (now - lastChange_ < QuietTime && now - firstChange_ < LongestWait)) return;
    pending_ = false;
    const bool runaway = std::exchange(signals_, 0) >= RunawaySignals;
    const bool changed = ReadAsked();
    if (runaway && !changed) handle_.reset();
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

#include "folder_watch.h"

#include "shell_file_list_box.h"

#include <algorithm>

namespace {

constexpr DWORD kWatchedChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_LAST_WRITE;

}  // namespace

TFolderWatch::TFolderWatch(std::function<void()> changed) : changed_(std::move(changed)) {}

void TFolderWatch::Watch(const std::wstring& folder) {
    if (folder == folder_ && (handle_ || folder.empty())) return;
    folder_ = folder;
    pending_ = false;
    handle_.reset();
    if (!folder.empty()) handle_.reset(::FindFirstChangeNotificationW(folder.c_str(), FALSE, kWatchedChanges));
}

DWORD TFolderWatch::WaitTimeout(DWORD now) const noexcept {
    if (!pending_) return INFINITE;
    const DWORD quiet = now - lastChange_;
    const DWORD waited = now - firstChange_;
    if (quiet >= QuietTime || waited >= LongestWait) return 0;
    return std::min(QuietTime - quiet, LongestWait - waited);
}

void TFolderWatch::Signalled(DWORD now) {
    // Changes that come before the reading are read with it; those after it
    // signal again.
    if (!::FindNextChangeNotification(handle_.get())) handle_.reset();
    if (!pending_) firstChange_ = now;
    pending_ = true;
    lastChange_ = now;
}

void TFolderWatch::Due(DWORD now) {
    if (!pending_ || (now - lastChange_ < QuietTime && now - firstChange_ < LongestWait)) return;
    pending_ = false;
    changed_();
}

void RereadKeepingPlace(TShellFileListBox& list) {
    HWND window = list.Handle();
    const int selected = list.ItemIndex();
    const std::wstring name = selected >= 0 && selected < list.Count() ? list.EntryFileName(selected) : L"";
    const LRESULT top = ::SendMessageW(window, LB_GETTOPINDEX, 0, 0);
    list.Update();
    for (int i = 0; !name.empty() && i < list.Count(); ++i)
        if (list.EntryFileName(i) == name) list.SetItemIndex(i);
    // Last: selecting scrolls to the entry, and the user may have scrolled away.
    ::SendMessageW(window, LB_SETTOPINDEX, top, 0);
}

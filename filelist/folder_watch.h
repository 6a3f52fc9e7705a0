// Follows a folder for changes made by anyone: names added, removed or
// renamed, attributes changed, files written.
#pragma once

#include "loop_waits.h"
#include "win_handles.h"

#include <functional>
#include <string>

class TShellFileListBox;

class TFolderWatch : public TLoopWait {
public:
    // `changed` runs once the folder has been quiet for QuietTime after a
    // change, or LongestWait after the first change of a burst that does not
    // stop, from the main loop only.
    explicit TFolderWatch(std::function<void()> changed);

    // Watches `folder`, or nothing when it is empty. A watch that cannot be
    // set is no error: the folder is then simply not followed.
    void Watch(const std::wstring& folder);

    // A burst of changes (a copy of many files) costs one reading.
    static constexpr DWORD QuietTime = 150;
    // A folder written to without a pause (an installer at work) is still
    // shown as it goes.
    static constexpr DWORD LongestWait = 1000;

    HANDLE WaitHandle() const noexcept override { return handle_.get(); }
    DWORD WaitTimeout(DWORD now) const noexcept override;
    void Signalled(DWORD now) override;
    void Due(DWORD now) override;

private:
    std::function<void()> changed_;
    std::wstring folder_;
    win::UniqueChangeNotification handle_;
    bool pending_ = false;
    DWORD firstChange_ = 0;
    DWORD lastChange_ = 0;
};

// Reads the list's folder again where the user left it: the same file stays
// selected (none when it went) and the list keeps its scroll position.
void RereadKeepingPlace(TShellFileListBox& list);

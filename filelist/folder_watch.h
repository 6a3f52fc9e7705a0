// Follows a folder for changes made by anyone: names added, removed or
// renamed, attributes changed, files written.
#pragma once

#include "loop_waits.h"
#include "win_handles.h"

#include <functional>
#include <string>

class TShellFileListBox;

class TFolderWatch final : public TLoopWait {
public:
    // `read` reads the folder again and tells whether what it lists changed.
    // It runs once the folder has been quiet for QuietTime after a change,
    // or LongestWait after the first change of a burst that does not stop,
    // from the main loop only.
    explicit TFolderWatch(std::function<bool()> read);

    // Watches `folder`, or nothing when it is empty. A watch that cannot be
    // set is no error: the folder is then simply not followed.
    void Watch(const std::wstring& folder);

    // A burst of changes (a copy of many files) costs one reading.
    static constexpr DWORD QuietTime = 150;
    // A folder written to without a pause (an installer at work) is still
    // shown as it goes.
    static constexpr DWORD LongestWait = 1000;
    // A burst of this many signals whose reading finds nothing changed may
    // come from a handle that signals for nothing (a network share that went
    // away, where a redirected SendTo folder often lives), or from a folder
    // written to in ways the list does not show, with a new file still to
    // come: the handle rests for RunawayRest, rather than keep a core busy,
    // and what it heard meanwhile is read when the rest ends, or when the
    // folder is entered again.
    static constexpr int RunawaySignals = 500;
    static constexpr DWORD RunawayRest = 10000;

    // While held, changes wait: the folder is read once the hold ends, as
    // when a question that stops the main loop is answered.
    void SetHeld(bool held) noexcept { held_ = held; }

    // None while held or resting: the handle keeps what it hears, and the
    // loop sleeps instead of waking for each change it cannot act on.
    HANDLE WaitHandle() const noexcept override;
    DWORD WaitTimeout(DWORD now) const noexcept override;
    void Signalled(DWORD now) override;
    void Due(DWORD now) override;

private:
    // Reads for a change; meanwhile the watch knows the reading is its own.
    bool ReadAsked();

    std::function<bool()> read_;
    std::wstring folder_;
    win::UniqueChangeNotification handle_;
    bool pending_ = false;
    bool held_ = false;
    bool reading_ = false;
    bool resting_ = false;
    int signals_ = 0;
    DWORD firstChange_ = 0;
    DWORD lastChange_ = 0;
    DWORD restStart_ = 0;
};

// Reads the list's folder again where the user left it: the same file stays
// selected (none when it went) and the list keeps its scroll position.
// Whether the list's files changed.
bool RereadKeepingPlace(TShellFileListBox& list);

#include "undo_record.h"

#include "entry_rename.h"
#include "recycle_bin.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"

namespace {

constexpr wchar_t kCannotUndo[] = L"Impossible d'annuler : ";

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Question(const TUndoRecord& record) {
    const std::wstring name = Quoted(FileNamePart(record.Path()));
    switch (record.Kind()) {
    case TUndoRecord::TKind::Removed: return L"Annuler la suppression de " + name + L" ?";
    case TUndoRecord::TKind::Renamed:
        return L"Annuler le renommage de " + name + L" en " + Quoted(FileNamePart(record.OldPath())) + L" ?";
    case TUndoRecord::TKind::Added:
        return L"Annuler l'ajout de " + name + L" ?\r\n\r\nLe fichier ajouté ira dans la Corbeille." +
               (record.Replaced() ? L"\r\nL'ancien " + name + L", qu'il avait remplacé, en reviendra." : L"");
    case TUndoRecord::TKind::Nothing: break;
    }
    return {};
}

std::wstring ChangedSince(const std::wstring& path) {
    return kCannotUndo + Quoted(FileNamePart(path)) +
           L" a changé depuis : il a été renommé, modifié ou supprimé par un autre programme.";
}

std::wstring NameTaken(const std::wstring& path) {
    return std::wstring(kCannotUndo) + L"un autre fichier porte maintenant le nom " + Quoted(FileNamePart(path)) +
           L".";
}

std::wstring NoLongerRecycled(const std::wstring& path) {
    return kCannotUndo + Quoted(FileNamePart(path)) + L" n'est plus dans la Corbeille.";
}

// Why the entry cannot come back from the Recycle Bin, or empty when it can.
std::wstring WhyNotRecycled(const TUndoRecord& record) {
    return GoneFromRecycleBin(record.Recycled()) ? NoLongerRecycled(record.Path()) : std::wstring();
}

std::wstring NotRecycled(const std::wstring& path) {
    return kCannotUndo + Quoted(FileNamePart(path)) + L" n'a pas pu aller dans la Corbeille.";
}

std::wstring NotRestored(const std::wstring& path) {
    return Quoted(FileNamePart(path)) + L" n'a pas pu revenir de la Corbeille.";
}

// Why the change can no longer be undone, or empty when it can. Asked before
// the question and again after it, for what changed while it was up.
std::wstring WhyNotUndoable(TShellFileListBox& list, const TUndoRecord& record) {
    const std::wstring& path = record.Path();
    switch (record.Kind()) {
    case TUndoRecord::TKind::Removed:
        if (Exists(path)) return NameTaken(path);
        return WhyNotRecycled(record);
    case TUndoRecord::TKind::Renamed: {
        if (!record.StillAsLeft()) return ChangedSince(path);
        // The old name was a good one: only another file can stand in its way.
        const std::wstring oldName = FileNamePart(record.OldPath());
        if (!RenameProblem(list, FileNamePart(path), oldName, oldName).empty()) return NameTaken(record.OldPath());
        return {};
    }
    case TUndoRecord::TKind::Added:
        if (!record.StillAsLeft()) return ChangedSince(path);
        return record.Replaced() ? WhyNotRecycled(record) : std::wstring();
    case TUndoRecord::TKind::Nothing: break;
    }
    return {};
}

// The entry comes back under its name: the file's path, or empty when it did not.
std::wstring UndoRemoval(const TUndoRecord& record) {
    const std::wstring& path = record.Path();
    if (!RestoreFromRecycleBin(record.Recycled(), path)) {
        (void)ShowNotice(NotRestored(path), mtError);
        return {};
    }
    TellShellCreated(path);
    return path;
}

// As the rename itself says it: a file left under a name in between is named as it is now.
std::wstring WhyNotRenamedBack(const TUndoRecord& record, const std::wstring& now, DWORD error) {
    const std::wstring name = FileNamePart(record.Path());
    return now == record.Path() ? RenameRefused(name, error) : LeftAside(name, FileNamePart(now), error);
}

// Never over another file: the path the entry has afterwards.
std::wstring UndoRename(const TUndoRecord& record) {
    std::wstring now = MoveEntryFile(record.Path(), record.OldPath());
    const DWORD error = ::GetLastError();
    if (now != record.Path()) TellShellRenamed(record.Path(), now);
    if (now != record.OldPath()) (void)ShowNotice(WhyNotRenamedBack(record, now, error), mtError);
    return now;
}

std::wstring UndoAddition(const TUndoRecord& record) {
    const std::wstring& path = record.Path();
    const std::optional<BY_HANDLE_FILE_INFORMATION> added = FileIdentity(path);
    if (!RecycleFile(path)) {
        (void)ShowNotice(NotRecycled(path), mtError);
        return path;
    }
    if (!record.Replaced()) return {};
    if (RestoreFromRecycleBin(record.Recycled(), path)) {
        TellShellCreated(path);
        return path;
    }
    // Rather than leave neither entry in the folder, the added one comes back.
    (void)ShowNotice(NotRestored(path), mtError);
    (void)RestoreFromRecycleBin(FindRecycled(path, added), path);
    return Exists(path) ? path : std::wstring();
}

// Plays the change back; the path of the entry to show afterwards, empty
// when none.
std::wstring PlayBack(const TUndoRecord& record) {
    switch (record.Kind()) {
    case TUndoRecord::TKind::Removed: return UndoRemoval(record);
    case TUndoRecord::TKind::Renamed: return UndoRename(record);
    case TUndoRecord::TKind::Added: return UndoAddition(record);
    case TUndoRecord::TKind::Nothing: break;
    }
    return {};
}

// Whether the folder is still as the change left it: a failed undo that
// changed nothing stays available.
bool Unchanged(const TUndoRecord& record, const std::wstring& shown) {
    switch (record.Kind()) {
    case TUndoRecord::TKind::Removed: return !Exists(record.Path());
    case TUndoRecord::TKind::Renamed: return shown == record.Path();
    case TUndoRecord::TKind::Added: return record.StillAsLeft();
    case TUndoRecord::TKind::Nothing: break;
    }
    return true;
}

}  // namespace

void TUndoRecord::Removed(const std::wstring& path, TRecycledItem recycled) {
    Forget();
    kind_ = TKind::Removed;
    path_ = path;
    recycled_ = std::move(recycled);
}

void TUndoRecord::Renamed(const std::wstring& from, const std::wstring& to) {
    Forget();
    kind_ = TKind::Renamed;
    path_ = to;
    oldPath_ = from;
    left_ = FileIdentity(to);
}

void TUndoRecord::Added(const std::wstring& path, std::optional<TRecycledItem> replaced) {
    Forget();
    kind_ = TKind::Added;
    path_ = path;
    recycled_ = std::move(replaced);
    left_ = FileIdentity(path);
}

bool TUndoRecord::StillAsLeft() const {
    const auto now = FileIdentity(path_);
    return left_ && now && SameFileState(*left_, *now);
}

void UndoLastChange(TShellFileListBox& list, TUndoRecord& record) {
    if (record.Kind() == TUndoRecord::TKind::Nothing) return;
    if (const std::wstring why = WhyNotUndoable(list, record); !why.empty()) {
        (void)ShowNotice(why, mtWarning);
        return;
    }
    if (!AskConfirm(Question(record))) return;
    // The folder may have changed while the question was up.
    if (const std::wstring why = WhyNotUndoable(list, record); !why.empty()) {
        (void)ShowNotice(why, mtWarning);
        return;
    }
    const std::wstring shown = PlayBack(record);
    if (!Unchanged(record, shown)) record.Forget();
    list.Update();
    if (!shown.empty()) list.SelectFile(FileNamePart(shown));
}

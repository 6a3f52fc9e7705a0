#include "undo_record.h"

#include "entry_rename.h"
#include "recycle_bin.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"

namespace {

constexpr wchar_t kCannotUndo[] = L"Impossible d'annuler : ";

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.size() - FileNamePart(path).size() - 1); }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SameState(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow && a.nFileSizeHigh == b.nFileSizeHigh &&
           a.nFileSizeLow == b.nFileSizeLow && ::CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

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

std::wstring Undecided(const std::wstring& path) {
    return std::wstring(kCannotUndo) + L"la Corbeille contient plusieurs " + Quoted(FileNamePart(path)) +
           L" supprimés de ce dossier, sans dire lequel l'a été en dernier. Restaurez le bon depuis la Corbeille.";
}

// Why the entry cannot come back from the Recycle Bin, or empty when it can.
std::wstring WhyNotRecycled(const std::wstring& path) {
    const TRecycledItem recycled = FindInRecycleBin(FolderOf(path), FileNamePart(path));
    if (recycled.undecided) return Undecided(path);
    return recycled ? std::wstring() : NoLongerRecycled(path);
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
        return WhyNotRecycled(path);
    case TUndoRecord::TKind::Renamed: {
        if (!record.StillAsLeft()) return ChangedSince(path);
        // The old name was a good one: only another file can stand in its way.
        const std::wstring oldName = FileNamePart(record.OldPath());
        if (!RenameProblem(list, FileNamePart(path), oldName, oldName).empty()) return NameTaken(record.OldPath());
        return {};
    }
    case TUndoRecord::TKind::Added:
        if (!record.StillAsLeft()) return ChangedSince(path);
        return record.Replaced() ? WhyNotRecycled(path) : std::wstring();
    case TUndoRecord::TKind::Nothing: break;
    }
    return {};
}

// The entry comes back under its name: the file's path, or empty when it did not.
std::wstring UndoRemoval(const TUndoRecord& record) {
    const std::wstring& path = record.Path();
    if (!RestoreFromRecycleBin(FindInRecycleBin(FolderOf(path), FileNamePart(path)), path)) {
        (void)ShowNotice(NotRestored(path), mtError);
        return {};
    }
    TellShellCreated(path);
    return path;
}

// Never over another file: the path the entry has afterwards.
std::wstring UndoRename(const TUndoRecord& record) {
    std::wstring now = MoveEntryFile(record.Path(), record.OldPath());
    const DWORD error = ::GetLastError();
    if (now != record.Path()) TellShellRenamed(record.Path(), now);
    if (now != record.OldPath()) (void)ShowNotice(RenameRefused(FileNamePart(record.Path()), error), mtError);
    return now;
}

// The entry it replaced is found before the added one joins it in the
// Recycle Bin, where it would be the one deleted last.
std::wstring UndoAddition(const TUndoRecord& record) {
    const std::wstring& path = record.Path();
    const TRecycledItem replaced =
        record.Replaced() ? FindInRecycleBin(FolderOf(path), FileNamePart(path)) : TRecycledItem();
    if (!RecycleFile(path)) {
        (void)ShowNotice(NotRecycled(path), mtError);
        return path;
    }
    if (!record.Replaced()) return {};
    if (!RestoreFromRecycleBin(replaced, path)) {
        (void)ShowNotice(NotRestored(path), mtError);
        return {};
    }
    TellShellCreated(path);
    return path;
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

void TUndoRecord::Removed(const std::wstring& path) {
    Forget();
    kind_ = TKind::Removed;
    path_ = path;
}

void TUndoRecord::Renamed(const std::wstring& from, const std::wstring& to) {
    Forget();
    kind_ = TKind::Renamed;
    path_ = to;
    oldPath_ = from;
    left_ = FileIdentity(to);
}

void TUndoRecord::Added(const std::wstring& path, bool replaced) {
    Forget();
    kind_ = TKind::Added;
    path_ = path;
    replaced_ = replaced;
    left_ = FileIdentity(path);
}

bool TUndoRecord::StillAsLeft() const {
    const auto now = FileIdentity(path_);
    return left_ && now && SameState(*left_, *now);
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

// The folder list: what a reading lists and in which order, the full path of
// the selection, folder changes and their errors, type-ahead, and painting.
#include "list_fixtures.h"
#include "test_support.h"

#include "application.h"
#include "exceptions.h"
#include "form.h"
#include "platform_calls.h"
#include "screen.h"
#include "search_files.h"
#include "shell_file_list_box.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The type-ahead's clock, as the test sets it.
DWORD g_now = 100000;
DWORD WINAPI TestClock() { return g_now; }

// A shell that gives no system icon list, and everything else as usual.
DWORD_PTR WINAPI WithoutIconList(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
    if (flags & SHGFI_USEFILEATTRIBUTES) return 0;
    return SystemCalls().SHGetFileInfoW(path, attributes, info, size, flags);
}

class FileListTest : public PlainListTest {
protected:
    // A second list, made while the shell gives no icon list, on `folder`.
    TShellFileListBox* ListWithoutIcons(const std::wstring& folder) {
        TShellFileListBox* list = nullptr;
        {
            TPlatformOverride noIcons(Platform().SHGetFileInfoW, &WithoutIconList);
            list = MakeList();
        }
        list->SetDirectory(folder);
        return list;
    }

    std::vector<std::wstring> Entries() {
        std::vector<std::wstring> texts;
        for (int i = 0; i < list_->Count(); ++i) texts.push_back(list_->ItemText(i));
        return texts;
    }
    void Select(int index) { ::SendMessageW(list_->Handle(), LB_SETCURSEL, index, 0); }
    void Type(wchar_t ch) { ::SendMessageW(list_->Handle(), WM_CHAR, ch, 0); }

};

}  // namespace

TEST(MaskMatches, WholeNameWithStarsCaseInsensitive) {
    struct Case {
        const wchar_t* mask;
        const wchar_t* name;
        bool matches;
    };
    for (const Case& c : {Case{L"*", L"LISEZMOI", true}, Case{L"*.*", L"LISEZMOI", false},
                          Case{L"*.*", L".config", true}, Case{L"*.*", L"a.b.c", true},
                          Case{L"*.TXT", L"note.txt", true}, Case{L"a*b", L"AxxB", true},
                          Case{L"a*b", L"axxbc", false}, Case{L"*.*", L"fin.", true}}) {
        EXPECT_EQ(MaskMatches(c.mask, c.name), c.matches) << c.mask << L" " << c.name;
    }
}

TEST_F(FileListTest, ListsFilesOnlySortedByFileNameWithTheShellsNames) {
    TempFolder folder;
    folder.Touch(L"desktop.ini", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    folder.Touch(L"caché.txt", "x", FILE_ATTRIBUTE_HIDDEN);
    folder.Touch(L"système.txt", "x", FILE_ATTRIBUTE_SYSTEM);
    folder.Touch(L"lecture seule.txt", "x", FILE_ATTRIBUTE_READONLY);
    folder.Touch(L"archive.txt", "x", FILE_ATTRIBUTE_ARCHIVE);
    folder.Touch(L"LISEZMOI");
    folder.Touch(L".config");
    folder.Touch(L"Été & co.txt");
    folder.Touch(L"日本語.txt");
    folder.Touch(L"b.txt");
    folder.Touch(L"A.txt");
    folder.MakeFolder(L"dossier.d");
    list_->SetDirectory(folder.Path());

    EXPECT_EQ(Entries(), ShownNames({L".config", L"A.txt", L"archive.txt", L"b.txt", L"Été & co.txt",
                                     L"lecture seule.txt", L"日本語.txt"}));
    EXPECT_EQ(list_->Directory(), folder.Path());
    EXPECT_EQ(list_->ItemIndex(), -1);
    EXPECT_EQ(list_->FileName(), L"");
}

TEST_F(FileListTest, ShortcutEntryNamesItsRealFileNotALookAlike) {
    TempFolder folder;
    const std::wstring target = folder.Touch(L"cible.txt");
    const std::wstring shortcut = folder.MakeShortcut(L"Bloc", target);
    ASSERT_TRUE(FileExists(shortcut));
    folder.Touch(L"Bloc");        // a look-alike without a dot: not listed
    folder.Touch(L"Bloc.a.txt");  // before Bloc.lnk by file name, after "Bloc" by shown name
    list_->SetDirectory(folder.Path());

    ASSERT_EQ(Entries(), ShownNames({L"Bloc.a.txt", L"Bloc.lnk", L"cible.txt"}));
    Select(1);
    EXPECT_EQ(list_->FileName(), folder.Path(L"Bloc.lnk"));
}

TEST_F(FileListTest, UpdateReadsAgainWithNothingSelected) {
    TempFolder folder;
    folder.Touch(L"un.txt");
    list_->SetDirectory(folder.Path());
    Select(0);
    EXPECT_EQ(list_->FileName(), folder.Path(L"un.txt"));

    folder.Touch(L"deux.txt");
    ::DeleteFileW(folder.Path(L"un.txt").c_str());
    list_->Update();
    EXPECT_EQ(Entries(), ShownNames({L"deux.txt"}));
    EXPECT_EQ(list_->ItemIndex(), -1);
    EXPECT_EQ(Screen->Cursor(), crDefault);

    folder.Touch(L"trois.txt");
    list_->SetDirectory(folder.Path());  // the same folder again reads it again
    EXPECT_EQ(list_->Count(), 2);
}

TEST_F(FileListTest, FolderChangesAndTheirErrors) {
    TempFolder folder;
    folder.Touch(L"present.txt");
    list_->SetDirectory(folder.Path());
    const std::wstring current = CurrentDirectory();
    EXPECT_EQ(current, folder.Path());

    list_->SetDirectory(L"");  // nothing happens
    EXPECT_EQ(list_->Directory(), folder.Path());

    struct Case {
        std::wstring path;
        DWORD error;  // 0: whichever the platform gives for a missing path
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(testing::PrintToString(c.path));
        try {
            list_->SetDirectory(c.path);
            ADD_FAILURE() << "no error for " << c.path;
        } catch (const EInOutError& e) {
            if (c.error) {
                EXPECT_EQ(e.ErrorCode(), c.error) << c.path;
            }
            // The platform's code for the missing path decides the text.
            const std::map<DWORD, std::wstring> messages{
                {ERROR_FILE_NOT_FOUND, L"Impossible de trouver le fichier spécifié"},
                {ERROR_PATH_NOT_FOUND, L"Nom de fichier incorrect - " + c.path},
                {ERROR_DIRECTORY, L"Erreur E/S 267"},
            };
            ASSERT_TRUE(messages.count(e.ErrorCode())) << e.ErrorCode();
            EXPECT_EQ(e.Message(), messages.at(e.ErrorCode()));
        }
        EXPECT_EQ(list_->Directory(), folder.Path());
        EXPECT_EQ(Entries(), ShownNames({L"present.txt"}));
        EXPECT_EQ(CurrentDirectory(), current);
    };
    for (const Case& c : {Case{folder.Path(L"absent"), ERROR_FILE_NOT_FOUND}, Case{folder.Path(L"absent\\SendTo"), 0},
                          Case{folder.Path(L"present.txt"), ERROR_DIRECTORY}})
        checkRow(c);
}

TEST_F(FileListTest, NeverListsTheFolderTheProcessHappensToBeIn) {
    TempFolder elsewhere(L"ailleurs");
    elsewhere.Touch(L"etranger.txt");
    const CurrentFolderScope inElsewhere(elsewhere.Path());

    // A list whose window exists before it has a folder.
    auto* fresh = form_->Create<TShellFileListBox>();
    fresh->SetParent(form_);
    fresh->Handle();
    EXPECT_EQ(fresh->Directory(), L"");
    EXPECT_EQ(fresh->Count(), 0);
    fresh->Update();
    EXPECT_EQ(fresh->Count(), 0);

    // A folder that went away: the next reading lists nothing.
    {
        TempFolder gone(L"parti");
        gone.Touch(L"disparu.txt");
        list_->SetDirectory(gone.Path());
        ASSERT_EQ(Entries(), ShownNames({L"disparu.txt"}));
    }
    // The list entered the folder, which left it to go: elsewhere again.
    const CurrentFolderScope backElsewhere(elsewhere.Path());
    list_->Update();
    EXPECT_EQ(list_->Count(), 0);
}

TEST(InOutError, MessagesByErrorCode) {
    struct Case {
        DWORD code;
        std::wstring message;
    };
    for (const Case& c : {Case{2, L"Impossible de trouver le fichier spécifié"},
                          Case{3, L"Nom de fichier incorrect - C:\\absent"}, Case{4, L"Trop de fichiers ouverts"},
                          Case{5, L"Accès au fichier refusé"}, Case{100, L"Lecture au-delà de la fin de fichier"},
                          Case{101, L"Disque plein"}, Case{106, L"Saisie numérique incorrecte"},
                          Case{32, L"Erreur E/S 32"}}) {
        EXPECT_EQ(EInOutError(c.code, L"C:\\absent").Message(), c.message);
    }
}

TEST_F(FileListTest, DriveRootJoinsWithOneBackslash) {
    const std::wstring path = L"C:\\sendto-racine.txt";
    MakeFile(path);
    list_->SetDirectory(L"C:\\");
    const auto entries = Entries();
    const auto found = std::find(entries.begin(), entries.end(), ShownName(L"sendto-racine.txt"));
    ASSERT_NE(found, entries.end());
    Select(static_cast<int>(found - entries.begin()));
    EXPECT_EQ(list_->FileName(), path);
    ::DeleteFileW(path.c_str());
}

TEST_F(FileListTest, TypeAheadSelectsByPrefixWithinHalfASecond) {
    TempFolder folder;
    for (const wchar_t* name : {L"alpha.txt", L"Bleu.txt", L"blanc.txt", L"lune.txt"}) folder.Touch(name);
    list_->SetDirectory(folder.Path());
    ASSERT_EQ(Entries(), ShownNames({L"alpha.txt", L"blanc.txt", L"Bleu.txt", L"lune.txt"}));

    struct Step {
        DWORD delay;
        wchar_t ch;
        int selected;
    };
    const std::vector<Step> steps{
        {1000, L'b', 1},  // first entry beginning with b
        {100, L'L', 1},   // "bl", either case
        {100, L'e', 2},   // "ble"
        {500, L'l', 3},   // a pause starts again: "l"
        {100, L'x', 3},   // "lx" matches nothing: selection stays
        {100, VK_BACK, 3},
        {100, VK_BACK, 0},  // emptied: entry 0
    };
    TPlatformOverride clock(Platform().GetTickCount, &TestClock);
    for (const Step& s : steps) {
        g_now += s.delay;
        Type(s.ch);
        EXPECT_EQ(list_->ItemIndex(), s.selected) << "after " << static_cast<int>(s.ch);
    }
}

TEST_F(FileListTest, DoubleClickSelectsAndRaisesTheEventOnceRightClickChangesNothing) {
    TempFolder folder;
    folder.Touch(L"a.txt");
    folder.Touch(L"b.txt");
    list_->SetDirectory(folder.Path());
    int doubleClicks = 0;
    list_->OnDblClick = [&](TComponent* sender) {
        EXPECT_EQ(sender, list_);
        ++doubleClicks;
    };
    const RECT second = ItemRectOf(list_->Handle(), 1);
    const LPARAM at = MAKELPARAM(second.left + 30, second.top + 3);
    HWND window = list_->Handle();
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(window, WM_LBUTTONUP, 0, at);
    ::SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageW(window, WM_LBUTTONUP, 0, at);
    PumpMessages();
    EXPECT_EQ(list_->ItemIndex(), 1);
    EXPECT_EQ(doubleClicks, 1);

    const RECT first = ItemRectOf(list_->Handle(), 0);
    const LPARAM other = MAKELPARAM(first.left + 30, first.top + 3);
    ::SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, other);
    ::SendMessageW(window, WM_RBUTTONUP, 0, other);
    PumpMessages();
    EXPECT_EQ(list_->ItemIndex(), 1);
}

namespace {

// One entry painted onto a surface the size of its item rectangle.
struct PaintedEntry {
    static constexpr int W = 121, H = 16;
    Surface surface{W, H};

    PaintedEntry(TShellFileListBox& list, int index, UINT state) {
        surface.Fill(::GetSysColor(COLOR_WINDOW));
        Draw(list, index, state);
    }
    // Paints the entry again over what is there, as the list box asks on
    // every selection or focus change.
    void Draw(TShellFileListBox& list, int index, UINT state) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.itemID = static_cast<UINT>(index);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = list.Handle();
        item.hDC = surface.Dc();
        item.rcItem = {0, 0, W, H};
        list.DrawItem(item);
    }
    COLORREF At(int x, int y) const { return surface.At(x, y); }
    std::vector<COLORREF> Area(int width) const { return surface.Pixels({0, 0, width, H}); }
    // How many pixels of the area differ from `before`.
    size_t Changed(int width, const std::vector<COLORREF>& before) const {
        const std::vector<COLORREF> now = Area(width);
        size_t changed = 0;
        for (size_t i = 0; i < now.size(); ++i) changed += now[i] != before[i];
        return changed;
    }
};

}  // namespace

TEST_F(FileListTest, PaintsIconTextSelectionAndFocusWhereTheyBelong) {
    TempFolder folder;
    folder.Touch(L"ab.txt");
    list_->SetDirectory(folder.Path());
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const int iconWidth = list_->IconSize().cx;
    const int textLeft = iconWidth + 6 - 2;  // the text rectangle starts 2 px before the text

    {
        PaintedEntry plain(*list_, 0, 0);
        EXPECT_EQ(plain.At(textLeft, 0), window);
        EXPECT_EQ(plain.At(PaintedEntry::W - 1, 8), window);
    }
    {
        PaintedEntry selected(*list_, 0, ODS_SELECTED);
        EXPECT_EQ(selected.At(textLeft, 0), highlight) << "the text rectangle is highlighted";
        EXPECT_EQ(selected.At(textLeft, PaintedEntry::H - 1), highlight);
        EXPECT_EQ(selected.At(textLeft - 1, 8), window) << "the icon area keeps the list's colour";
        EXPECT_EQ(selected.At(0, 0), window);
        EXPECT_EQ(selected.At(PaintedEntry::W - 1, 8), window) << "past the text the column keeps its colour";
    }
    {
        // Without icons, row 0 of the icon area stays clear.
        PaintedEntry focused(*ListWithoutIcons(folder.Path()), 0, ODS_FOCUS);
        int dotsOnTextEdge = 0, dotsLeftOfText = 0;
        for (int x = 0; x < textLeft + 10; ++x) {
            const bool dot = focused.At(x, 0) != window;
            (x < textLeft ? dotsLeftOfText : dotsOnTextEdge) += dot;
        }
        EXPECT_GT(dotsOnTextEdge, 0) << "the focus rectangle frames the text rectangle";
        EXPECT_EQ(dotsLeftOfText, 0) << "no focus rectangle around the icon";
    }
    {
        // The platform's request for an empty list: the focus rectangle
        // only while the list has the focus.
        PaintedEntry empty(*list_, -1, ODS_FOCUS);
        for (int x : {0, textLeft, PaintedEntry::W - 1}) EXPECT_NE(empty.At(x, 0), window);
        empty.Draw(*list_, -1, 0);
        for (int x : {0, textLeft, PaintedEntry::W - 1}) EXPECT_EQ(empty.At(x, 0), window);
    }
}

// The icon's soft edges are blended into what is under them: an entry redrawn
// over itself, as selection and focus come and go, keeps the icon's pixels.
TEST_F(FileListTest, RedrawingAnEntryKeepsItsIconsPixels) {
    TempFolder folder;
    folder.Touch(L"ab.txt");
    list_->SetDirectory(folder.Path());
    const int iconCell = list_->IconSize().cx + 4;
    PaintedEntry entry(*list_, 0, 0);
    const std::vector<COLORREF> first = entry.Area(iconCell);
    for (int round = 0; round < 20; ++round) {
        for (UINT state : {UINT{ODS_SELECTED}, UINT{ODS_SELECTED | ODS_FOCUS}, UINT{ODS_FOCUS}, UINT{0}}) {
            entry.Draw(*list_, 0, state);
            ASSERT_EQ(entry.Changed(iconCell, first), 0u) << "round " << round << ", state " << state;
        }
    }
}

TEST_F(FileListTest, WithoutTheShellsIconListTheTextKeepsItsPlace) {
    TempFolder folder;
    folder.Touch(L"ab.txt");
    PaintedEntry selected(*ListWithoutIcons(folder.Path()), 0, ODS_SELECTED);
    EXPECT_EQ(selected.At(16 + 6 - 2, 0), ::GetSysColor(COLOR_HIGHLIGHT));
    for (int x = 0; x < 16 + 4; ++x) EXPECT_EQ(selected.At(x, 8), ::GetSysColor(COLOR_WINDOW)) << x;
}

TEST_F(FileListTest, EntryHeightFollowsTheFontWithSixteenAtLeast) {
    EXPECT_EQ(list_->ItemHeight(), 16) << "Tahoma at 13 pixels is below the glyph minimum";
    list_->Font().SetHeight(-24);
    list_->FontChanged();
    EXPECT_GT(list_->ItemHeight(), 16);
    EXPECT_EQ(::SendMessageW(list_->Handle(), LB_GETITEMHEIGHT, 0, 0), list_->ItemHeight());
}

// A throw-away folder goes at its end even while the process is in it, or in
// a folder inside it, as after a list entered it.
TEST(TempFolder, GoesWhileTheCurrentFolderIsInsideIt) {
    for (const wchar_t* inside : {L"", L"dedans"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(inside)));
        const CurrentFolderScope restored;
        std::wstring path;
        {
            const TempFolder folder(L"courant");
            path = folder.Path();
            const std::wstring current = *inside ? folder.MakeFolder(inside) : folder.Path();
            EXPECT_TRUE(::SetCurrentDirectoryW(current.c_str()));
        }
        EXPECT_FALSE(FileExists(path));
    }
}

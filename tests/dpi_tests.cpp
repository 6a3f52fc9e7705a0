// The program at 150 %: run in a prefix whose screen has 144 dpi, the real
// exe is sized for that resolution, and so is the menu of a window made here.
#include "running_program.h"
#include "test_support.h"

#include "application.h"
#include "dpi.h"
#include "image_list.h"
#include "main_form.h"
#include "popup_menu.h"
#include "screen.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kDpi = 144;

int LineHeight(const LOGFONTW& log) {
    win::UniqueFont font(::CreateFontIndirectW(&log));
    win::WindowDc dc(nullptr);
    win::SelectScope select(dc.get(), font.get());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.get(), &metrics);
    return metrics.tmHeight;
}

// How many rows of `area` (screen coordinates) hold a pixel other than
// `background`, from the first such row to the last.
int PaintedHeight(const RECT& area, COLORREF background) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    Surface surface(width, height);
    surface.CopyScreen({area.left, area.top});
    int first = -1, last = -1;
    for (int y = 0; y < height; ++y)
        if (surface.Count({0, y, width, y + 1}, [&](COLORREF c) { return c != background; }) > 0) {
            if (first < 0) first = y;
            last = y;
        }
    return first < 0 ? 0 : last - first + 1;
}

// One file in the user's SendTo folder while a test runs.
class OneEntry {
public:
    OneEntry() : path_(SendToFolder() + L"\\notes.txt") {
        PutSendToInPlace();
        MakeFile(path_);
    }
    ~OneEntry() { ::DeleteFileW(path_.c_str()); }
    OneEntry(const OneEntry&) = delete;
    OneEntry& operator=(const OneEntry&) = delete;

private:
    std::wstring path_;
};

}  // namespace

TEST(At144Dpi, ThePrefixHasThatResolution) {
    ASSERT_EQ(Screen->PixelsPerInch(), kDpi) << "run in a prefix at 144 dpi (scripts/with-wine.sh --dpi 144)";
    ASSERT_EQ(PrimaryMonitorDpi(), kDpi);
}

TEST(At144Dpi, TheProgramIsSizedForItsResolution) {
    OneEntry entry;
    RunningProgram program;
    ASSERT_TRUE(program.Started());
    HWND main = program.WaitForWindow("main window", L"TForm1", true);
    ASSERT_NE(main, nullptr);

    // Larger than at 96 dpi; the layout's rule at 144 dpi is a row of the
    // application's tests.
    const RECT client = ClientRectOf(main);
    EXPECT_GT(client.right, 243);
    EXPECT_GT(client.bottom, 169);

    HWND bar = ::FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
    ASSERT_NE(bar, nullptr);
    const int barHeight = ClientRectOf(bar).bottom;
    EXPECT_GE(barHeight, LineHeight(NonClientMetricsForDpi(kDpi).lfStatusFont) + 2) << "the bar cuts its text";
    EXPECT_GT(barHeight, 19);

    HWND list = ::FindWindowExW(main, nullptr, L"ListBox", nullptr);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    const int entryHeight = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const RECT item = ItemRectOf(list, 0);
    // The icon's cell alone: with a 16-pixel icon the text starts at 22.
    RECT iconCell{item.left, item.top, item.left + 20, item.bottom};
    ::MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&iconCell), 2);
    // The window paints once it shows: the icon is there when it is.
    int iconHeight = 0;
    EXPECT_TRUE(PumpUntil([&] { return (iconHeight = PaintedHeight(iconCell, ::GetSysColor(COLOR_WINDOW))) > 0; }))
        << "the entry's icon was never painted";
    EXPECT_GT(iconHeight, 16) << "the icon is drawn at the 96 dpi size";
    EXPECT_GE(entryHeight, iconHeight);
}

TEST(At144Dpi, MenuItemsAreAtLeastAsHighAsTheirScaledImages) {
    const auto form = CreateOwnedForm<TForm1>();
    form->ReadLayout();
    TPopupMenu* menu = form->PopupMenu1;
    const TImageSet images = menu->Images()->ForDpi(kDpi);
    EXPECT_EQ(images.Size.cy, ::MulDiv(16, kDpi, 96));
    EXPECT_NE(images.Handle, menu->Images()->Handle());
    for (TMenuItem* item : menu->Items()) {
        if (item->IsLine()) continue;
        SCOPED_TRACE(std::string(item->Caption().begin(), item->Caption().end()));
        MEASUREITEMSTRUCT measure{ODT_MENU};
        menu->MeasureItem(*item, measure);
        EXPECT_GE(static_cast<int>(measure.itemHeight), images.Size.cy);
        EXPECT_GT(static_cast<int>(measure.itemWidth), images.Size.cx);
    }
}

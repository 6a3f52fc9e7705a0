#include "menu_painter.h"

#include "dpi.h"
#include "graphics.h"
#include "image_list.h"
#include "popup_menu.h"
#include "screen.h"
#include "ux_theme.h"

#include <vssym32.h>

#include <algorithm>

// The theme's popup-menu parts while visual styles are in effect.
class MenuTheme {
public:
    MenuTheme(HWND window, bool themed, int dpi) {
        const UxTheme& ux = UxTheme::Functions();
        if (!themed || !ux.Complete()) return;
        // The parts' sizes at the menu's resolution, where the platform can.
        theme_ = ux.openForDpi ? ux.openForDpi(window, L"MENU", static_cast<UINT>(dpi)) : nullptr;
        if (!theme_) theme_ = ux.open(window, L"MENU");
    }
    ~MenuTheme() {
        if (theme_) UxTheme::Functions().close(theme_);
    }
    MenuTheme(const MenuTheme&) = delete;
    MenuTheme& operator=(const MenuTheme&) = delete;

    explicit operator bool() const noexcept { return theme_ != nullptr; }

    SIZE PartSize(HDC dc, int part, int state = 0) const {
        SIZE size{};
        UxTheme::Functions().partSize(theme_, dc, part, state, nullptr, TS_TRUE, &size);
        return size;
    }
    MARGINS Margins(HDC dc, int part, int property, int state = 0) const {
        MARGINS margins{};
        UxTheme::Functions().margins(theme_, dc, part, state, property, nullptr, &margins);
        return margins;
    }
    void Background(HDC dc, int part, int state, const RECT& rect) const {
        UxTheme::Functions().background(theme_, dc, part, state, &rect, nullptr);
    }
    void Text(HDC dc, int part, int state, const std::wstring& text, DWORD format, const RECT& rect) const {
        UxTheme::Functions().text(theme_, dc, part, state, text.c_str(), static_cast<int>(text.size()), format, 0,
                                  &rect);
    }
    COLORREF TextColor(int part, int state) const {
        COLORREF color = ::GetSysColor(COLOR_MENUTEXT);
        UxTheme::Functions().color(theme_, part, state, TMT_TEXTCOLOR, &color);
        return color;
    }

private:
    HTHEME theme_ = nullptr;
};

namespace {

// The sizes of the parts an item is made of.
struct ThemeMetrics {
    SIZE check, gutter, separator, subMenu;
    MARGINS checkContent, gutterSizing, itemSizing, separatorSizing;
};

ThemeMetrics ReadMetrics(const MenuTheme& theme, HDC dc) {
    ThemeMetrics m{};
    m.check = theme.PartSize(dc, MENU_POPUPCHECK, MC_CHECKMARKNORMAL);
    m.gutter = theme.PartSize(dc, MENU_POPUPGUTTER);
    m.separator = theme.PartSize(dc, MENU_POPUPSEPARATOR);
    m.subMenu = theme.PartSize(dc, MENU_POPUPSUBMENU, MSM_NORMAL);
    m.checkContent = theme.Margins(dc, MENU_POPUPCHECK, TMT_CONTENTMARGINS, MC_CHECKMARKNORMAL);
    m.gutterSizing = theme.Margins(dc, MENU_POPUPGUTTER, TMT_SIZINGMARGINS);
    m.itemSizing = theme.Margins(dc, MENU_POPUPITEM, TMT_SIZINGMARGINS, MPI_NORMAL);
    m.separatorSizing = theme.Margins(dc, MENU_POPUPSEPARATOR, TMT_SIZINGMARGINS);
    return m;
}

// ---- Drawing helpers ----------------------------------------------------------

// Classic layout at 96 dpi: the image square with its frame, where text
// begins, the room around the image and the text, and the separator.
constexpr int kClassicFrame = 19;
constexpr int kClassicTextLeft = 22;
constexpr int kClassicImageRoom = 3;
constexpr int kClassicTextRoom = 15 + 7;
constexpr int kClassicSeparatorHeight = 5 + 3;
constexpr int kClassicSeparatorOffset = 4;

win::UniqueFont MenuFont(int dpi, bool bold) {
    LOGFONTW log = NonClientMetricsForDpi(dpi).lfMenuFont;
    if (bold) log.lfWeight = FW_BOLD;
    return win::UniqueFont(::CreateFontIndirectW(&log));
}

SIZE TextSize(HDC dc, const std::wstring& text) {
    RECT r{};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    return {r.right - r.left, r.bottom - r.top};
}

// Where the caption goes: measured, then centred vertically in `area`.
RECT CaptionRect(HDC dc, const std::wstring& caption, const RECT& area) {
    const int height = TextSize(dc, caption).cy;
    RECT r = area;
    r.top += (area.bottom - area.top - height) / 2;
    r.bottom = r.top + height;
    return r;
}

DWORD TextFormat(UINT state) {
    return DT_SINGLELINE | DT_LEFT | DT_EXPANDTABS | ((state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
}

void DrawImage(const TImageSet& images, int index, HDC dc, int x, int y) {
    if (images.Handle && index >= 0 && index < images.Count)
        ::ImageList_DrawEx(images.Handle, index, dc, x, y, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_NORMAL);
}

// Where the parts of an item go, with the theme's measures.
struct ThemedPlaces {
    RECT glyph, gutter, line, text;
};

ThemedPlaces PlacesOf(const ThemeMetrics& m, const TImageSet& images, const RECT& r) {
    const SIZE image = images.Size;
    const SIZE check{m.check.cx + 2 * m.checkContent.cxRightWidth, m.check.cy + 2 * m.checkContent.cyBottomHeight};
    const RECT glyph{r.left, r.top, r.left + std::max(check.cx, image.cx), r.top + std::max(check.cy, image.cy)};
    const RECT gutter{glyph.left, r.top,
                      glyph.right + m.gutter.cx + m.checkContent.cxLeftWidth + m.gutterSizing.cxLeftWidth, r.bottom};
    return {glyph,
            gutter,
            {gutter.right + 1, r.top, r.right, r.bottom - m.separatorSizing.cyBottomHeight},
            {gutter.right + m.itemSizing.cxLeftWidth, r.top, r.right - m.subMenu.cx, r.bottom}};
}

void DrawItemImage(const TImageSet& images, const TMenuItem& item, HDC dc, const RECT& glyph) {
    const SIZE image = images.Size;
    DrawImage(images, item.ImageIndex(), dc, glyph.left + (glyph.right - glyph.left - image.cx) / 2,
              glyph.top + (glyph.bottom - glyph.top - image.cy) / 2);
}

bool Selected(const DRAWITEMSTRUCT& draw) { return (draw.itemState & ODS_SELECTED) != 0; }
bool Enabled(const DRAWITEMSTRUCT& draw) { return !(draw.itemState & (ODS_DISABLED | ODS_GRAYED)); }

void DrawThemedItem(const MenuTheme& theme, const TMenuItem& item, const TImageSet& images,
                    const ThemedPlaces& places, const DRAWITEMSTRUCT& draw) {
    HDC dc = draw.hDC;
    const RECT& r = draw.rcItem;
    const bool selected = Selected(draw);
    const bool enabled = Enabled(draw);

    theme.Background(dc, MENU_POPUPBACKGROUND, 0, r);
    // The text in the state its background is drawn in: hot text on the hot
    // background, whatever colours the theme gives each.
    const int textState = selected ? (enabled ? MPI_HOT : MPI_DISABLEDHOT) : (enabled ? MPI_NORMAL : MPI_DISABLED);
    ::SetTextColor(dc, theme.TextColor(MENU_POPUPITEM, textState));
    theme.Background(dc, MENU_POPUPGUTTER, 0, places.gutter);

    if (item.IsLine()) {
        theme.Background(dc, MENU_POPUPSEPARATOR, 0, places.line);
        return;
    }
    if (selected) theme.Background(dc, MENU_POPUPITEM, textState, r);
    DrawItemImage(images, item, dc, places.glyph);
    theme.Text(dc, MENU_POPUPITEM, textState, item.Caption(), TextFormat(draw.itemState),
               CaptionRect(dc, item.Caption(), places.text));
}

// The themed item's places, painted in the dark palette: the theme's parts
// are light.
void DrawDarkItem(const TMenuItem& item, const TImageSet& images, const ThemedPlaces& places,
                  const DRAWITEMSTRUCT& draw) {
    HDC dc = draw.hDC;
    const bool selected = Selected(draw);
    const bool enabled = Enabled(draw);
    ::FillRect(dc, &draw.rcItem, Screen->SchemeBrush(selected && !item.IsLine() ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (item.IsLine()) {
        const int middle = (places.line.top + places.line.bottom) / 2;
        const RECT line{places.line.left, middle, places.line.right, middle + 1};
        ::FillRect(dc, &line, Screen->SchemeBrush(COLOR_BTNSHADOW));
        return;
    }
    ::SetTextColor(dc, Screen->SchemeColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    DrawItemImage(images, item, dc, places.glyph);
    RECT text = CaptionRect(dc, item.Caption(), places.text);
    ::DrawTextW(dc, item.Caption().c_str(), static_cast<int>(item.Caption().size()), &text,
                TextFormat(draw.itemState));
}

void DrawClassicItem(const TMenuItem& item, const TImageSet& images, int dpi, const DRAWITEMSTRUCT& draw) {
    HDC dc = draw.hDC;
    RECT r = draw.rcItem;
    const bool selected = draw.itemState & ODS_SELECTED;
    const bool hasImage = images.Handle && item.ImageIndex() >= 0;
    const int frameSize = ScaleFromDesign(kClassicFrame, dpi);
    ::FillRect(dc, &r, Screen->SchemeBrush(COLOR_MENU));
    if (item.IsLine()) {
        RECT line = r;
        line.top += ScaleFromDesign(kClassicSeparatorOffset, dpi);
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    RECT fill = r;
    if (selected && hasImage) fill.left += frameSize + 1;
    if (selected) ::FillRect(dc, &fill, Screen->SchemeBrush(COLOR_HIGHLIGHT));
    ::SetTextColor(dc, ColorToRGB(selected ? clHighlightText : clMenuText));

    DrawImage(images, item.ImageIndex(), dc, r.left + 1, r.top + 1);
    if (selected && hasImage) {
        RECT frame{r.left, r.top, r.left + frameSize, r.top + frameSize};
        ::DrawEdge(dc, &frame, BDR_RAISEDINNER, BF_RECT);
    }
    const RECT area{r.left + ScaleFromDesign(kClassicTextLeft, dpi), r.top, r.right - 1, r.bottom};
    RECT text = CaptionRect(dc, item.Caption(), area);
    ::DrawTextW(dc, item.Caption().c_str(), static_cast<int>(item.Caption().size()), &text,
                TextFormat(draw.itemState));
}

}  // namespace

TMenuPainter::TMenuPainter(HWND window, bool themed, int dpi, const TImageSet& images)
    : dpi_(dpi),
      images_(images),
      theme_(std::make_unique<MenuTheme>(window, themed, dpi)),
      normal_(MenuFont(dpi, false)),
      bold_(MenuFont(dpi, true)),
      dark_(Screen->DarkColors()) {}

TMenuPainter::~TMenuPainter() = default;

HFONT TMenuPainter::Font(bool bold) const noexcept { return bold ? bold_.get() : normal_.get(); }

void TMenuPainter::Measure(const TMenuItem& item, MEASUREITEMSTRUCT& measure) const {
    win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    win::SelectScope selected(dc.get(), Font(item.Default()));
    const SIZE image = images_.Size;
    if (*theme_) {
        const ThemeMetrics m = ReadMetrics(*theme_, dc.get());
        if (item.IsLine()) {
            measure.itemWidth = 0;
            measure.itemHeight = static_cast<UINT>(m.separator.cy + m.separatorSizing.cyBottomHeight);
            return;
        }
        const SIZE glyph{std::max(m.check.cx, image.cx), std::max(m.check.cy, image.cy)};
        measure.itemHeight = static_cast<UINT>(glyph.cy + m.checkContent.cyTopHeight + m.checkContent.cyBottomHeight);
        measure.itemWidth = static_cast<UINT>(
            glyph.cx + m.checkContent.cxLeftWidth + m.checkContent.cxRightWidth + m.gutter.cx +
            m.gutterSizing.cxLeftWidth + m.gutterSizing.cxRightWidth + m.itemSizing.cxLeftWidth +
            m.itemSizing.cxRightWidth + m.subMenu.cx + TextSize(dc.get(), item.Caption()).cx);
        return;
    }
    if (item.IsLine()) {
        measure.itemWidth = 0;
        measure.itemHeight = static_cast<UINT>(ScaleFromDesign(kClassicSeparatorHeight, dpi_));
        return;
    }
    measure.itemHeight = static_cast<UINT>(image.cy + ScaleFromDesign(kClassicImageRoom, dpi_));
    measure.itemWidth =
        static_cast<UINT>(image.cx + ScaleFromDesign(kClassicTextRoom, dpi_) + TextSize(dc.get(), item.Caption()).cx);
}

void TMenuPainter::Draw(const TMenuItem& item, const DRAWITEMSTRUCT& draw) const {
    win::SelectScope selected(draw.hDC, Font(item.Default() || (draw.itemState & ODS_DEFAULT)));
    const int mode = ::SetBkMode(draw.hDC, TRANSPARENT);
    const COLORREF color = ::GetTextColor(draw.hDC);
    if (*theme_) {
        const ThemedPlaces places = PlacesOf(ReadMetrics(*theme_, draw.hDC), images_, draw.rcItem);
        if (dark_)
            DrawDarkItem(item, images_, places, draw);
        else
            DrawThemedItem(*theme_, item, images_, places, draw);
    } else {
        DrawClassicItem(item, images_, dpi_, draw);
    }
    ::SetTextColor(draw.hDC, color);
    ::SetBkMode(draw.hDC, mode);
}

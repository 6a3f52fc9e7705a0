// The owner drawing of a popup menu's items, themed while visual styles are
// in effect and classic otherwise; in the dark palette, the themed items'
// places are painted in its colours. One painter serves one open popup: its
// theme and fonts are opened once, not for every item.
#pragma once

#include "image_list.h"
#include "win_handles.h"

#include <memory>

class MenuTheme;
class TMenuItem;

class TMenuPainter {
public:
    // `themed`: whether visual styles may be used; the theme is opened for
    // `window`, the one that receives the menu's drawing requests. Fonts,
    // theme parts and `images` are those of the menu's resolution, `dpi`.
    TMenuPainter(HWND window, bool themed, int dpi, const TImageSet& images);
    ~TMenuPainter();
    TMenuPainter(const TMenuPainter&) = delete;
    TMenuPainter& operator=(const TMenuPainter&) = delete;

    void Measure(const TMenuItem& item, MEASUREITEMSTRUCT& measure) const;
    void Draw(const TMenuItem& item, const DRAWITEMSTRUCT& draw) const;

private:
    HFONT Font(bool bold) const noexcept;

    int dpi_;
    TImageSet images_;
    std::unique_ptr<const MenuTheme> theme_;
    win::UniqueFont normal_;
    win::UniqueFont bold_;
    // The palette when the popup opened.
    bool dark_;
};

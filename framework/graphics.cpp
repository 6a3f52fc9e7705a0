#include "graphics.h"

#include "screen.h"

#include <algorithm>

COLORREF ColorToRGB(TColor color) noexcept {
    if ((color & 0xFF000000u) != 0xFF000000u) return color;
    const int index = static_cast<int>(color & 0xFF);
    return Screen ? Screen->SchemeColor(index) : ::GetSysColor(index);
}

namespace {

int ScreenPixelsPerInch() { return Screen ? Screen->PixelsPerInch() : 96; }

}  // namespace

TFont::TFont() {
    // The framework's default font: Tahoma at 8 points.
    log_.lfHeight = -::MulDiv(8, ScreenPixelsPerInch(), 72);
    log_.lfCharSet = DEFAULT_CHARSET;
    SetName(L"Tahoma");
}

TFont::TFont(const LOGFONTW& log, TColor color) : log_(log), color_(color) {}

void TFont::Assign(const LOGFONTW& log) {
    log_ = log;
    handle_.reset();
}

void TFont::SetName(const std::wstring& name) {
    const size_t n = std::min(name.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::copy_n(name.c_str(), n, log_.lfFaceName);
    log_.lfFaceName[n] = L'\0';
    handle_.reset();
}

void TFont::SetHeight(int height) {
    log_.lfHeight = height;
    handle_.reset();
}

int TFont::Size(int pixelsPerInch) const { return -::MulDiv(log_.lfHeight, 72, pixelsPerInch); }

void TFont::SetSize(int points, int pixelsPerInch) { SetHeight(-::MulDiv(points, pixelsPerInch, 72)); }

HFONT TFont::Handle() {
    if (!handle_) handle_.reset(::CreateFontIndirectW(&log_));
    return handle_.get();
}

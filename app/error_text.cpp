#include "error_text.h"

std::wstring WithFullStop(std::wstring text) {
    if (!text.empty() && text.back() > L'.') text += L'.';
    return text;
}

std::wstring FullStopAfter(const std::wstring& text) { return !text.empty() && text.back() != L'.' ? L"." : L""; }

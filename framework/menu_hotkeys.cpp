#include "menu_hotkeys.h"

#include <optional>
#include <string_view>
#include <utility>

namespace {

constexpr std::wstring_view kHotkeyChars = L"1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

bool IsSurrogate(wchar_t ch) { return ch >= 0xD800 && ch <= 0xDFFF; }

std::wstring WithoutHotkeyMarks(const std::wstring& caption) {
    std::wstring result;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size() && caption[i + 1] == L'&') {
            result += L"&&";
            ++i;
        } else if (caption[i] != L'&') {
            result += caption[i];
        }
    }
    return result;
}

// "(&K)" after the caption, before a trailing "..." if it has one: the form
// that Far-East systems use.
std::wstring WithAppendedHotkey(const std::wstring& caption, wchar_t key) {
    const size_t at = caption.ends_with(L"...") ? caption.size() - 3 : caption.size();
    return caption.substr(0, at) + L"(&" + key + L")" + caption.substr(at);
}

// The caption with its first character still available (taken out of
// `available`) marked as its hotkey, or nothing.
std::optional<std::wstring> MarkFirstAvailable(const std::wstring& caption, std::wstring& available, bool farEast) {
    for (size_t i = 0; i < caption.size(); ++i) {
        if (IsSurrogate(caption[i])) continue;
        const size_t at = available.find(Upper(caption[i]));
        if (at == std::wstring::npos) continue;
        const wchar_t key = available[at];
        available.erase(at, 1);
        return farEast ? WithAppendedHotkey(caption, key) : caption.substr(0, i) + L"&" + caption.substr(i);
    }
    return std::nullopt;
}

// Captions are named by their index in the list being served.
struct HotkeyPass {
    std::vector<std::pair<size_t, std::wstring>> assigned;
    std::vector<size_t> missed;
    std::wstring left;  // the characters still available after the pass
};

HotkeyPass AssignInOrder(const std::vector<std::wstring>& captions, const std::vector<size_t>& order,
                         std::wstring available, bool farEast) {
    HotkeyPass pass;
    for (size_t index : order) {
        if (auto marked = MarkFirstAvailable(captions[index], available, farEast))
            pass.assigned.emplace_back(index, std::move(*marked));
        else
            pass.missed.push_back(index);
    }
    pass.left = std::move(available);
    return pass;
}

// Tries orders until every item gets a character, the items that missed
// out moved to the front each time; keeps the pass that served the most. On
// a Far-East system the items still without one get what is left.
void AssignHotkeysTo(std::vector<std::wstring>& captions, std::vector<size_t> order, const std::wstring& available,
                     bool farEast) {
    HotkeyPass best;
    const size_t passes = order.size();
    for (size_t n = 0; n < passes; ++n) {
        HotkeyPass pass = AssignInOrder(captions, order, available, farEast);
        const bool complete = pass.missed.empty();
        if (n == 0 || pass.assigned.size() > best.assigned.size()) best = pass;
        if (complete) break;
        std::vector<size_t> next = pass.missed;
        for (const auto& done : pass.assigned) next.push_back(done.first);
        order = std::move(next);
    }
    for (size_t i = 0; farEast && i < best.missed.size() && i < best.left.size(); ++i)
        best.assigned.emplace_back(best.missed[i], WithAppendedHotkey(captions[best.missed[i]], best.left[i]));
    for (auto& [index, caption] : best.assigned) captions[index] = std::move(caption);
}

}  // namespace

wchar_t Upper(wchar_t ch) {
    ::CharUpperBuffW(&ch, 1);
    return ch;
}

wchar_t HotkeyOf(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] != L'&') return caption[i + 1];
        ++i;  // "&&" is a literal ampersand
    }
    return L'\0';
}

void AssignHotkeys(std::vector<std::wstring>& captions, bool farEast) {
    std::wstring available(kHotkeyChars);
    std::vector<size_t> todo;
    for (size_t index = 0; index < captions.size(); ++index) {
        const wchar_t hotkey = Upper(HotkeyOf(captions[index]));
        if (hotkey == L'\0') {
            todo.push_back(index);
        } else if (kHotkeyChars.find(hotkey) != std::wstring_view::npos) {
            const size_t at = available.find(hotkey);
            if (at != std::wstring::npos) {
                available.erase(at, 1);
            } else {
                captions[index] = WithoutHotkeyMarks(captions[index]);
                todo.push_back(index);
            }
        }
    }
    if (!todo.empty()) AssignHotkeysTo(captions, std::move(todo), available, farEast);
}

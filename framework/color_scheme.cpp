#include "color_scheme.h"

#include "platform_calls.h"

#include <string_view>

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppsUseLightTheme[] = L"AppsUseLightTheme";

}  // namespace

bool AppsSetToDark() {
    DWORD light = 1;
    DWORD size = sizeof(light);
    const LSTATUS status = Platform().RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, kAppsUseLightTheme,
                                                   RRF_RT_REG_DWORD, nullptr, &light, &size);
    return status == ERROR_SUCCESS && light == 0;
}

bool HighContrastOn() noexcept {
    HIGHCONTRASTW contrast{sizeof(contrast)};
    return Platform().SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The surfaces a little apart (the list darker than the bars and the menu),
// the text white, the selection a grey that white text reads well on.
COLORREF DarkSchemeColor(int index) noexcept {
    switch (index) {
    case COLOR_WINDOW: return RGB(32, 32, 32);
    case COLOR_BTNFACE:
    case COLOR_MENU: return RGB(43, 43, 43);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
    case COLOR_MENUTEXT:
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT: return RGB(98, 98, 98);
    case COLOR_GRAYTEXT: return RGB(160, 160, 160);
    case COLOR_BTNSHADOW: return RGB(80, 80, 80);
    default: return ::GetSysColor(index);
    }
}

bool IsColorSetChange(LPARAM settingName) noexcept {
    const auto* name = reinterpret_cast<const wchar_t*>(settingName);
    return name && std::wstring_view(name) == L"ImmersiveColorSet";
}

void SetDarkTitleBar(HWND window, bool dark) {
    const BOOL value = dark ? TRUE : FALSE;
    (void)Platform().DwmSetWindowAttribute(window, kUseImmersiveDarkMode, &value, sizeof(value));
}

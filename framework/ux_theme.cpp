#include "ux_theme.h"

#include "system_library.h"

namespace {

template <typename F>
F UxFunction(const char* name) {
    return SystemFunction<F>(L"uxtheme.dll", name);
}

}  // namespace

bool UxTheme::Complete() const noexcept {
    return open && close && partSize && margins && background && text && color;
}

bool UxTheme::StylesActive() const { return isThemeActive && isAppThemed && isThemeActive() && isAppThemed(); }

UxTheme& UxTheme::Functions() {
    static UxTheme functions{
        UxFunction<QueryFn>("IsThemeActive"),     UxFunction<QueryFn>("IsAppThemed"),
        UxFunction<OpenFn>("OpenThemeData"),      UxFunction<CloseFn>("CloseThemeData"),
        UxFunction<PartSizeFn>("GetThemePartSize"), UxFunction<MarginsFn>("GetThemeMargins"),
        UxFunction<BackgroundFn>("DrawThemeBackground"), UxFunction<TextFn>("DrawThemeText"),
        UxFunction<ColorFn>("GetThemeColor"),     UxFunction<OpenForDpiFn>("OpenThemeDataForDpi"),
    };
    return functions;
}

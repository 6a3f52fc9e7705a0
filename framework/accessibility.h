// What a screen reader is told of a window, or of one part of it, beyond
// what the system's accessibility proxy finds by itself: a name, a
// description, a role. Given through the documented direct annotation
// (IAccPropServices); where the system has no annotation service nothing is
// told and nothing fails.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

enum class TAccProperty { Name, Description, Role };

struct TAccAnnotation {
    LONG child;  // CHILDID_SELF (0), or the part's child identifier
    TAccProperty property;
    std::wstring text;  // for a name or a description
    LONG role = 0;      // for a role: ROLE_SYSTEM_*
};

// The annotations that a control gives its window: kept, so that a window
// made again gets them as well, and taken back when the window goes.
class TAccAnnotations {
public:
    // Adds one, or changes the one of that part and property; the window,
    // when there is one, is told at once, unless it was told the same already.
    void Set(HWND window, const TAccAnnotation& annotation);
    void TellWindow(HWND window) const;
    void ClearFromWindow(HWND window) const;

private:
    std::vector<TAccAnnotation> annotations_;
};

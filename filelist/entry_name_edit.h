// The box in which the user types an entry's new name over the entry (F2):
// the platform's edit control inside the list. It never ends the edit
// itself: Enter, Esc and the focus going elsewhere are told to the list by a
// posted message, so that the list closes the box outside the box's own
// message handling and outside any change of focus.
#pragma once

#include "win_control.h"

#include <string>

// Posted to the list: the edit should end; WParam: rename (Enter, the focus
// gone elsewhere) or not (Esc); LParam: whether the focus went elsewhere.
constexpr UINT CM_ENDNAMEEDIT = CM_BASE + 0x10;
// Posted to the list: the box closed is done with its messages and goes.
constexpr UINT CM_RELEASENAMEEDIT = CM_BASE + 0x11;

class TEntryNameEdit final : public TWinControl {
public:
    explicit TEntryNameEdit(TComponent* owner);

    std::wstring Text();
    // Ends what an input method is still composing in the box: the text
    // composed so far goes into the box, as the user would have it before
    // the name is read.
    void CompleteComposition();
    // Shows `text` in `font`, its first `selected` characters selected, and
    // takes the focus.
    void Begin(const std::wstring& text, size_t selected, HFONT font);
    void TakeFocus();

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    void TellList(bool rename, bool focusGone);
};

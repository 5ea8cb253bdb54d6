#pragma once
// The skinned push button: a real BUTTON window, drawn by the skin, that never takes the
// keyboard focus when clicked, so the control the user last worked in keeps it.
#include <functional>

#include "platform/ui/control.h"
#include "platform/ui/skin.h"

namespace vorlane::ui {

class SkinButton : public Control {
public:
    SkinButton(HWND parent, int id, const Rect& r, const std::string& caption = {});
    std::function<void()> onClick;
    // The letter after '&' in the caption, upper case, or 0.
    wchar_t Mnemonic() const;
    void Click();
    // The picture drawn left of the caption.
    void SetGlyph(ButtonGlyph glyph);
    bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    LRESULT SubclassProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool pressed_ = false, tracking_ = false;
    ButtonGlyph glyph_ = ButtonGlyph::None;
};

}  // namespace vorlane::ui

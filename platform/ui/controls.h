#pragma once
// The plain controls of the layer. Each is a real child window; containers (Panel and the
// notebook's pages) paint the face colour and reflect notifications to their children.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/skin.h"

namespace vorlane::ui {

// A container painted with the face colour; optionally with a raised line along its top.
class Panel : public Control {
public:
    Panel(HWND parent, int id, const Rect& r, bool topBevel = false);
    bool topBevel = false;
};

// Pages stacked in one place; exactly the page of PageIndex() is visible.
class Notebook : public Control {
public:
    Notebook(HWND parent, int id, const Rect& r);
    Panel& AddPage(const std::string& name);
    Panel& Page(int index) { return *pages_.at(static_cast<size_t>(index)); }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    void SetPageIndex(int index);
    int PageIndex() const { return index_; }
    const std::string& PageName(int index) const { return names_.at(static_cast<size_t>(index)); }

private:
    std::vector<std::unique_ptr<Panel>> pages_;
    std::vector<std::string> names_;
    int index_ = -1;
};

class Label : public Control {
public:
    struct Style {
        HFONT font = nullptr;
        COLORREF color = RGB(0, 0, 0);
        bool center = false;
        bool clickable = false;  // hand cursor, onClick
        bool etchedLine = false;  // a raised separator line instead of text
    };
    Label(HWND parent, int id, const Rect& r, const std::string& text, Style style);
    Label(HWND parent, int id, const Rect& r, const std::string& text) : Label(parent, id, r, text, Style{}) {}
    std::function<void()> onClick;
    bool OnCommand(WORD code) override;
    HBRUSH OnCtlColor(HDC dc) override;

protected:
    LRESULT SubclassProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    Style style_;
};

class Edit : public Control {
public:
    Edit(HWND parent, int id, const Rect& r, const std::string& text = {});
    void SetMaxLength(int n);
    // Sees each typed character as a Windows-1252 code; setting it to 0 cancels the key.
    std::function<void(char& key)> onKeyPress;

protected:
    LRESULT SubclassProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

class Memo : public Control {
public:
    Memo(HWND parent, int id, const Rect& r);
    // Painted in the colour of the panel around it instead of the window colour.
    void UseFaceColour();
    HBRUSH OnCtlColor(HDC dc) override;

protected:
    // Ctrl+A selects the whole text, as users expect of a box they copy from; the system's
    // multi-line edit leaves that key out.
    LRESULT SubclassProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool faceColour_ = false;
};

class CheckBox : public Control {
public:
    CheckBox(HWND parent, int id, const Rect& r, const std::string& text, bool checked);
    bool Checked() const;
    void SetChecked(bool checked);
    std::function<void()> onClick;
    bool OnCommand(WORD code) override;
    HBRUSH OnCtlColor(HDC dc) override;
};

class GroupBox : public Control {
public:
    GroupBox(HWND parent, int id, const Rect& r, const std::string& text);
    HBRUSH OnCtlColor(HDC dc) override;

protected:
    LRESULT SubclassProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

// A picture drawn by the skin.
class Picture : public Control {
public:
    Picture(HWND parent, int id, const Rect& r, Artwork art);
    Artwork art;
};

// Floating-point position and maximum; the position is always kept within 0..maximum.
class ProgressBar : public Control {
public:
    ProgressBar(HWND parent, int id, const Rect& r);
    void SetMax(double max);
    void SetPosition(double position);
    double Max() const { return max_; }
    double Position() const { return position_; }

private:
    double max_ = 100, position_ = 0;
};

}  // namespace vorlane::ui

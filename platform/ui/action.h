#pragma once
// An action: caption, enabled and visible state and an optional keyboard shortcut, shared by
// the buttons bound to it.
#include <functional>
#include <string>
#include <vector>

namespace vorlane::ui {

class SkinButton;

class Action {
public:
    explicit Action(std::string caption, unsigned shortcutKey = 0);
    std::function<void()> onExecute;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    unsigned ShortcutKey() const { return shortcut_; }
    // Runs the handler when the action is enabled; true when it ran.
    bool Execute();
    void Bind(SkinButton& button);

private:
    std::string caption_;
    unsigned shortcut_;
    bool enabled_ = true, visible_ = true;
    std::vector<SkinButton*> buttons_;
};

}  // namespace vorlane::ui

#include "platform/ui/action.h"

#include "platform/ui/button.h"

namespace vorlane::ui {

Action::Action(std::string caption, unsigned shortcutKey) : caption_(std::move(caption)), shortcut_(shortcutKey) {}

void Action::SetCaption(const std::string& caption) {
    caption_ = caption;
    for (auto* b : buttons_) b->SetText(caption);
}

void Action::SetEnabled(bool enabled) {
    enabled_ = enabled;
    for (auto* b : buttons_) b->SetEnabled(enabled);
}

void Action::SetVisible(bool visible) {
    visible_ = visible;
    for (auto* b : buttons_) b->SetVisible(visible);
}

bool Action::Execute() {
    if (!enabled_ || !onExecute) return false;
    onExecute();
    return true;
}

void Action::Bind(SkinButton& button) {
    buttons_.push_back(&button);
    button.SetText(caption_);
    button.SetEnabled(enabled_);
    button.SetVisible(visible_);
    button.onClick = [this] { Execute(); };
}

}  // namespace vorlane::ui

#include "Controls.h"

namespace synvora {

Control::Control(PageWindow& window, std::string_view name) : m_window(&window), m_name(name) {}

bool Control::Enabled() const {
    return Window().Enabled(m_name);
}
void Control::SetEnabled(bool enabled) {
    Window().SetEnabled(m_name, enabled);
}
bool Control::Visible() const {
    return Window().Visible(m_name);
}
void Control::SetVisible(bool visible) {
    Window().SetVisible(m_name, visible);
}

std::string Label::Caption() const {
    return Window().Text(Name());
}
void Label::SetCaption(std::string_view caption) {
    Window().SetText(Name(), caption);
}

std::string Frame::Caption() const {
    return Window().Text(Name());
}

std::string TextBox::Text() const {
    return Window().Text(Name());
}
void TextBox::SetText(std::string_view text) {
    Window().SetText(Name(), text);
}
void TextBox::SetFocus() {
    Window().SetFocus(Name());
}

std::string CheckBox::Caption() const {
    return Window().Text(Name());
}
int CheckBox::Value() const {
    return Window().Value(Name());
}
void CheckBox::SetValue(int value) {
    Window().SetValue(Name(), value);
}
void CheckBox::SetFocus() {
    Window().SetFocus(Name());
}

std::string ProgressBar::Text() const {
    return Window().Text(Name());
}
void ProgressBar::SetText(std::string_view text) {
    Window().SetText(Name(), text);
}
int ProgressBar::Value() const {
    return Window().Value(Name());
}
void ProgressBar::SetValue(int value) {
    Window().SetValue(Name(), value);
}

std::string CommandButton::Caption() const {
    return Window().Text(Name());
}
void CommandButton::SetFocus() {
    Window().SetFocus(Name());
}

}  // namespace synvora

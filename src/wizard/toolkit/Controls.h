#pragma once

#include <string>
#include <string_view>

#include "PageToolkit.h"

namespace synvora {

/// A named control of one page window: the small handle through which a page's code reads and
/// sets the control, the way the page's own procedures name it (`Optiondb.Value()`).
class Control {
public:
    Control(PageWindow& window, std::string_view name);

    const std::string& Name() const { return m_name; }
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Visible() const;
    void SetVisible(bool visible);

protected:
    PageWindow& Window() const { return *m_window; }

private:
    PageWindow* m_window;
    std::string m_name;
};

class Label : public Control {
public:
    using Control::Control;
    std::string Caption() const;
    void SetCaption(std::string_view caption);
};

class Frame : public Control {
public:
    using Control::Control;
    std::string Caption() const;
};

class TextBox : public Control {
public:
    using Control::Control;
    std::string Text() const;
    void SetText(std::string_view text);
    void SetFocus();
};

/// Holds 0 (unchecked) or 1 (checked).
class CheckBox : public Control {
public:
    using Control::Control;
    std::string Caption() const;
    int Value() const;
    void SetValue(int value);
    void SetFocus();
};

/// Runs from 0 to kProgressMaximum, with a line of text on it.
class ProgressBar : public Control {
public:
    using Control::Control;
    std::string Text() const;
    void SetText(std::string_view text);
    int Value() const;
    void SetValue(int value);
};

class CommandButton : public Control {
public:
    using Control::Control;
    std::string Caption() const;
    void SetFocus();
};

}  // namespace synvora

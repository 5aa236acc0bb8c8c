#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace synvora {

enum class ControlKind { Frame, Label, TextField, CheckBox, Button, ProgressBar };

/// A progress bar runs from 0 to this value.
inline constexpr int kProgressMaximum = 1000;

struct FontSpec {
    std::string face = "MS Sans Serif";
    double points = 8.25;
    bool bold = false;
};

/// Position and size in pixels, relative to the enclosing frame (or the page).
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

enum class BackColor { Default, HighlightText };

/// One control of a page: everything the toolkit needs to draw it, and its initial state.
struct ControlLayout {
    ControlKind kind = ControlKind::Label;
    std::string name;
    std::string container;  // name of the enclosing frame; empty for the page itself
    Bounds bounds;
    std::string caption;  // label, button, check box and frame caption; text field initial text;
                          // the text a progress bar shows
    int tabIndex = -1;    // keyboard focus order, lowest first; -1 = not a tab stop
    FontSpec font;
    bool border = true;     // frames: false draws neither border nor caption
    char passwordChar = 0;  // text fields: shown in place of every character when not 0
    bool enabled = true;
    bool visible = true;
    int value = 0;          // check boxes: 0 unchecked, 1 checked; progress bars: 0 to kProgressMaximum
    bool wordWrap = false;  // labels and check boxes whose caption spans several lines
    BackColor backColor = BackColor::Default;
};

/// A page: a top-level window with a caption and a fixed layout of controls.
struct PageLayout {
    std::string name;
    std::string caption = "Migration Wizard ";
    int width = 0;
    int height = 0;
    std::vector<ControlLayout> controls;
};

/// The control of that name, or nullptr.
const ControlLayout* FindControl(const PageLayout& layout, std::string_view name);

/// The layout's tab stops (buttons, text fields, check boxes with a tab index), lowest index first.
std::vector<const ControlLayout*> TabOrder(const PageLayout& layout);

}  // namespace synvora

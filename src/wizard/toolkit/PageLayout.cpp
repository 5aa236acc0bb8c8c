#include "PageLayout.h"

#include <algorithm>

namespace synvora {

const ControlLayout* FindControl(const PageLayout& layout, std::string_view name) {
    for (const ControlLayout& control : layout.controls) {
        if (control.name == name) {
            return &control;
        }
    }
    return nullptr;
}

namespace {

bool CanTakeFocus(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::TextField || kind == ControlKind::CheckBox;
}

}  // namespace

std::vector<const ControlLayout*> TabOrder(const PageLayout& layout) {
    std::vector<const ControlLayout*> stops;
    for (const ControlLayout& control : layout.controls) {
        if (CanTakeFocus(control.kind) && control.tabIndex >= 0) {
            stops.push_back(&control);
        }
    }
    std::stable_sort(stops.begin(), stops.end(), [](const ControlLayout* a, const ControlLayout* b) {
        return a->tabIndex < b->tabIndex;
    });
    return stops;
}

}  // namespace synvora

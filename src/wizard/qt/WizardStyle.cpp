#include "WizardStyle.h"

#include <QApplication>
#include <memory>

namespace synvora {

WizardStyle::WizardStyle() = default;

int WizardStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const {
    switch (hint) {
        case SH_LineEdit_PasswordCharacter:
            return '*';
        case SH_DialogButtonBox_ButtonsHaveIcons:
            return 0;
        default:
            return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

void InstallWizardStyle() {
    if (dynamic_cast<WizardStyle*>(QApplication::style()) == nullptr) {
        // The application takes ownership of its style.
        QApplication::setStyle(std::make_unique<WizardStyle>().release());
    }
}

}  // namespace synvora

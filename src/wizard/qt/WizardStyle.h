#pragma once

#include <QProxyStyle>

namespace synvora {

/// The application's style: the platform's own, with two answers of the program's: masked text
/// fields show "*" for every character, and message box buttons carry no icons.
class WizardStyle final : public QProxyStyle {
public:
    WizardStyle();

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

/// Installs WizardStyle as the application style unless it already is.
void InstallWizardStyle();

}  // namespace synvora

#pragma once

#include <QFont>
#include <QString>
#include <map>
#include <string>

#include "wizard/toolkit/PageLayout.h"

class QWidget;
class QFontMetrics;

namespace synvora {

/// A drawn control and the kind its layout gave it.
struct RenderedControl {
    ControlKind kind;
    QWidget* widget;
    bool wordWrap;
};

using RenderedControls = std::map<std::string, RenderedControl, std::less<>>;

/// Creates the layout's controls as children of the page widget (owned by it), in the layout's
/// order, each inside its container frame, and links the tab stops in the layout's order.
RenderedControls RenderLayout(QWidget& page, const PageLayout& layout);

/// The layout font on this system: the old dialog face becomes the system's sans serif, and its
/// 8.25 points become 9 so that text stays readable.
QFont WizardFont(const FontSpec& layoutFont);

/// Breaks the text between words so that no line is wider than `width` pixels; a word wider
/// than that keeps a line of its own.
QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int width);

/// Sets a check box caption, broken into lines when the layout asks for word wrap (check boxes
/// cannot wrap on their own). The unbroken caption stays readable through CheckBoxCaption.
void SetCheckBoxCaption(const RenderedControl& control, const QString& caption);
QString CheckBoxCaption(const RenderedControl& control);

/// The text a progress bar shows, exactly as given.
QString ProgressBarText(const RenderedControl& control);
void SetProgressBarText(const RenderedControl& control, const QString& text);

/// The caption of a frame; a borderless frame keeps it without showing it.
QString FrameCaption(const RenderedControl& control);
void SetFrameCaption(const RenderedControl& control, const QString& caption);

}  // namespace synvora

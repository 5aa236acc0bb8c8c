#include "LayoutRenderer.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QStyle>
#include <memory>
#include <stdexcept>

namespace synvora {

namespace {

constexpr const char* kCaptionProperty = "synvoraCaption";
constexpr double kLegacyDialogPoints = 8.25;
constexpr double kReadablePoints = 9.0;

/// Child widgets belong to their parent, which deletes them.
template <typename WidgetType>
WidgetType* MakeChild(QWidget* parent) {
    return std::make_unique<WidgetType>(parent).release();
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* MakeFrame(QWidget* parent, const ControlLayout& control) {
    QWidget* frame = nullptr;
    if (control.border) {
        auto* box = MakeChild<QGroupBox>(parent);
        box->setTitle(FromUtf8(control.caption));
        frame = box;
    } else {
        auto* plain = MakeChild<QFrame>(parent);
        plain->setFrameShape(QFrame::NoFrame);
        frame = plain;
    }
    frame->setProperty(kCaptionProperty, FromUtf8(control.caption));
    if (control.backColor == BackColor::HighlightText) {
        QPalette palette = frame->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::HighlightedText));
        frame->setPalette(palette);
        frame->setAutoFillBackground(true);
    }
    return frame;
}

QWidget* MakeLabel(QWidget* parent, const ControlLayout& control) {
    auto* label = MakeChild<QLabel>(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(control.wordWrap);
    label->setAlignment(Qt::AlignLeft | (control.wordWrap ? Qt::AlignTop : Qt::AlignVCenter));
    label->setText(FromUtf8(control.caption));
    return label;
}

QWidget* MakeTextField(QWidget* parent, const ControlLayout& control) {
    auto* field = MakeChild<QLineEdit>(parent);
    field->setText(FromUtf8(control.caption));
    // The application style shows every masked character as "*", the one mask the pages use.
    if (control.passwordChar != 0) {
        field->setEchoMode(QLineEdit::Password);
    }
    return field;
}

QWidget* MakeCheckBox(QWidget* parent, const ControlLayout& control) {
    auto* box = MakeChild<QCheckBox>(parent);
    box->setChecked(control.value == 1);
    return box;
}

QWidget* MakeButton(QWidget* parent, const ControlLayout& control) {
    auto* button = MakeChild<QPushButton>(parent);
    button->setAutoDefault(false);
    button->setText(FromUtf8(control.caption));
    return button;
}

/// Shows its text as given: the bar's own format would take "%p", "%v" and "%m" in it for its
/// numbers.
class TextProgressBar final : public QProgressBar {
public:
    using QProgressBar::QProgressBar;
    QString text() const override { return property(kCaptionProperty).toString(); }
};

QWidget* MakeProgressBar(QWidget* parent, const ControlLayout& control) {
    auto* bar = MakeChild<TextProgressBar>(parent);
    bar->setRange(0, kProgressMaximum);
    bar->setValue(control.value);
    bar->setTextVisible(true);
    bar->setAlignment(Qt::AlignCenter);
    return bar;
}

QWidget* MakeControl(QWidget* parent, const ControlLayout& control) {
    switch (control.kind) {
        case ControlKind::Frame:
            return MakeFrame(parent, control);
        case ControlKind::Label:
            return MakeLabel(parent, control);
        case ControlKind::TextField:
            return MakeTextField(parent, control);
        case ControlKind::CheckBox:
            return MakeCheckBox(parent, control);
        case ControlKind::Button:
            return MakeButton(parent, control);
        case ControlKind::ProgressBar:
            return MakeProgressBar(parent, control);
    }
    throw std::logic_error("unknown control kind");
}

void LinkTabStops(const PageLayout& layout, const RenderedControls& controls) {
    QWidget* previous = nullptr;
    for (const ControlLayout* stop : TabOrder(layout)) {
        QWidget* current = controls.at(stop->name).widget;
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, current);
        }
        previous = current;
    }
}

}  // namespace

QFont WizardFont(const FontSpec& layoutFont) {
    QFont font;
    if (layoutFont.face == "MS Sans Serif") {
        font.setFamily(QStringLiteral("Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
    } else {
        font.setFamily(FromUtf8(layoutFont.face));
    }
    font.setPointSizeF(layoutFont.points <= kLegacyDialogPoints ? kReadablePoints : layoutFont.points);
    font.setBold(layoutFont.bold);
    return font;
}

QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
            lines.append(line);
            line = word;
        } else {
            line = candidate;
        }
    }
    lines.append(line);
    return lines.join(QLatin1Char('\n'));
}

void SetCheckBoxCaption(const RenderedControl& control, const QString& caption) {
    auto* box = static_cast<QCheckBox*>(control.widget);
    box->setProperty(kCaptionProperty, caption);
    if (!control.wordWrap) {
        box->setText(caption);
        return;
    }
    const QStyle* style = box->style();
    const int textWidth = box->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) -
                          style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box) - 4;
    box->setText(WrapToWidth(caption, box->fontMetrics(), textWidth));
}

QString CheckBoxCaption(const RenderedControl& control) {
    return control.widget->property(kCaptionProperty).toString();
}

QString ProgressBarText(const RenderedControl& control) {
    return control.widget->property(kCaptionProperty).toString();
}

void SetProgressBarText(const RenderedControl& control, const QString& text) {
    control.widget->setProperty(kCaptionProperty, text);
    control.widget->update();
}

QString FrameCaption(const RenderedControl& control) {
    return control.widget->property(kCaptionProperty).toString();
}

void SetFrameCaption(const RenderedControl& control, const QString& caption) {
    control.widget->setProperty(kCaptionProperty, caption);
    if (auto* box = qobject_cast<QGroupBox*>(control.widget)) {
        box->setTitle(caption);
    }
}

RenderedControls RenderLayout(QWidget& page, const PageLayout& layout) {
    RenderedControls controls;
    for (const ControlLayout& control : layout.controls) {
        QWidget* parent = &page;
        if (!control.container.empty()) {
            auto container = controls.find(control.container);
            if (container == controls.end() || container->second.kind != ControlKind::Frame) {
                throw std::logic_error(layout.name + "." + control.name + ": container " + control.container +
                                       " is not a frame listed before it");
            }
            parent = container->second.widget;
        }
        QWidget* widget = MakeControl(parent, control);
        widget->setObjectName(FromUtf8(control.name));
        widget->setFont(WizardFont(control.font));
        widget->setGeometry(control.bounds.left, control.bounds.top, control.bounds.width,
                            control.bounds.height);
        widget->setEnabled(control.enabled);
        widget->setVisible(control.visible);
        const RenderedControl rendered{control.kind, widget, control.wordWrap};
        if (control.kind == ControlKind::CheckBox) {
            SetCheckBoxCaption(rendered, FromUtf8(control.caption));
        } else if (control.kind == ControlKind::ProgressBar) {
            SetProgressBarText(rendered, FromUtf8(control.caption));
        }
        if (!controls.emplace(control.name, rendered).second) {
            throw std::logic_error(layout.name + " lists " + control.name + " twice");
        }
    }
    LinkTabStops(layout, controls);
    return controls;
}

}  // namespace synvora

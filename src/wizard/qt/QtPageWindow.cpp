#include "QtPageWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <stdexcept>

namespace synvora {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace

PageWidget::PageWidget(PageEvents& events) : m_events(&events) {}

void PageWidget::DispatchClick(const std::string& control) {
    if (PageEvents* events = m_events) {
        events->OnClick(control);
    }
}

void PageWidget::closeEvent(QCloseEvent* event) {
    if (PageEvents* events = m_events) {
        // The page answers as its Cancel or Exit button does; when that discards the page, the
        // window is hidden and deleted by its owner.
        event->ignore();
        events->OnCloseRequested();
        return;
    }
    event->accept();
}

void QtPageWindow::DeleteLater::operator()(PageWidget* widget) const noexcept {
    widget->Detach();
    widget->hide();
    widget->deleteLater();
}

QtPageWindow::QtPageWindow(const PageLayout& layout, PageEvents& events)
    : m_name(layout.name), m_widget(std::make_unique<PageWidget>(events).release()) {
    m_widget->setObjectName(FromUtf8(layout.name));
    m_widget->setWindowTitle(FromUtf8(layout.caption));
    m_widget->setWindowIcon(QApplication::windowIcon());
    m_widget->setFont(WizardFont(FontSpec{}));
    m_widget->setFixedSize(layout.width, layout.height);
    m_controls = RenderLayout(*m_widget, layout);
    for (const ControlLayout* stop : TabOrder(layout)) {
        m_tabStops.push_back(m_controls.at(stop->name).widget);
    }
    ConnectClicks();
}

QtPageWindow::~QtPageWindow() = default;

void QtPageWindow::ConnectClicks() {
    for (const auto& [name, control] : m_controls) {
        if (control.kind != ControlKind::Button && control.kind != ControlKind::CheckBox) {
            continue;
        }
        // `clicked` comes from the user only (mouse, key, access key), never from SetValue.
        QObject::connect(static_cast<QAbstractButton*>(control.widget), &QAbstractButton::clicked,
                         m_widget.get(),
                         [widget = m_widget.get(), name = name] { widget->DispatchClick(name); });
    }
}

const RenderedControl& QtPageWindow::Find(std::string_view control) const {
    auto it = m_controls.find(control);
    if (it == m_controls.end()) {
        throw std::logic_error(m_name + " has no control " + std::string(control));
    }
    return it->second;
}

const RenderedControl& QtPageWindow::FindOfKind(std::string_view control, ControlKind kind) const {
    const RenderedControl& found = Find(control);
    if (found.kind != kind) {
        throw std::logic_error(m_name + "." + std::string(control) + " is not of the kind asked for");
    }
    return found;
}

void QtPageWindow::Show() {
    // A page shown for the first time starts with the focus on its first tab stop.
    if (m_widget->focusWidget() == nullptr) {
        for (QWidget* stop : m_tabStops) {
            if (stop->isEnabled()) {
                stop->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
    m_widget->show();
    m_widget->raise();
    m_widget->activateWindow();
}

void QtPageWindow::Hide() {
    m_widget->hide();
}

bool QtPageWindow::IsVisible() const {
    return m_widget->isVisible();
}

void QtPageWindow::SetFocus(std::string_view control) {
    Find(control).widget->setFocus(Qt::OtherFocusReason);
}

std::string QtPageWindow::Text(std::string_view control) const {
    const RenderedControl& found = Find(control);
    switch (found.kind) {
        case ControlKind::Label:
            return ToUtf8(static_cast<QLabel*>(found.widget)->text());
        case ControlKind::TextField:
            return ToUtf8(static_cast<QLineEdit*>(found.widget)->text());
        case ControlKind::Button:
            return ToUtf8(static_cast<QAbstractButton*>(found.widget)->text());
        case ControlKind::CheckBox:
            return ToUtf8(CheckBoxCaption(found));
        case ControlKind::Frame:
            return ToUtf8(FrameCaption(found));
        case ControlKind::ProgressBar:
            return ToUtf8(ProgressBarText(found));
    }
    throw std::logic_error("unknown control kind");
}

void QtPageWindow::SetText(std::string_view control, std::string_view text) {
    const RenderedControl& found = Find(control);
    switch (found.kind) {
        case ControlKind::Label:
            static_cast<QLabel*>(found.widget)->setText(FromUtf8(text));
            return;
        case ControlKind::TextField:
            static_cast<QLineEdit*>(found.widget)->setText(FromUtf8(text));
            return;
        case ControlKind::Button:
            static_cast<QAbstractButton*>(found.widget)->setText(FromUtf8(text));
            return;
        case ControlKind::CheckBox:
            SetCheckBoxCaption(found, FromUtf8(text));
            return;
        case ControlKind::Frame:
            SetFrameCaption(found, FromUtf8(text));
            return;
        case ControlKind::ProgressBar:
            SetProgressBarText(found, FromUtf8(text));
            return;
    }
}

int QtPageWindow::Value(std::string_view control) const {
    const RenderedControl& found = Find(control);
    if (found.kind == ControlKind::ProgressBar) {
        return static_cast<QProgressBar*>(found.widget)->value();
    }
    return static_cast<QCheckBox*>(FindOfKind(control, ControlKind::CheckBox).widget)->isChecked() ? 1 : 0;
}

void QtPageWindow::SetValue(std::string_view control, int value) {
    const RenderedControl& found = Find(control);
    if (found.kind == ControlKind::ProgressBar) {
        if (value < 0 || value > kProgressMaximum) {
            throw std::logic_error("a progress bar holds 0 to kProgressMaximum");
        }
        static_cast<QProgressBar*>(found.widget)->setValue(value);
        return;
    }
    if (value != 0 && value != 1) {
        throw std::logic_error("a check box holds 0 or 1");
    }
    static_cast<QCheckBox*>(FindOfKind(control, ControlKind::CheckBox).widget)->setChecked(value == 1);
}

bool QtPageWindow::Enabled(std::string_view control) const {
    return Find(control).widget->isEnabled();
}

void QtPageWindow::SetEnabled(std::string_view control, bool enabled) {
    Find(control).widget->setEnabled(enabled);
}

bool QtPageWindow::Visible(std::string_view control) const {
    return !Find(control).widget->isHidden();
}

void QtPageWindow::SetVisible(std::string_view control, bool visible) {
    Find(control).widget->setVisible(visible);
}

}  // namespace synvora

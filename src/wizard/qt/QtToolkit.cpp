#include "QtToolkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <stdexcept>
#include <utility>

#include "wizard/qt/ApplicationIcon.h"
#include "wizard/qt/QtPageWindow.h"
#include "wizard/qt/WizardStyle.h"

namespace synvora {

/// A page window the toolkit can find by the page's name while it exists.
class TrackedPageWindow final : public QtPageWindow {
public:
    TrackedPageWindow(QtToolkit& toolkit, const PageLayout& layout, PageEvents& events)
        : QtPageWindow(layout, events), m_toolkit(toolkit), m_name(layout.name) {
        m_toolkit.m_pages[m_name] = &Widget();
    }
    ~TrackedPageWindow() override {
        auto it = m_toolkit.m_pages.find(m_name);
        if (it != m_toolkit.m_pages.end() && it->second == &Widget()) {
            m_toolkit.m_pages.erase(it);
        }
    }

private:
    QtToolkit& m_toolkit;
    std::string m_name;
};

namespace {

/// Calls its action once, after the first paint of any widget it watches has been delivered.
class FirstPaintWatcher final : public QObject {
public:
    explicit FirstPaintWatcher(std::function<void()> action) : m_action(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_action) {
            // Queued, so that the paint this event starts has reached the screen first.
            QTimer::singleShot(0, this, std::exchange(m_action, nullptr));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_action;
};

QMessageBox::Icon IconOf(int style) {
    switch (style) {
        case kMsgBoxOkOnly:
        case kMsgBoxYesNo:
            return QMessageBox::NoIcon;
        case kMsgBoxCritical:
            return QMessageBox::Critical;
        case kMsgBoxInformation:
            return QMessageBox::Information;
        default:
            throw std::invalid_argument("unknown message box style " + std::to_string(style));
    }
}

/// While the busy pointer is up, a message box shows the normal pointer over it.
class ArrowOverBusyPointer {
public:
    explicit ArrowOverBusyPointer(bool busy) : m_active(busy) {
        if (m_active) {
            QApplication::setOverrideCursor(Qt::ArrowCursor);
        }
    }
    ArrowOverBusyPointer(const ArrowOverBusyPointer&) = delete;
    ArrowOverBusyPointer& operator=(const ArrowOverBusyPointer&) = delete;
    ~ArrowOverBusyPointer() {
        if (m_active) {
            QApplication::restoreOverrideCursor();
        }
    }

private:
    bool m_active;
};

}  // namespace

QtToolkit::QtToolkit() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        throw std::logic_error("QtToolkit needs a QApplication");
    }
    InstallWizardStyle();
    QApplication::setWindowIcon(DrawApplicationIcon());
    // The program ends when the wizard has discarded its last page, not when windows close.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtToolkit::~QtToolkit() {
    if (m_busy) {
        QApplication::restoreOverrideCursor();
    }
}

std::unique_ptr<PageWindow> QtToolkit::CreatePage(const PageLayout& layout, PageEvents& events) {
    auto window = std::make_unique<TrackedPageWindow>(*this, layout, events);
    if (m_firstPaintWatcher) {
        window->Widget().installEventFilter(m_firstPaintWatcher.get());
    }
    return window;
}

MsgBoxResult QtToolkit::MsgBox(std::string_view prompt, int style) {
    const MsgBoxResult escape = style == kMsgBoxYesNo ? MsgBoxResult::No : MsgBoxResult::Ok;
    if (m_dismissing) {
        return escape;
    }
    QMessageBox box;
    box.setWindowTitle(QString::fromUtf8(kApplicationTitle));
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromUtf8(prompt.data(), static_cast<qsizetype>(prompt.size())));
    box.setIcon(IconOf(style));
    if (style == kMsgBoxYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const ArrowOverBusyPointer arrow(m_busy);
    m_openBoxes.push_back(&box);
    box.exec();
    m_openBoxes.pop_back();
    // Closing a Yes/No box any other way answers No, the escape button.
    switch (box.standardButton(box.clickedButton())) {
        case QMessageBox::Yes:
            return MsgBoxResult::Yes;
        case QMessageBox::No:
            return MsgBoxResult::No;
        default:
            return escape;
    }
}

void QtToolkit::DismissMessageBoxes() {
    m_dismissing = true;
    for (QMessageBox* box : m_openBoxes) {
        box->escapeButton()->click();
    }
}

void QtToolkit::SetMousePointer(MousePointer pointer) {
    const bool busy = pointer == MousePointer::Busy;
    if (busy == m_busy) {
        return;
    }
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
    m_busy = busy;
}

void QtToolkit::DoEvents() {
    QCoreApplication::processEvents();
}

void QtToolkit::Quit() {
    m_quitRequested = true;
    // Outside an event loop an exit would linger and end the next loop that starts, a message
    // box's included; the caller of exec() looks at QuitRequested instead.
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
    }
}

QWidget* QtToolkit::PageWidget(std::string_view page) const {
    auto it = m_pages.find(page);
    return it == m_pages.end() ? nullptr : it->second;
}

void QtToolkit::OnFirstPaint(std::function<void()> action) {
    m_firstPaintWatcher = std::make_unique<FirstPaintWatcher>(std::move(action));
    for (const auto& [name, widget] : m_pages) {
        widget->installEventFilter(m_firstPaintWatcher.get());
    }
}

}  // namespace synvora

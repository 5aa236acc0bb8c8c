#include "QtFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <memory>

#include "wizard/WizardServices.h"

namespace synvora::test {

namespace {

constexpr int kPollMilliseconds = 20;
constexpr int kPollAttempts = 250;

}  // namespace

QtFixture::QtFixture() {
    WizardServices services;
    services.isWebServerInstalled = [] { return false; };
    services.testConnection = [](const std::string&, const std::string&, const std::string&,
                                 const std::string&) { return 1; };
    m_wizard = std::make_unique<Wizard>(m_toolkit, std::move(services));
}

QtFixture::~QtFixture() {
    m_wizard.reset();
    DeleteDeferred();
}

void QtFixture::DeleteDeferred() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QWidget& QtFixture::PageWindow(const std::string& page) {
    QWidget* window = m_toolkit.PageWidget(page);
    if (window == nullptr) {
        throw std::logic_error(page + " is not loaded");
    }
    return *window;
}

void QtFixture::AnswerNextMessageBox(QMessageBox::StandardButton button,
                                     std::function<void(QMessageBox&)> inspect) {
    // The timer belongs to the application and deletes itself once it has answered.
    auto* timer = std::make_unique<QTimer>(QCoreApplication::instance()).release();
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, attempts, button, inspect] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (++*attempts == kPollAttempts) {
                ADD_FAILURE() << "no message box appeared";
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (inspect) {
            inspect(*box);
        }
        QAbstractButton* answer = box->button(button);
        if (answer == nullptr) {
            ADD_FAILURE() << "the message box has no such button";
            box->reject();
            return;
        }
        answer->click();
    });
    timer->start(kPollMilliseconds);
}

}  // namespace synvora::test

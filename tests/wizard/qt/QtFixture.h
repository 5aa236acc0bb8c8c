#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "wizard/Wizard.h"
#include "wizard/qt/QtToolkit.h"

namespace synvora::test {

/// A wizard on the real Qt toolkit (offscreen platform), with no web server on this machine and
/// a connection test that always fails.
class QtFixture : public ::testing::Test {
protected:
    QtFixture();
    ~QtFixture() override;

    Wizard& TheWizard() { return *m_wizard; }
    /// The window of a loaded page; fails the test when there is none.
    QWidget& PageWindow(const std::string& page);
    /// A control of a loaded page, found by its name; fails the test when there is none.
    template <typename WidgetType>
    WidgetType& Control(const std::string& page, const std::string& control) {
        auto* widget = PageWindow(page).findChild<WidgetType*>(QString::fromStdString(control));
        if (widget == nullptr) {
            throw std::logic_error(page + " has no " + control + " of the kind asked for");
        }
        return *widget;
    }

    /// Answers the next modal message box: polls for it, lets `inspect` look at it, then presses
    /// the button. Fails the test when no box comes within a few seconds.
    void AnswerNextMessageBox(QMessageBox::StandardButton button,
                              std::function<void(QMessageBox&)> inspect = nullptr);
    /// Lets deleted windows go.
    static void DeleteDeferred();

    QtToolkit m_toolkit;

private:
    std::unique_ptr<Wizard> m_wizard;
};

}  // namespace synvora::test

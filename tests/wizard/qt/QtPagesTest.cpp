#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <map>
#include <string>
#include <vector>

#include "QtFixture.h"
#include "wizard/pages/frmDestination.h"
#include "wizard/pages/frmFinish.h"
#include "wizard/pages/frmSource.h"
#include "wizard/pages/frmWeb.h"
#include "wizard/pages/frmWelcome.h"
#include "wizard/qt/TerminationSignals.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using Texts = std::vector<std::pair<std::string, std::string>>;

std::string TextOf(QWidget& widget) {
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        return label->text().toStdString();
    }
    if (auto* box = qobject_cast<QGroupBox*>(&widget)) {
        return box->title().toStdString();
    }
    if (auto* field = qobject_cast<QLineEdit*>(&widget)) {
        return field->text().toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        return button->text().toStdString();
    }
    return "<no text>";
}

class QtPagesTest : public QtFixture {
protected:
    void ExpectTexts(const std::string& page, const Texts& texts) {
        for (const auto& [control, text] : texts) {
            EXPECT_EQ(TextOf(Control<QWidget>(page, control)), text) << page << "." << control;
        }
    }

    /// The page's tab stops in the order Tab visits them, starting from the control that holds the
    /// focus when the page is first shown.
    std::vector<std::string> TabCycle(const std::string& page) {
        QWidget& window = PageWindow(page);
        QWidget* start = window.focusWidget();
        if (start == nullptr) {
            ADD_FAILURE() << page << " shows without a focused control";
            return {};
        }
        std::vector<std::string> cycle{start->objectName().toStdString()};
        for (QWidget* widget = start->nextInFocusChain(); widget != start;
             widget = widget->nextInFocusChain()) {
            if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isWindow() == false) {
                cycle.push_back(widget->objectName().toStdString());
            }
        }
        return cycle;
    }

    /// Fails for every one-line caption wider than its control.
    void ExpectNothingClipped(const std::string& page) {
        for (QWidget* widget : PageWindow(page).findChildren<QWidget*>()) {
            const QString name = widget->objectName();
            QString text;
            int room = widget->width();
            if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && !label->wordWrap()) {
                text = label->text();
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                text = button->text().remove(QLatin1Char('&'));
                room -= 8;
            } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
                text = box->text();
                room -= box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                        box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
            } else if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && label->wordWrap()) {
                const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000),
                                                                       Qt::TextWordWrap, label->text());
                EXPECT_LE(needed.height(), label->height())
                    << page << "." << name.toStdString() << " is cut off";
                continue;
            } else {
                continue;
            }
            for (const QString& line : text.split(QLatin1Char('\n'))) {
                EXPECT_LE(widget->fontMetrics().horizontalAdvance(line), room)
                    << page << "." << name.toStdString() << ": \"" << line.toStdString() << "\" is cut off";
            }
            const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
            EXPECT_LE(lines * widget->fontMetrics().lineSpacing(), widget->height() + 2)
                << page << "." << name.toStdString() << " is too low for its lines";
        }
    }

    void SaveScreenshot(const std::string& page) {
        QWidget& window = PageWindow(page);
        window.show();
        QCoreApplication::processEvents();
        const QString folder = QStringLiteral(SYNVORA_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(window.grab().save(folder + "/" + QString::fromStdString(page) + ".png"));
    }
};

TEST_F(QtPagesTest, WelcomePageIsDrawnFromItsLayout) {
    TheWizard().Start();
    QWidget& window = PageWindow("frmWelcome");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle().toStdString(), "Migration Wizard ");
    EXPECT_TRUE(window.windowIcon().availableSizes().contains(QSize(64, 64)));
    ExpectTexts("frmWelcome", {{"Label4", "Migration Wizard  "},
                               {"Label3", "E-Synvora 2.2"},
                               {"Label1", "to"},
                               {"Label2", "Velmoria Synvora 2.5"},
                               {"cmdNextofWelcome", "&Next >"},
                               {"cmdCancelofWelcome", "&Cancel"}});
    EXPECT_EQ(TheWizard().Welcome().Optiondb.Caption(), "Migrate database contents");
    EXPECT_EQ(TheWizard().Welcome().Optionweb.Caption(),
              "Migrate web contents ( to be started on the Velmoria Portivo 2.7 server only.)");
    EXPECT_TRUE(Control<QCheckBox>("frmWelcome", "Optionweb").text().contains(QLatin1Char('\n')))
        << "the long caption wraps";

    for (const char* bold : {"Label4", "Label1"}) {
        EXPECT_TRUE(Control<QLabel>("frmWelcome", bold).font().bold()) << bold;
        EXPECT_EQ(Control<QLabel>("frmWelcome", bold).font().pointSizeF(), 12.0) << bold;
    }
    for (const char* plain : {"Label3", "Label2"}) {
        EXPECT_FALSE(Control<QLabel>("frmWelcome", plain).font().bold()) << plain;
        EXPECT_EQ(Control<QLabel>("frmWelcome", plain).font().pointSizeF(), 12.0) << plain;
    }
    EXPECT_EQ(qobject_cast<QGroupBox*>(&Control<QWidget>("frmWelcome", "farmeWelkom0")), nullptr)
        << "a borderless frame is no group box";
    EXPECT_EQ(Control<QLabel>("frmWelcome", "Label4").parentWidget()->objectName(), "farmeWelkom0");
    EXPECT_FALSE(Control<QPushButton>("frmWelcome", "cmdNextofWelcome").isEnabled());
    EXPECT_EQ(Control<QPushButton>("frmWelcome", "cmdNextofWelcome").shortcut(),
              QKeySequence(Qt::ALT | Qt::Key_N))
        << "\"&\" marks the access key";
    EXPECT_EQ(Control<QPushButton>("frmWelcome", "cmdCancelofWelcome").shortcut(),
              QKeySequence(Qt::ALT | Qt::Key_C));
    EXPECT_FALSE(Control<QCheckBox>("frmWelcome", "Optiondb").isChecked());
}

TEST_F(QtPagesTest, SourcePageIsDrawnFromItsLayout) {
    TheWizard().Source().Show();
    ExpectTexts(
        "frmSource",
        {{"lblSourceTitle", "Select a Source Server"},
         {"lblSourceTitleText", "Which E-Synvora 2.2 data do you want to migrate from? "},
         {"Label7",
          "To connect to E-Synvora 2.2 database, you must specify the server, database, user name and "
          "password."},
         {"FrameSource2", "Source"},
         {"lblSourceServer", "Server :"},
         {"lblSourceDataBase", "Database :"},
         {"FrameSource3", "DB system administrator"},
         {"lblSourceUser", "User name :"},
         {"lblSourcePassword", "Password :"},
         {"lblSourceStatus", "Status:"},
         {"lblStatusSource", "No Connection..."},
         {"txtSourceServer", ""},
         {"txtSourceDataBase", ""},
         {"txtSourceUser", "sa"},
         {"txtSourcePassword", ""},
         {"cmdBackofSourcefrm", "< &Back"},
         {"cmdNextofSourcefrm", "&Next >"},
         {"cmdCancelofSourcefrm", "&Cancel"}});
    EXPECT_TRUE(Control<QLabel>("frmSource", "lblSourceTitle").font().bold());
    EXPECT_FALSE(Control<QLabel>("frmSource", "lblSourceTitleText").font().bold());
    EXPECT_EQ(Control<QLineEdit>("frmSource", "txtSourceServer").parentWidget()->objectName(),
              "FrameSource2");
    EXPECT_EQ(qobject_cast<QGroupBox*>(&Control<QWidget>("frmSource", "FrameSource0")), nullptr);
}

TEST_F(QtPagesTest, DestinationPageIsDrawnFromItsLayout) {
    TheWizard().Destination().Show();
    ExpectTexts(
        "frmDestination",
        {{"lblDestTitle", "Select a Destination Server"},
         {"lblDestTitleText", "Which Tressel Synvora 2.5 server do you want to migrate to?"},
         {"lblDestBody",
          "To connect to an Synvora 2.5 Database, you must specify the server, database, user name and "
          "password."},
         {"FrameDest3", "Destination"},
         {"lblDestServer", "Server :"},
         {"lblDestDataBase", "Database:"},
         {"FrameDest4", "DB system administrator"},
         {"lblDestUser", "User name :"},
         {"lblDestPassword", "Password :"},
         {"lblDestStatus", "Status:"},
         {"lblStatusDest", "No Connection..."},
         {"txtDestUser", "sa"},
         {"cmdBackofSourcefrm", "< &Back"},
         {"cmdNextofSourcefrm", "&Next >"},
         {"cmdCancelofSourcefrm", "&Cancel"}});
    EXPECT_EQ(Control<QLabel>("frmDestination", "lblDestBody").parentWidget()->objectName(), "FrameDest2");
}

TEST_F(QtPagesTest, PasswordFieldsShowAStarForEveryCharacter) {
    TheWizard().Source().txtSourcePassword.SetText("s3cr\xC3\xA9t");
    TheWizard().Destination().txtDestPassword.SetText("pw");
    EXPECT_EQ(Control<QLineEdit>("frmSource", "txtSourcePassword").displayText().toStdString(), "******");
    EXPECT_EQ(Control<QLineEdit>("frmDestination", "txtDestPassword").displayText().toStdString(), "**");
    EXPECT_EQ(TheWizard().Source().txtSourcePassword.Text(), "s3cr\xC3\xA9t") << "the value stays as typed";
    EXPECT_EQ(Control<QLineEdit>("frmSource", "txtSourceUser").displayText().toStdString(), "sa");
}

TEST_F(QtPagesTest, FinishPageIsDrawnFromItsLayout) {
    TheWizard().Finish().Show();
    ExpectTexts("frmFinish", {{"Label2", "Start Migration"},
                              {"Label3",
                               "The Migration Wizard has enough information do run the migration. Press the "
                               "'Start' button to run the migration. Selected options are:"},
                              {"lblFinish2", ""},
                              {"lblFinish3", ""},
                              {"frmFinish2", "Migration steps"},
                              {"lblError", ""},
                              {"cmdBackofFinish", "< &Back"},
                              {"cmdFinish", "&Start"},
                              {"cmdCancelofSourcefrm", "&Exit"}});
    EXPECT_TRUE(Control<QLabel>("frmFinish", "Label2").font().bold());

    QWidget& band = Control<QWidget>("frmFinish", "frmFinish1");
    EXPECT_TRUE(band.autoFillBackground());
    EXPECT_EQ(band.palette().color(QPalette::Window),
              QApplication::palette().color(QPalette::HighlightedText));
    EXPECT_EQ(Control<QLabel>("frmFinish", "lblFinish3").parentWidget(), &band);

    // The step slots from top to bottom, at equal spacing.
    std::vector<QLabel*> steps;
    for (int slot = 1; slot <= frmFinish::kStepSlots; ++slot) {
        steps.push_back(&Control<QLabel>("frmFinish", "lblStep" + std::to_string(slot)));
    }
    std::sort(steps.begin(), steps.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    std::vector<std::string> order;
    for (QLabel* step : steps) {
        order.push_back(step->objectName().toStdString());
        EXPECT_EQ(step->parentWidget()->objectName(), "frmFinish2");
    }
    EXPECT_THAT(order, ElementsAre("lblStep1", "lblStep2", "lblStep3", "lblStep4", "lblStep5", "lblStep6",
                                   "lblStep7", "lblStep8", "lblStep9", "lblStep10", "lblStep13", "lblStep14",
                                   "lblStep11", "lblStep12"));
    for (std::size_t row = 1; row < steps.size(); ++row) {
        EXPECT_EQ(steps[row]->y() - steps[row - 1]->y(), steps[1]->y() - steps[0]->y());
    }
}

TEST_F(QtPagesTest, WebPageMasksThePasswordAndPutsGetFolderUnderTheFolderField) {
    frmWeb& web = TheWizard().Web();
    web.Show();
    web.txtWebPassword.SetText("s3cr\xC3\xA9t");
    EXPECT_EQ(Control<QLineEdit>("frmWeb", "txtWebPassword").displayText().toStdString(), "******");
    EXPECT_EQ(web.txtWebPassword.Text(), "s3cr\xC3\xA9t");
    EXPECT_TRUE(Control<QLabel>("frmWeb", "lblWebTitle").font().bold());
    EXPECT_FALSE(Control<QLabel>("frmWeb", "lblWebBody").font().bold());

    const QWidget& folder = Control<QLineEdit>("frmWeb", "txtWebInstallationFolder");
    const QWidget& getFolder = Control<QPushButton>("frmWeb", "GetInstallFolder");
    EXPECT_EQ(getFolder.parentWidget()->objectName(), "FrameWeb2");
    EXPECT_EQ(getFolder.geometry().right(), folder.geometry().right())
        << "aligned with the field's right edge";
    EXPECT_GE(getFolder.y(), folder.geometry().bottom()) << "below the field";
    EXPECT_LT(getFolder.y(), Control<QLabel>("frmWeb", "lblWebStatus").y()) << "above the status line";
    EXPECT_EQ(Control<QLineEdit>("frmWeb", "txtWebServer").parentWidget()->objectName(), "FrameWeb3");
}

TEST_F(QtPagesTest, TabOrdersFollowTheLayouts) {
    TheWizard().Welcome().Show();
    TheWizard().Source().Show();
    TheWizard().Destination().Show();
    TheWizard().Web().Show();
    TheWizard().Finish().Show();
    EXPECT_THAT(TabCycle("frmWelcome"),
                ElementsAre("cmdCancelofWelcome", "cmdNextofWelcome", "Optionweb", "Optiondb"));
    EXPECT_THAT(TabCycle("frmSource"),
                ElementsAre("txtSourceServer", "txtSourceDataBase", "txtSourceUser", "txtSourcePassword",
                            "cmdBackofSourcefrm", "cmdNextofSourcefrm", "cmdCancelofSourcefrm"));
    EXPECT_THAT(TabCycle("frmDestination"),
                ElementsAre("txtDestServer", "txtDestDataBase", "txtDestUser", "txtDestPassword",
                            "cmdBackofSourcefrm", "cmdNextofSourcefrm", "cmdCancelofSourcefrm"));
    EXPECT_THAT(TabCycle("frmWeb"),
                ElementsAre("txtWebServer", "txtWebUser", "txtWebPassword", "txtWebInstallationFolder",
                            "GetInstallFolder", "cmdBackofWebfrm", "cmdNextofwebfrm", "cmdCancelofWebfrm"));
    EXPECT_THAT(TabCycle("frmFinish"), ElementsAre("cmdCancelofSourcefrm", "cmdFinish", "cmdBackofFinish"));
}

TEST_F(QtPagesTest, ClicksOnTheWidgetsDriveTheWelcomePage) {
    TheWizard().Start();
    auto& next = Control<QPushButton>("frmWelcome", "cmdNextofWelcome");
    Control<QCheckBox>("frmWelcome", "Optiondb").click();
    EXPECT_TRUE(next.isEnabled());
    Control<QCheckBox>("frmWelcome", "Optiondb").click();
    EXPECT_FALSE(next.isEnabled());
    TheWizard().Welcome().Optiondb.SetValue(1);
    EXPECT_FALSE(next.isEnabled()) << "setting a value is no click";

    Control<QCheckBox>("frmWelcome", "Optionweb").click();
    AnswerNextMessageBox(QMessageBox::Ok, [](QMessageBox& box) {
        EXPECT_EQ(box.text().toStdString(),
                  "You should run the webserver contents migration part on the Portivo Web server.");
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
    });
    next.click();
    EXPECT_FALSE(TheWizard().Source().IsVisible());

    Control<QCheckBox>("frmWelcome", "Optionweb").click();
    next.click();
    EXPECT_FALSE(PageWindow("frmWelcome").isVisible());
    EXPECT_TRUE(PageWindow("frmSource").isVisible());
    EXPECT_EQ(PageWindow("frmSource").focusWidget(), &Control<QLineEdit>("frmSource", "txtSourceServer"));
}

TEST_F(QtPagesTest, EmptyFieldsAreReportedThroughACriticalBox) {
    TheWizard().Source().Show();
    TheWizard().Source().txtSourceServer.SetText("SQL1");
    AnswerNextMessageBox(QMessageBox::Ok, [](QMessageBox& box) {
        EXPECT_EQ(box.text().toStdString(), "The field 'Database' should contain a value.");
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
    });
    Control<QPushButton>("frmSource", "cmdNextofSourcefrm").click();
    EXPECT_TRUE(PageWindow("frmSource").isVisible());
}

TEST_F(QtPagesTest, CancelDiscardsThePagesFromInsideItsOwnClick) {
    TheWizard().Start();
    TheWizard().Finish();
    QPointer<QWidget> welcome = &PageWindow("frmWelcome");
    QPointer<QWidget> finish = &PageWindow("frmFinish");
    Control<QPushButton>("frmWelcome", "cmdCancelofWelcome").click();

    EXPECT_TRUE(m_toolkit.QuitRequested());
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_EQ(m_toolkit.PageWidget("frmWelcome"), nullptr);
    ASSERT_FALSE(welcome.isNull()) << "the clicked window outlives its own signal";
    EXPECT_FALSE(welcome->isVisible());
    DeleteDeferred();
    EXPECT_TRUE(welcome.isNull());
    EXPECT_TRUE(finish.isNull());
}

TEST_F(QtPagesTest, ATerminationSignalClosesTheOpenBoxAndEndsTheWizardAsExitDoes) {
    const TerminationSignals endRequests([this] {
        m_toolkit.DismissMessageBoxes();
        TheWizard().EndSession();
    });
    TheWizard().Start();
    // The signal comes while a question waits for its answer; the box closes as its escape button.
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    EXPECT_EQ(m_toolkit.MsgBox("Create this folder?", kMsgBoxYesNo), MsgBoxResult::No);

    EXPECT_TRUE(m_toolkit.QuitRequested());
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_EQ(m_toolkit.MsgBox("Finished Migration.", kMsgBoxInformation), MsgBoxResult::Ok)
        << "answered at once: nobody is there to read it";
}

TEST_F(QtPagesTest, CancelQueuedBeforeTheConnectionPauseEndsTheWizardQuietly) {
    TheWizard().Source().Show();
    TheWizard().Source().txtSourceServer.SetText("SQL1");
    TheWizard().Source().txtSourceDataBase.SetText("Synvora");
    QPointer<QWidget> source = &PageWindow("frmSource");
    // The click waits in the queue and is handled by the pause that paints the status text.
    QMetaObject::invokeMethod(&Control<QPushButton>("frmSource", "cmdCancelofSourcefrm"), "click",
                              Qt::QueuedConnection);
    Control<QPushButton>("frmSource", "cmdNextofSourcefrm").click();

    EXPECT_TRUE(m_toolkit.QuitRequested());
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_FALSE(source.isNull());
    EXPECT_FALSE(source->isVisible());
    DeleteDeferred();
    EXPECT_TRUE(source.isNull());
}

TEST_F(QtPagesTest, ClosingAWindowThroughItsFrameEndsTheProgram) {
    TheWizard().Start();
    QPointer<QWidget> welcome = &PageWindow("frmWelcome");
    EXPECT_FALSE(welcome->close()) << "the page decides, not the window";
    EXPECT_TRUE(m_toolkit.QuitRequested());
    EXPECT_FALSE(TheWizard().AnyPageLoaded());
    DeleteDeferred();
    EXPECT_TRUE(welcome.isNull());
}

struct StyleCase {
    int style;
    QMessageBox::Icon icon;
    std::vector<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton press;
    MsgBoxResult result;

    friend void PrintTo(const StyleCase& style, std::ostream* out) { *out << "style " << style.style; }
};

class MessageBoxStyleTest : public QtFixture, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(MessageBoxStyleTest, CarriesTheApplicationTitleTheStyleIconAndPlainButtons) {
    const StyleCase& style = GetParam();
    AnswerNextMessageBox(style.press, [&style](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle().toStdString(), "Synvora 2.5 - Migration");
        EXPECT_EQ(box.text().toStdString(), "Line <one> & two");
        EXPECT_EQ(box.icon(), style.icon);
        std::vector<QMessageBox::StandardButton> buttons;
        for (QAbstractButton* button : box.buttons()) {
            buttons.push_back(box.standardButton(button));
            EXPECT_TRUE(button->icon().isNull()) << "buttons carry no icons";
        }
        std::sort(buttons.begin(), buttons.end());
        EXPECT_THAT(buttons, ElementsAreArray(style.buttons));
        if (style.style == kMsgBoxYesNo) {
            EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
        }
    });
    EXPECT_EQ(m_toolkit.MsgBox("Line <one> & two", style.style), style.result);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, MessageBoxStyleTest,
    ::testing::Values(
        StyleCase{kMsgBoxOkOnly, QMessageBox::NoIcon, {QMessageBox::Ok}, QMessageBox::Ok, MsgBoxResult::Ok},
        StyleCase{
            kMsgBoxCritical, QMessageBox::Critical, {QMessageBox::Ok}, QMessageBox::Ok, MsgBoxResult::Ok},
        StyleCase{kMsgBoxInformation,
                  QMessageBox::Information,
                  {QMessageBox::Ok},
                  QMessageBox::Ok,
                  MsgBoxResult::Ok},
        StyleCase{kMsgBoxYesNo,
                  QMessageBox::NoIcon,
                  {QMessageBox::Yes, QMessageBox::No},
                  QMessageBox::No,
                  MsgBoxResult::No},
        StyleCase{kMsgBoxYesNo,
                  QMessageBox::NoIcon,
                  {QMessageBox::Yes, QMessageBox::No},
                  QMessageBox::Yes,
                  MsgBoxResult::Yes}),
    [](const auto& info) {
        return "Style" + std::to_string(info.param.style) + "Press" + std::to_string(info.param.press);
    });

TEST_F(QtPagesTest, AMessageBoxShowsTheArrowOverTheBusyPointer) {
    m_toolkit.SetMousePointer(MousePointer::Busy);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Qt::CursorShape during = Qt::BlankCursor;
    AnswerNextMessageBox(QMessageBox::Ok, [&during](QMessageBox&) {
        during = QApplication::overrideCursor() == nullptr ? Qt::BlankCursor
                                                           : QApplication::overrideCursor()->shape();
    });
    m_toolkit.MsgBox("Busy", kMsgBoxCritical);
    EXPECT_EQ(during, Qt::ArrowCursor);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor) << "the busy pointer returns";

    m_toolkit.SetMousePointer(MousePointer::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    AnswerNextMessageBox(QMessageBox::Ok, [&during](QMessageBox&) {
        during = QApplication::overrideCursor() == nullptr ? Qt::BlankCursor
                                                           : QApplication::overrideCursor()->shape();
    });
    m_toolkit.MsgBox("Idle", kMsgBoxOkOnly);
    EXPECT_EQ(during, Qt::BlankCursor) << "no pointer is forced when none is busy";
}

TEST_F(QtPagesTest, EveryCaptionFitsItsControlAndEachPageIsPhotographed) {
    TheWizard().Start();
    frmSource& source = TheWizard().Source();
    source.lblStatusSource.SetCaption("Checking database information...");
    source.txtSourcePassword.SetText("secret");
    frmDestination& destination = TheWizard().Destination();
    destination.lblStatusDest.SetCaption("Database information not correct.");
    frmWeb& web = TheWizard().Web();
    web.txtWebServer.SetText("OLDWEB");
    web.txtWebInstallationFolder.SetText("D:\\Program Files\\E-Synvora");
    web.lblWebSource.SetCaption("Unable to retrieve the installation folder remotely.");
    frmFinish& finish = TheWizard().Finish();
    finish.lblFinish2.SetCaption("- Migrate database content.");
    finish.lblFinish3.SetCaption("- Migrate web contents.");
    // The longest line each slot ever shows.
    const std::map<int, std::string> longest = {{1, "- Start migrate database content..."},
                                                {2, "- Getting installation-folder..."},
                                                {3, "- Map network driver..."},
                                                {4, "- Migrate virtual attachments path..."},
                                                {5, "- Running migration script..."},
                                                {6, "- Finished migrate database content..."},
                                                {9, "- Migrate XML error path..."},
                                                {13, "- Migrate images..."},
                                                {14, "- Migrate XML Template File's..."},
                                                {11, "- Disconnect Network Drive..."},
                                                {12, "- Finish web contents..."}};
    for (const auto& [slot, text] : longest) {
        finish.lblStep(slot).SetCaption(text);
    }
    // A copy going on, with the longest elapsed time the label is made for.
    finish.BeginBusyWork("Stop?");
    finish.ShowBusyProgress("1234 of 2006 files, 123.4 of 250.0 MB", 494);
    finish.lblElapsed.SetCaption("Elapsed time: 120:59");
    for (const char* page : {"frmWelcome", "frmSource", "frmDestination", "frmWeb", "frmFinish"}) {
        ExpectNothingClipped(page);
        SaveScreenshot(page);
    }
}

TEST_F(QtPagesTest, TheCopyProgressBarShowsItsTextAsGivenOnlyWhileBusyWorkGoesOn) {
    frmFinish& finish = TheWizard().Finish();
    finish.Show();
    const auto& bar = Control<QProgressBar>("frmFinish", "prgCopy");
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(bar.geometry().top(), 438);

    finish.BeginBusyWork("Stop?");
    finish.ShowBusyProgress("7 of 8 files, 100% of the pictures", 875);
    EXPECT_FALSE(bar.isHidden());
    EXPECT_EQ(bar.value(), 875);
    EXPECT_EQ(bar.text().toStdString(), "7 of 8 files, 100% of the pictures");
    EXPECT_EQ(finish.prgCopy.Text(), "7 of 8 files, 100% of the pictures");

    finish.EndBusyWork();
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(finish.prgCopy.Value(), 0);
}

}  // namespace
}  // namespace synvora::test

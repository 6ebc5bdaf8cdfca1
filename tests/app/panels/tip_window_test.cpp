#include "panels/tip_window.h"

#include "panels/browser.h"
#include "panels/show_menu_action_whats_this.h"
#include "shell/services/help_locations.h"
#include "support/test_environment.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A panel whose content the test fills.
class Panel : public GmSubWindow {
public:
    Panel(const QString& name, const QString& shortcut, QWidget* actionHolder, QWidget* parent)
        : GmSubWindow(name, name, actionHolder, shortcut, parent) {}
    bool floatsByDefault() const override { return false; }
};

// Counts the tool-tip and what's-this events that reach it.
class CountingButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    int toolTips = 0;
    int whatsThis = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) ++toolTips;
        if (e->type() == QEvent::WhatsThis) ++whatsThis;
        return QPushButton::event(e);
    }
};

class TipWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QWidget>();
        window_->resize(400, 300);
        tip_ = new TipWindow(nullptr, "Ctrl+T", window_.get());
    }
    void TearDown() override { window_.reset(); }

    QString shown() const { return tip_->browser()->toPlainText(); }

    // Sends a help event of `type` at `pos` as the application would.
    static bool help(QWidget* widget, QEvent::Type type, const QPoint& pos = QPoint(2, 2)) {
        QHelpEvent event(type, pos, widget->mapToGlobal(pos));
        return QApplication::sendEvent(widget, &event);
    }

    std::unique_ptr<QWidget> window_;
    TipWindow* tip_ = nullptr;
};

TEST_F(TipWindowTest, ListsBecomeBulletLinesAndItalicsAreFollowedByASpace) {
    EXPECT_EQ(TipWindow::instance(), tip_);
    TipWindow::showTip("<p><b>Brushes</b></p><P><UL><li>Keep</li><LI>Delete</li></ul></p>"
                       "<p>Hold <i>Shift</i>to draw a line.</p>");
    EXPECT_EQ(shown(), QString("Brushes\n\u2022 Keep\n\u2022 Delete\nHold Shift to draw a line."));
    const QString html = tip_->browser()->toHtml();
    EXPECT_FALSE(html.contains("<ul", Qt::CaseInsensitive));
}

struct ShortcutCase {
    const char* html;
    const char* sequence;
    bool inserted;
    const char* result;
};

TEST(TipShortcutTest, ShortcutGoesBeforeTheFirstParagraphEndOnly) {
    const ShortcutCase cases[] = {
        {"<p><b>Keep</b></p><p>Paints.</p>", "Ctrl+K", true,
         "<p><b>Keep</b> (Ctrl+K)</p><p>Paints.</p>"},
        {"<b>Keep</b> paints.", "Ctrl+K", false, "<b>Keep</b> paints."},
        {"<p><b>Keep</b></P>", "K", false, "<p><b>Keep</b></P>"},
        {"<p><b>Keep</b></p>", "", false, "<p><b>Keep</b></p>"},
    };
    for (const ShortcutCase& c : cases) {
        QString html = c.html;
        EXPECT_EQ(TipWindow::insertShortcut(html, QKeySequence(c.sequence)), c.inserted) << c.html;
        EXPECT_EQ(html, QString(c.result));
    }
}

TEST_F(TipWindowTest, LabelInAPanelShowsThePanelsTextWithItsToggleShortcut) {
    QWidget menu;
    Panel panel("Navigator", "Ctrl+N", &menu, window_.get());
    panel.setWhatsThis("<p><b>Navigator</b></p><p>Moves the view.</p>");
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* label = new QLabel("Zoom");
    layout->addWidget(label);
    panel.setWidget(content);

    help(label, QEvent::ToolTip);
    EXPECT_EQ(shown(), QString("Navigator (Ctrl+N)\nMoves the view."));

    // A label with its own text keeps it: the request the label leaves
    // unanswered travels on to the panel, which must not take over.
    auto* own = new QLabel("Zoom box");
    own->setWhatsThis("<p><b>Zoom box</b></p>");
    layout->addWidget(own);
    help(own, QEvent::ToolTip, QPoint(3, 3));
    EXPECT_EQ(shown(), QString("Zoom box"));
    // Resting on the panel itself later shows the panel's text again.
    help(&panel, QEvent::ToolTip, QPoint(1, 1));
    EXPECT_EQ(shown(), QString("Navigator (Ctrl+N)\nMoves the view."));

    // A button explains itself, with the shortcut of its action.
    QToolButton button(content);
    QAction action("Fit", &button);
    action.setShortcut(QKeySequence("Ctrl+0"));
    button.setDefaultAction(&action);
    button.setWhatsThis("<p><b>Fit</b></p>");
    help(&button, QEvent::ToolTip);
    EXPECT_EQ(shown(), QString("Fit (Ctrl+0)"));

    // Without any text up to the window, the last tip stays.
    QWidget bare(window_.get());
    help(&bare, QEvent::ToolTip);
    EXPECT_EQ(shown(), QString("Fit (Ctrl+0)"));
}

TEST_F(TipWindowTest, HoveringTwiceShowsOnceButTheToolTipPassesEachTime) {
    CountingButton button("Apply", window_.get());
    button.setToolTip("Apply the options");
    button.setWhatsThis("<p><b>Apply</b></p>");
    help(&button, QEvent::ToolTip);
    EXPECT_EQ(shown(), QString("Apply"));
    tip_->browser()->clear();
    help(&button, QEvent::ToolTip);
    EXPECT_EQ(shown(), QString());
    EXPECT_EQ(button.toolTips, 2);

    // A what's-this request always shows, and the filter consumes it.
    EXPECT_TRUE(help(&button, QEvent::WhatsThis));
    EXPECT_EQ(shown(), QString("Apply"));
    EXPECT_EQ(button.whatsThis, 0);

    // showTip forgets the object: the next hover shows again.
    TipWindow::showTip("<p>Other</p>");
    help(&button, QEvent::ToolTip);
    EXPECT_EQ(shown(), QString("Apply"));
}

TEST_F(TipWindowTest, TabBarShowsTheTabUnderThePointerEveryTime) {
    QTabBar bar(window_.get());
    bar.addTab("Source");
    bar.addTab("Workspace");
    bar.setTabWhatsThis(0, "<p><b>Source</b></p>");
    bar.setTabWhatsThis(1, "<p><b>Workspace</b></p>");
    bar.resize(bar.sizeHint());
    // The request the bar leaves unanswered reaches the window too, which
    // must not replace the tab's text.
    window_->setWhatsThis("<p><b>Window</b></p>");
    help(&bar, QEvent::ToolTip, bar.tabRect(1).center());
    EXPECT_EQ(shown(), QString("Workspace"));
    help(&bar, QEvent::ToolTip, bar.tabRect(0).center());
    EXPECT_EQ(shown(), QString("Source"));
}

TEST_F(TipWindowTest, LinksOpenInTheDesktopBrowserAndTheTipStays) {
    TipWindow::showTip("<p><b>Rendering</b></p>");
    Browser* browser = tip_->browser();
    browser->setSource(QUrl("4-Zeltran_Tools/Rendering_Options.htm"));
    browser->setSource(QUrl("https://example.com/help?page=1"));
    browser->setSource(QUrl());
    const QList<QUrl> opened = test_support::openedUrls();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QUrl(helpRoot() + "/4-Zeltran_Tools/Rendering_Options.htm"));
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_EQ(opened[1], QUrl("https://example.com/help?page=1"));
    EXPECT_EQ(shown(), QString("Rendering"));
}

TEST_F(TipWindowTest, SpacerShowsOnlyWhileThePanelFloats) {
    EXPECT_TRUE(tip_->isResizable());
    EXPECT_GE(tip_->minimumHeight(), 120);
    tip_->setFloating(true, true);
    EXPECT_FALSE(tip_->spacer()->isHidden());
    tip_->setFloating(false, true);
    EXPECT_TRUE(tip_->spacer()->isHidden());
}

TEST_F(TipWindowTest, MenuEntryHeldForTheDelayShowsItsTextWithShortcut) {
    QMenu menu;
    QAction* open = menu.addAction("Open");
    open->setShortcut(QKeySequence("Ctrl+O"));
    open->setWhatsThis("<p><b>Open</b></p><p>Opens an image.</p>");
    QAction* save = menu.addAction("Save");
    save->setWhatsThis("<p><b>Save</b></p>");
    ShowMenuActionWhatsThis* watcher = ShowMenuActionWhatsThis::instance();
    watcher->watchMenu(&menu);

    // Hovered while the menu is not open: nothing is timed.
    emit menu.hovered(save);
    EXPECT_FALSE(watcher->isActive());

    emit menu.aboutToShow();
    QElapsedTimer clock;
    clock.start();
    emit menu.hovered(open);
    QApplication::processEvents();
    EXPECT_EQ(shown(), QString());
    ASSERT_TRUE(test_support::waitFor([&] { return !shown().isEmpty(); }, 3000));
    // Coarse timers may fire up to 5 % early.
    EXPECT_GE(clock.elapsed(), ShowMenuActionWhatsThis::kDelayMs * 9 / 10);
    EXPECT_EQ(shown(), QString("Open (Ctrl+O)\nOpens an image."));
    EXPECT_FALSE(watcher->isActive());
    EXPECT_EQ(watcher->action(), nullptr);

    // Leaving the menu before the delay shows nothing.
    tip_->browser()->clear();
    emit menu.hovered(save);
    emit menu.aboutToHide();
    QTest::qWait(ShowMenuActionWhatsThis::kDelayMs + 100);
    EXPECT_EQ(shown(), QString());
    emit menu.hovered(save);
    EXPECT_FALSE(watcher->isActive());
}

TEST(TipWindowClosedTest, WithoutThePanelNothingShowsAndNothingFails) {
    {
        QWidget window;
        TipWindow tip(nullptr, QString(), &window);
        EXPECT_EQ(TipWindow::instance(), &tip);
    }
    EXPECT_EQ(TipWindow::instance(), nullptr);
    TipWindow::showTip("<p>Nobody</p>");
    QAction action("Act", nullptr);
    action.setWhatsThis("<p><b>Act</b></p>");
    TipWindow::showActionTip(&action);
    TipWindow::showActionTip(nullptr);

    QPushButton button("x");
    button.setWhatsThis("<p>x</p>");
    QHelpEvent event(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(&button, &event);

    QMenu menu;
    QAction* entry = menu.addAction("Entry");
    entry->setWhatsThis("<p><b>Entry</b></p>");
    ShowMenuActionWhatsThis::instance()->watchMenu(&menu);
    emit menu.aboutToShow();
    emit menu.hovered(entry);
    QTest::qWait(ShowMenuActionWhatsThis::kDelayMs + 100);
    EXPECT_FALSE(ShowMenuActionWhatsThis::instance()->isActive());
    emit menu.aboutToHide();
}

} // namespace

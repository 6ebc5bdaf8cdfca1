// The main window's commands: which exist in each run mode and with which
// shortcuts, the menus that hold them in order, the window that holds them
// all, and the recent-files menu.
#include "main_window_fixture.h"

#include "files/file_handler.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "shell/distributor_info.h"
#include "shell/services/help_locations.h"
#include "panels/background_picker.h"
#include "panels/tool_palette.h"
#include "panels/tool_palette_button.h"
#include "support/test_environment.h"
#include "workspace/image_view.h"

#include <QAction>
#include <QDir>
#include <QGridLayout>
#include <QMap>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUrl>
#include <QToolButton>

namespace {

using test_support::prompts;

class ZtMainWindowActionsTest : public MainWindowFixture {
protected:
    ZtMainWindowActionsTest() { QSettings().remove(QStringLiteral("FileHandling")); }

    // The window's command with this text, or null.
    QAction* command(const QString& text) const {
        for (QAction* action : window_->actions())
            if (action->text() == text) return action;
        return nullptr;
    }
};

// A menu as it reads: entries by text, separators empty, submenus by title.
QStringList entries(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->menu() ? action->menu()->title() : action->text());
    return texts;
}

QStringList shortcutsOf(const QAction* action) {
    QStringList texts;
    for (const QKeySequence& shortcut : action->shortcuts())
        texts << shortcut.toString(QKeySequence::PortableText);
    return texts;
}

TEST_F(ZtMainWindowActionsTest, EachRunModeHasItsCommandsWithTheirShortcuts) {
    struct Row {
        const char* text;
        QStringList shortcuts;
        bool standalone; // exists in a standalone run
        bool host;       // exists in a host's or control file's run
    };
    const QStringList none;
    const Row rows[] = {
        {"&Open...", {"Ctrl+O"}, true, false},
        {"&Save", {"Ctrl+S"}, true, false},
        {"Save &As...", none, true, false},
        {"&Close", {"Ctrl+W"}, true, false},
        {"&Save and Apply", {"Ctrl+S"}, false, true},
        {"&Revert Mask", none, true, true},
        {"Re&vert All", none, true, true},
        {"&Load Project...", {"Ctrl+Shift+O"}, true, true},
        {"Save &Project", {"Ctrl+Shift+S"}, true, true},
        {"Sa&ve Project As...", none, true, true},
        {"Rever&t Project", none, true, true},
        {"E&xit Zeltran 3", {"Ctrl+Q"}, true, true},
        {"&Undo", {"Ctrl+Z"}, true, true},
        {"&Redo", {"Ctrl+Y", "Ctrl+Shift+Z"}, true, true},
        {"&Cancel", {"Ctrl+X"}, true, true},
        {"&Workspace Settings...", none, true, true},
        {"Zoom &In", {"Ctrl++", "Ctrl+=", "+", "="}, true, true},
        {"Zoom &Out", {"Ctrl+-", "-"}, true, true},
        {"&Fit on Screen", {"Ctrl+0"}, true, true},
        {"Actual Pixels", {"Ctrl+Alt+0"}, true, true},
        {"&Clean All", none, true, true},
        {"Clean &Last Selection", none, true, true},
        {"&Auto-Fill Image", {"Ctrl+F"}, true, true},
        {"Auto-Fill with &Keep", {"Ctrl+Shift+K"}, true, true},
        {"Auto-Fill with &Delete", {"Ctrl+Shift+D"}, true, true},
        {"Create Cu&t-Out", {"Ctrl+U"}, true, true},
        {"Show Object &Edges", {"F2"}, true, true},
        {"Zeltran 3 &Help", {"F1"}, true, true},
        {"Increase Brush Size", {"]"}, true, true},
        {"Decrease Brush Size", {"["}, true, true},
    };
    for (int mode : {StandaloneMode, HostBridgeMode, ControlFileMode}) {
        SCOPED_TRACE(mode);
        makeWindow(mode);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.text);
            QAction* action = command(QLatin1String(row.text));
            ASSERT_EQ(action != nullptr, mode == StandaloneMode ? row.standalone : row.host);
            if (action) {
                EXPECT_EQ(shortcutsOf(action), row.shortcuts);
            }
        }
        closeWindow();
    }
}

TEST_F(ZtMainWindowActionsTest, CommandsCarryTheirNamesRolesPicturesAndToolTips) {
    makeWindow();
    const ZtMainWindowActions& a = window_->commands();
    EXPECT_EQ(a.undo->objectName(), QStringLiteral("Undo Action"));
    EXPECT_EQ(a.redo->objectName(), QStringLiteral("Redo Action"));
    EXPECT_EQ(a.preferences->menuRole(), QAction::PreferencesRole);
    EXPECT_EQ(a.about->menuRole(), QAction::AboutRole);
    EXPECT_EQ(a.about->text(), QStringLiteral("&About Zeltran 3 ..."));
    EXPECT_EQ(a.cancel->toolTip(), QStringLiteral("Cancel (Ctrl+X)"));
    EXPECT_EQ(a.createCutout->toolTip(), QStringLiteral("Create Cut-out (Ctrl+U)"));
    EXPECT_EQ(a.redo->toolTip(), QStringLiteral("Redo (Ctrl+Y)"));
    for (QAction* action :
         {a.open, a.undo, a.redo, a.cancel, a.preferences, a.zoomIn, a.zoomOut, a.cleanAll,
          a.cleanKeep, a.cleanDelete, a.cleanBlend, a.cleanLastSelection, a.createCutout})
        EXPECT_FALSE(action->icon().isNull()) << action->text().toStdString();
    EXPECT_TRUE(a.cleanKeep->whatsThis().startsWith(
        QStringLiteral("<p><b>Clean All Keep</b></p><p>Fill small holes inside any <b>Keep</b>")));
    EXPECT_TRUE(a.cleanKeep->whatsThis().contains(QStringLiteral("4-Zeltran_Tools/Menus.htm")));
    EXPECT_TRUE(a.createCutout->whatsThis().contains(
        QStringLiteral("2-Using_Zeltran/Making_the_Cut-out.htm")));
    // The cancel button in the status bar is the cancel command.
    ASSERT_NE(window_->cancelButton(), nullptr);
    EXPECT_EQ(window_->cancelButton()->defaultAction(), a.cancel);
}

TEST_F(ZtMainWindowActionsTest, TheMenusHoldTheCommandsInOrderAndTheWindowHoldsThemAll) {
    makeWindow();
    QStringList titles;
    for (QAction* action : window_->menuBar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Image", "&Brush", "&Patch", "&View",
                                   "&Window", "&Help"}));
    const ZtMainWindowMenus& m = window_->menus();
    EXPECT_EQ(entries(m.file),
              QStringList({"&Open...", "&Close", "&Save", "Save &As...", "&Revert Mask",
                           "Re&vert All", "", "&Load Project...", "Save &Project",
                           "Sa&ve Project As...", "Rever&t Project", "", "Recent &Files",
                           "Recent Pro&jects", "", "E&xit Zeltran 3"}));
    EXPECT_EQ(entries(m.edit),
              QStringList({"&Undo", "&Redo", "&Cancel", "", "&Workspace Settings..."}));
    EXPECT_EQ(entries(m.image),
              QStringList({"&Clean All", "Clean All &Keep", "Clean All &Delete", "Clean All &Blend",
                           "Clean &Last Selection", "", "&Auto-Fill Image", "Auto-Fill with &Keep",
                           "Auto-Fill with &Delete", "", "Create Cu&t-Out", "",
                           "Workspace Resolution", "Preview Cut-out", "", "Select Tool",
                           "Clean Tool", "Forced Edge Tool", "Color Sampler"}));
    EXPECT_EQ(entries(m.resolution), QStringList({"1:1", "1:2", "1:4", "1:8"}));
    EXPECT_EQ(entries(m.brush),
              QStringList({"Keep Exact Brush", "Delete Exact Brush", "Blend Exact Brush",
                           "Erase Exact Brush", "Keep Local Brush", "Delete Local Brush",
                           "Blend Local Brush", "Erase Local Brush", "Keep Global Brush",
                           "Delete Global Brush", "Blend Global Brush", "Erase Global Brush"}));
    EXPECT_EQ(entries(m.patch),
              QStringList({"Rectangle Patch", "Polygon Patch", "Patch Brush", "", "Delete Patch",
                           "Erase Mask in Patch", "Protect Patch", "Auto-Fill Patch with &Keep",
                           "Auto-Fill Patch with &Delete", "Preview Cut-out in Patch"}));
    const QStringList view = entries(m.view);
    EXPECT_EQ(view.mid(0, 5),
              QStringList({"&Source", "&Workspace", "&Cut-out", "", "Show Object &Edges"}));
    EXPECT_EQ(view.mid(view.size() - 7),
              QStringList({"Zoom &In", "Zoom &Out", "Actual Pixels", "&Fit on Screen", "",
                           "Hand Tool", "Zoom Tool"}));
    EXPECT_EQ(entries(m.help).first(), QStringLiteral("Zeltran 3 &Help"));
    EXPECT_EQ(entries(m.help).last(), QStringLiteral("&About Zeltran 3 ..."));
    EXPECT_TRUE(entries(m.window).contains(QStringLiteral("Navigator")));
    EXPECT_TRUE(entries(m.window).contains(QStringLiteral("Tip")));
    EXPECT_TRUE(entries(m.window).contains(QStringLiteral("Tools")));
    EXPECT_TRUE(entries(m.window).contains(QStringLiteral("Options")));

    // Every command's shortcut works while the menu bar is hidden.
    for (QMenu* menu : {m.file, m.edit, m.image, m.brush, m.patch, m.view, m.window, m.help})
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && !action->menu()) {
                EXPECT_TRUE(window_->actions().contains(action)) << action->text().toStdString();
            }
    // "Delete Forced Edge" is in no menu, but its shortcut works.
    EXPECT_TRUE(window_->actions().contains(model()->deleteForcedEdgeAction()));

    // No key does two things: an ambiguous shortcut does nothing at all.
    QMap<QString, QString> owners;
    for (QAction* action : window_->actions())
        for (const QKeySequence& shortcut : action->shortcuts()) {
            const QString key = shortcut.toString(QKeySequence::PortableText);
            EXPECT_FALSE(owners.contains(key))
                << key.toStdString() << ": " << owners.value(key).toStdString() << " and "
                << action->text().toStdString();
            owners.insert(key, action->text());
        }
}

TEST_F(ZtMainWindowActionsTest, ThePaletteHoldsTheToolsTheBackgroundAndTheCutout) {
    makeWindow();
    QGridLayout* grid = window_->toolPalette()->grid();
    // The buttons and widgets in the grid's order, row by row.
    QMap<QPair<int, int>, QString> cells;
    for (int i = 0; i < grid->count(); ++i) {
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(i, &row, &column, &rows, &columns);
        QWidget* widget = grid->itemAt(i)->widget();
        QString text = QStringLiteral("-");
        if (auto* button = qobject_cast<QToolButton*>(widget))
            text = button->defaultAction()->text();
        else if (widget == window_->backgroundPicker())
            text = QStringLiteral("background");
        cells.insert({row, column}, text);
    }
    // The tools, then the background, the cut-out and the colour workspace.
    const QStringList tools({"Keep Exact Brush", "Delete Exact Brush", "Keep Local Brush",
                             "Delete Local Brush", "Keep Global Brush", "Delete Global Brush",
                             "Erase Exact Brush", "Blend Exact Brush", "Rectangle Patch",
                             "Forced Edge Tool", "Color Sampler", "Preview Cut-out", "Clean Tool",
                             "Select Tool", "Hand Tool", "Zoom Tool"});
    EXPECT_EQ(cells.values(), tools + QStringList({"-", "background", "-", "Create Cu&t-Out",
                                                   "Color Workspace", "-", "-"}));
    // A second click on the hand fits the image; on the zoom tool, actual pixels.
    QMap<QString, QObject*> companions;
    for (auto* button : window_->toolPalette()->findChildren<ToolPaletteButton*>())
        if (button->defaultAction())
            companions.insert(button->defaultAction()->text(), button->companion());
    EXPECT_EQ(companions.value(QStringLiteral("Hand Tool")), window_->commands().fitOnScreen);
    EXPECT_EQ(companions.value(QStringLiteral("Zoom Tool")), window_->commands().actualPixels);
}

TEST_F(ZtMainWindowActionsTest, HelpTutorialsAndTheHomePageOpenInTheBrowser) {
    makeWindow();
    const ZtMainWindowActions& a = window_->commands();
    a.help->trigger();
    a.help->trigger();
    a.tutorials->trigger();
    a.homePage->trigger();
    EXPECT_EQ(test_support::openedUrls(),
              QList<QUrl>({QUrl(helpIndexUrl()), QUrl(helpIndexUrl()),
                           QUrl(tutorialsUrl(productSiteUrl())), QUrl(productSiteUrl())}));
    // Where the help is goes into the log once.
    EXPECT_EQ(test_support::logLines().filter(QStringLiteral("Help is at hand: ")).size(), 1);

    // A command still to come says so for five seconds.
    QAction later(QStringLiteral("&Later"), window_);
    QObject::connect(&later, &QAction::triggered, window_, &ZtMainWindow::actionNotImplementedSlot);
    later.trigger();
    EXPECT_EQ(window_->statusBar()->currentMessage(),
              QStringLiteral("Action \"Later\" not yet implemented"));
}

TEST_F(ZtMainWindowActionsTest, ARecentFileShowsItsPathAsItIsAndOpensIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ampersand = QDir(dir.path()).filePath(QStringLiteral("a&b.png"));
    const QString other = QDir(dir.path()).filePath(QStringLiteral("other.png"));
    ASSERT_TRUE(QFile::copy(testData("flat_grey_200x150.png"), ampersand));
    ASSERT_TRUE(QFile::copy(testData("flat_grey_200x150.png"), other));
    makeWindow();
    QMenu* recent = window_->menus().recentFiles;
    ASSERT_NE(recent, nullptr);
    EXPECT_FALSE(recent->isEnabled());

    ASSERT_TRUE(window_->fileHandler()->loadImage(ampersand));
    waitIdle();
    ASSERT_TRUE(window_->fileHandler()->loadImage(other));
    waitIdle();
    EXPECT_TRUE(recent->isEnabled());
    ASSERT_EQ(recent->actions().size(), 2);
    QAction* entry = recent->actions().at(1);
    // Shown as "a&b.png", not as "ab.png" with "b" underlined.
    EXPECT_EQ(entry->text(), QDir::toNativeSeparators(ampersand).replace("&", "&&"));
    entry->trigger();
    ASSERT_TRUE(test_support::waitFor([this, &ampersand] {
        return model()->sourceImage() && model()->sourceImage()->filename() == ampersand;
    }));
    waitIdle();
    EXPECT_TRUE(prompts().asked().isEmpty());

    // A list that becomes empty takes the submenu away, and it stays away.
    emit window_->fileHandler()->recentFilesChanged(QStringList());
    EXPECT_FALSE(recent->isEnabled());
    EXPECT_TRUE(recent->actions().isEmpty());
    window_->updateActionEnablednessSlot();
    EXPECT_FALSE(recent->isEnabled());
}

} // namespace

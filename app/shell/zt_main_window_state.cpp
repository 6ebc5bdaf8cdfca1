// The main window's layout between runs, its three screen modes and Tab's
// hiding of the panels.
//
// The layout is stored under the settings group "UI" and used only when
// "PersistVersion" is 2; otherwise the window starts as on a first run:
// a tenth in from each side of the screen, maximized, the panels that stack
// docked and shown, the palette docked at the left. Either way the panels'
// default places are worked out once the event loop runs.
#include "shell/zt_main_window.h"

#include "panels/tip_window.h"
#include "panels/tool_palette.h"
#include "panels/tool_palette_button.h"
#include "shell/panel_framework/fake_dock.h"
#include "shell/panel_framework/gm_sub_window.h"
#include "shell/screen_mode_icons.h"
#include "shell/services/shell_functions.h"
#include "shell/services/whats_this_text.h"
#include "shell/window_placement.h"
#include "tools/gm_action.h"
#include "workspace/image_view.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <algorithm>

namespace {

const char* const kPersistVersion = "PersistVersion";
const char* const kGeometry = "UI/Geometry";
const char* const kScreenMode = "UI/ScreenMode";
const char* const kMaximized = "UI/Maximized";
const char* const kNormalGeometry = "UI/NormalGeometry";
const char* const kChildState = "UI/ChildState";
const char* const kSubWindows = "UI/SubWindows/";
// The layout version the stored keys must carry to be used.
constexpr int kStateVersion = 2;

const QPoint kNoPosition(-1, -1);

constexpr QDockWidget::DockWidgetFeatures kPaletteFeatures = QDockWidget::DockWidgetClosable |
                                                             QDockWidget::DockWidgetMovable |
                                                             QDockWidget::DockWidgetFloatable;

QString screenModeHelp() {
    return QCoreApplication::translate(
               "ZtMainWindow",
               "<p><b>Screen Mode</b> (F)</p><p>You can choose from three screen modes, "
               "depending on which best suits your work-flow:</p><ul><li><b>Standard Screen "
               "Mode</b>: Shows the window title bar and menu in a re-sizable window "
               "(default).</li><li><b>Full Screen with Menu Mode</b>: Maximizes the working area "
               "while keeping all functionality&mdash;the window title bar is hidden, while the "
               "menu and operating system task-bar remain visible.</li><li><b>Full Screen "
               "Mode</b>: Maximizes the working area&mdash;the window title bar, its menu, and "
               "the operating system task-bar are all hidden.</li></ul><p>You can swap Screen "
               "Modes by:</p><ul><li>Toggling through them, using the &lsquo;F&rsquo; shortcut "
               "key.</li><li>Clicking a Screen Mode button at the bottom of the <b>Tool "
               "Palette</b>.</li><li>Choosing from the &lsquo;View&rsquo; &gt; &lsquo;Screen "
               "Mode&rsquo; menu.</li></ul>",
               "[tip, zt3]") +
           learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/About_the_Zeltran_Workspace.htm"));
}

int validMode(int mode) {
    return mode >= 0 && mode <= 2 ? mode : 0;
}

} // namespace

// ----- Screen-mode actions, menu and palette buttons -----

void ZtMainWindow::createScreenModeMenu() {
    ZtMainWindowActions& a = actions_;
    screenModeGroup_ = new QActionGroup(this);
    screenModeGroup_->setExclusive(true);
    const QString texts[] = {tr("Standard Screen Mode", "[zt3]"),
                             tr("Full Screen with Menu Mode", "[zt3]"),
                             tr("Full Screen Mode", "[zt3]")};
    const QString help = screenModeHelp();
    for (int mode = 0; mode < 3; ++mode) {
        QAction* action = a.screenModes[size_t(mode)] = new QAction(texts[mode], this);
        action->setCheckable(true);
        action->setToolTip(texts[mode]);
        action->setWhatsThis(help);
        screenModeGroup_->addAction(action);
    }
    a.screenModes[0]->setChecked(true);
    connect(a.screenModes[0], &QAction::triggered, this, &ZtMainWindow::setScreenModeNormalSlot);
    connect(a.screenModes[1], &QAction::triggered, this,
            &ZtMainWindow::setScreenModeFullWithMenuSlot);
    connect(a.screenModes[2], &QAction::triggered, this, &ZtMainWindow::setScreenModeFullSlot);

    a.toggleScreenMode = new GmAction(tr("Toggle Screen Mode", "[zt3]"), this);
    setShortcutAndToolTip(a.toggleScreenMode, QKeySequence(tr("F", "[zt3]")));
    connect(a.toggleScreenMode, &QAction::triggered, this, &ZtMainWindow::toggleScreenModeSlot);

    if (menus_.view) {
        menus_.screenMode = menus_.view->addMenu(tr("Screen Mode", "[zt3]"));
        for (QAction* action : a.screenModes)
            menus_.screenMode->addAction(action);
    }
    // Their shortcuts and "F" work while the menu bar is hidden (full screen).
    for (QAction* action : a.screenModes)
        addAction(action);
    addAction(a.toggleScreenMode);
}

void ZtMainWindow::addScreenModeButtons() {
    ToolPalette* palette = toolPalette_;
    if (!palette || !actions_.screenModes[0]) return;
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(holder);
    const QString toggleShortcut =
        actions_.toggleScreenMode ? actions_.toggleScreenMode->shortcut().toString() : QString();
    for (int mode = 0; mode < 3; ++mode) {
        QAction* action = actions_.screenModes[size_t(mode)];
        const QPixmap picture = screenModePicture(mode);
        auto* button = new ToolPaletteButton(holder);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCheckable(true);
        button->setIcon(QIcon(picture));
        button->setIconSize(picture.size() + QSize(3, 4));
        button->setChecked(action->isChecked());
        button->setToolTip(toggleShortcut.isEmpty() ? action->toolTip()
                                                    : action->toolTip() + QStringLiteral(" (") +
                                                          toggleShortcut + QLatin1Char(')'));
        button->setWhatsThis(action->whatsThis());
        group->addButton(button, mode);
        connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::toggled, button, &QAbstractButton::setChecked);
        layout->addWidget(button);
    }
    palette->addWidget(holder, 1, 2, Qt::AlignCenter);
}

// ----- Saving and restoring -----

void ZtMainWindow::saveWindowState() {
    QSettings settings;
    settings.setValue(QLatin1String(kPersistVersion), kStateVersion);
    settings.setValue(QLatin1String(kGeometry), saveGeometry());
    settings.setValue(QLatin1String(kScreenMode), screenMode_);

    // What Tab hid is stored as the user wants it: the palette and the
    // Options bar shown again (the panels store their wish, not their look).
    if (toolPalette_ && toolPalette_->isForcedHidden()) toolPalette_->setForcedHidden(false);
    if (optionsToolBar_ && panelHiding_ == 1 && optionsToolBar_->isHidden())
        optionsToolBar_->show();
    settings.setValue(QLatin1String(kChildState), saveState(kStateVersion));

    for (GmSubWindow* panel : qAsConst(panels_))
        settings.setValue(panel->settingsKey(), panel->saveState());

    if (screenMode_ == 0) {
        if (toolPalette_) paletteFloated_ = toolPalette_->isFloating();
        maximizedInStandard_ = isMaximized();
        normalGeometry_ = normalGeometry();
    }
    if (toolPalette_)
        settings.setValue(QLatin1String(kSubWindows) + toolPalette_->objectName(),
                          toolPalette_->saveState());
    settings.setValue(QLatin1String(kMaximized), maximizedInStandard_);
    settings.setValue(QLatin1String(kNormalGeometry), normalGeometry_);
}

void ZtMainWindow::restoreWindowState() {
    forwardPanelEscapes();
    const QSettings settings;
    if (settings.value(QLatin1String(kPersistVersion), -1).toInt() == kStateVersion)
        restoreStoredLayout();
    else
        applyDefaultLayout();
    // The panels' sizes are known once they have been laid out.
    QTimer::singleShot(0, this, &ZtMainWindow::setDefaultSubWindowStateSlot);
}

void ZtMainWindow::restoreStoredLayout() {
    const QSettings settings;
    restoreGeometry(settings.value(QLatin1String(kGeometry)).toByteArray());
    restoreState(settings.value(QLatin1String(kChildState)).toByteArray(), kStateVersion);
    const bool maximized = settings.value(QLatin1String(kMaximized), true).toBool();
    const QRect normal =
        settings.value(QLatin1String(kNormalGeometry), QRect(0, 0, -1, -1)).toRect();
    const int mode = validMode(settings.value(QLatin1String(kScreenMode), 0).toInt());
    maximizedInStandard_ = maximized;
    normalGeometry_ = normal;
    for (GmSubWindow* panel : qAsConst(panels_))
        panel->restoreState(settings.value(panel->settingsKey()).toByteArray());
    if (toolPalette_) {
        toolPalette_->restoreState(
            settings.value(QLatin1String(kSubWindows) + toolPalette_->objectName()).toByteArray());
        paletteFloated_ = toolPalette_->isFloating();
    }

    setScreenMode(mode, true);
    // Entering a full-screen mode takes the window as it is now for the
    // standard mode's: the stored ones hold.
    maximizedInStandard_ = maximized;
    normalGeometry_ = normal;
    if (mode == 0 && toolPalette_ && toolPalette_->isFloating() && toolPalette_->isWantedVisible())
        toolPalette_->show();
    // The panels the user wanted show again (a quiet dock leaves that to us).
    for (GmSubWindow* panel : qAsConst(panels_))
        panel->updateVisibility();
    dock_->childVisibilityChanged();
}

void ZtMainWindow::applyDefaultLayout() {
    setGeometry(firstStartGeometry(availableGeometry()));
    // The panels that stack in the column dock there and show; those that
    // float by default wait until the user asks for them.
    for (GmSubWindow* panel : qAsConst(panels_)) {
        if (!panel->floatsByDefault()) panel->setWantedVisible(true);
        if (dock_) panel->setFloating(false, true);
    }
    screenMode_ = 0;
    if (QAction* standard = actions_.screenModes[0]) standard->setChecked(true);
    if (ToolPalette* palette = toolPalette_) {
        palette->setAllowedAreas(Qt::LeftDockWidgetArea);
        palette->setFeatures(kPaletteFeatures);
        palette->setFloating(false);
        paletteFloated_ = false;
    }
    for (GmSubWindow* panel : qAsConst(panels_))
        panel->updateVisibility();
    dock_->childVisibilityChanged();
    menuBar()->show();
    // Shown maximized: now when the window shows already, else when it is shown.
    maximizedInStandard_ = true;
    if (isVisible())
        showMaximized();
    else
        setWindowState(windowState() | Qt::WindowMaximized);
}

// ----- Screen modes -----

QRect ZtMainWindow::availableGeometry() const {
    QScreen* screen = nullptr;
    if (QWindow* window = windowHandle()) screen = window->screen();
    if (!screen) screen = QGuiApplication::screenAt(geometry().center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void ZtMainWindow::setScreenMode(int mode, bool quiet) {
    if (mode < 0 || mode > 2) return;
    if (screenMode_ == 0 && mode != 0) {
        maximizedInStandard_ = isMaximized();
        normalGeometry_ = normalGeometry();
    }
    // New window flags hide the window; it shows again as it was.
    const bool wasVisible = isVisible();
    const Qt::WindowStates withoutSize =
        windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen);
    switch (mode) {
    case 0:
        setPanelsForScreenMode(false, quiet);
        menuBar()->show();
        setUpdatesEnabled(false);
        setWindowFlags(Qt::Window);
        setWindowState(withoutSize);
        if (normalGeometry_.isValid())
            setGeometry(fitIntoScreen(normalGeometry_, availableGeometry()));
        if (maximizedInStandard_) setWindowState(windowState() | Qt::WindowMaximized);
        setUpdatesEnabled(true);
        if (wasVisible) show();
        break;
    case 1:
        setPanelsForScreenMode(true, quiet);
        menuBar()->show();
        setUpdatesEnabled(false);
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setWindowState(withoutSize);
        setGeometry(availableGeometry());
        setUpdatesEnabled(true);
        if (wasVisible) show();
        break;
    default:
        setPanelsForScreenMode(true, quiet);
        menuBar()->hide();
        setUpdatesEnabled(false);
        setWindowFlags(Qt::Window);
        setWindowState(withoutSize | Qt::WindowFullScreen);
        setUpdatesEnabled(true);
        if (wasVisible) show();
        // How to get back, where the user looks for help.
        TipWindow::showActionTip(actions_.screenModes[2]);
        break;
    }
    if (QAction* action = actions_.screenModes[size_t(mode)]) action->setChecked(true);
    screenMode_ = mode;
    if (isVisible()) activateWindow();
}

void ZtMainWindow::setPanelsForScreenMode(bool entering, bool quiet) {
    if (ToolPalette* palette = toolPalette_) {
        if (entering) {
            if (screenMode_ == 0) paletteFloated_ = palette->isFloating();
            palette->setAllowedAreas(Qt::NoDockWidgetArea);
            palette->setFeatures(kPaletteFeatures);
            if (!palette->isFloating() || quiet) {
                palette->setFloating(true);
                if (paletteFloatPosition_ != kNoPosition) palette->move(paletteFloatPosition_);
            }
        } else {
            if (palette->isFloating() && !quiet) paletteFloatPosition_ = palette->pos();
            palette->setAllowedAreas(Qt::LeftDockWidgetArea);
            palette->setFeatures(kPaletteFeatures);
            palette->setFloating(paletteFloated_);
        }
    }
    for (GmSubWindow* panel : qAsConst(panels_))
        panel->setFloating(entering, quiet);
    if (dock_) dock_->childVisibilityChanged();
}

void ZtMainWindow::setScreenModeNormalSlot() {
    setScreenMode(0, false);
}

void ZtMainWindow::setScreenModeFullWithMenuSlot() {
    setScreenMode(1, false);
}

void ZtMainWindow::setScreenModeFullSlot() {
    setScreenMode(2, false);
}

void ZtMainWindow::toggleScreenModeSlot() {
    setScreenMode((screenMode_ + 1) % 3, false);
}

// ----- Tab -----

void ZtMainWindow::tabPressed(bool shift) {
    // Tab goes between nothing hidden and all hidden, Shift+Tab between
    // nothing hidden and the panels hidden; from the other hiding each goes
    // to its own.
    const int own = shift ? 2 : 1;
    panelHiding_ = panelHiding_ == own ? 0 : own;
    if (optionsToolBar_) optionsToolBar_->setVisible(panelHiding_ != 1);
    if (toolPalette_) toolPalette_->setForcedHidden(panelHiding_ == 1);
    for (GmSubWindow* panel : qAsConst(panels_)) {
        panel->setSuppressed(panelHiding_ != 0);
        panel->updateVisibility();
    }
    activateWindow();
}

// ----- Default places of the panels -----

void ZtMainWindow::setDefaultSubWindowStateSlot() {
    DefaultLayoutInput input;
    input.available = availableGeometry();
    if (optionsToolBar_)
        input.optionsBarBottom =
            optionsToolBar_->mapToGlobal(QPoint(0, optionsToolBar_->height())).y();
    else
        input.optionsBarBottom = input.available.top();

    // The gap is a panel's title bar: the most a panel's frame adds to its
    // height (nothing before any panel was shown as a window).
    for (GmSubWindow* panel : qAsConst(panels_))
        input.gap = std::max(input.gap, panel->frameGeometry().height() - panel->height());
    if (input.gap <= 0) input.gap = style()->pixelMetric(QStyle::PM_TitleBarHeight);

    QList<GmSubWindow*> floating;
    QList<GmSubWindow*> stacked;
    for (GmSubWindow* panel : qAsConst(panels_)) {
        if (panel->floatsByDefault()) {
            floating << panel;
            input.floatingPanels << panel->sizeHint();
        } else {
            stacked << panel;
            input.columnWidth = std::max(input.columnWidth, panel->sizeHint().width());
        }
    }
    for (GmSubWindow* panel : qAsConst(stacked)) {
        int height;
        if (panel->isWindow() && panel->isVisible())
            height = panel->height();
        else if (panel->defaultSize().isValid())
            height = panel->defaultSize().height();
        else
            height = panel->sizeHint().height();
        input.stackedHeights << height;
    }
    input.paletteHasPosition = paletteFloatPosition_ != kNoPosition;
    input.paletteWidth = toolPalette_ ? toolPalette_->width() : 0;

    const DefaultLayout layout = defaultPanelLayout(input);
    if (!input.paletteHasPosition) paletteFloatPosition_ = layout.palette;
    for (int i = 0; i < floating.size(); ++i) {
        GmSubWindow* panel = floating.at(i);
        if (!panel->savedGeometry().isEmpty()) continue;
        const QSize size = input.floatingPanels.at(i);
        panel->setDefaultPosition(layout.floating.at(i));
        panel->setDefaultSize(size);
        // They float already: they go there at once.
        panel->move(layout.floating.at(i));
        panel->resize(size);
    }
    for (int i = 0; i < stacked.size(); ++i) {
        GmSubWindow* panel = stacked.at(i);
        panel->setDefaultPosition(layout.stacked.at(i));
        panel->setDefaultSize(QSize(input.columnWidth, input.stackedHeights.at(i)));
    }
}

void ZtMainWindow::showWorkspaceTab() {
    if (imageView_) imageView_->ensureTab(ImageView::Workspace, ImageView::Workspace);
}

// The base of every dockable panel (tips, navigator, edge finding, edge
// blending, patch properties, colour workspace).
//
// A panel either sits docked in the column beside the image view (a FakeDock,
// with a coloured title bar of its own) or floats as a small tool window. It
// has a checkable toggle action for the menus, an optional shortcut, a state
// the main window persists (the user's wish to see it, then its geometry)
// and the view tabs it may show on. Panels put their content in with
// setWidget().
//
// Whether a panel shows follows one rule (updateVisibility): the user wants it,
// the main window's hide-all mode does not suppress it, and its toggle action
// is enabled (the current view tab is one of its enabledViewTabs()).
//
// The main window persists each panel under settingsKey(), "UI/SubWindows/"
// + its object name ("DockWidget: " + name), as saveState(): one byte, the
// wanted-visible flag, then the saved geometry.
#ifndef APP_SHELL_PANEL_FRAMEWORK_GM_SUB_WINDOW_H
#define APP_SHELL_PANEL_FRAMEWORK_GM_SUB_WINDOW_H

#include "shell/panel_framework/view_tabs.h"

#include <QByteArray>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include <memory>

class FakeDock;
class GmSubWindowLayout;
class GmSubWindowPrivate;
class QAction;
class QKeyEvent;
class QSizeGrip;
class TitleWidget;

class GmSubWindow : public QWidget {
    Q_OBJECT
public:
    // A hidden Qt::Tool window, child of `parent` (the main window), named
    // "DockWidget: " + name and titled `title`. Its toggle action goes into
    // `actionHolder` (a widget or menu) when one is given, with `shortcut`
    // (portable text) when that is not empty; a shortcut also ends the panel's
    // and the action's tool tip as title + " (" + shortcut + ")".
    GmSubWindow(const QString& name, const QString& title, QWidget* actionHolder,
                const QString& shortcut, QWidget* parent);
    ~GmSubWindow() override;

    // Whether the main window's default layout floats the panel.
    virtual bool floatsByDefault() const = 0;
    // Docks the panel into its dock (floating false) or floats it as a tool
    // window of its home parent. `quiet` keeps the geometry as it is and, when
    // docking, leaves the visibility to the caller.
    virtual void setFloating(bool floating, bool quiet);
    // The tabs (ViewTabs flags) the panel may show on; every tab by default.
    virtual int enabledViewTabs() const;
    // Whether a stored wanted-visible flag is restored at start.
    virtual bool restoresVisibility() const;

    // The content widget, null when none (or when it was removed as a child).
    QWidget* widget() const;
    // Replaces the content (the previous one leaves the layout, stretch 1).
    void setWidget(QWidget* content);

    // A resizable panel has a size grip while it floats and docks with
    // stretch; otherwise a floating panel takes a fixed size from its layout.
    void setResizable();
    bool isResizable() const;

    // After stored geometry is applied, the panel's width becomes the layout's
    // minimum width.
    void setWidthLocked(bool locked);
    bool isWidthLocked() const;

    // The dock the panel docks into; null for a panel that never docks.
    FakeDock* dock() const;
    void setDock(FakeDock* dock);

    // The checkable action of the menus; its check state follows the panel's
    // show, hide and close events, its enabled state the view tab.
    QAction* toggleViewAction() const;
    TitleWidget* titleWidget() const;
    GmSubWindowLayout* panelLayout() const;
    // Present only while a resizable panel floats.
    QSizeGrip* sizeGrip() const;

    // The user's wish to see the panel.
    bool isWantedVisible() const;
    void setWantedVisible(bool wanted);
    // Set for every panel by the main window's hide-all mode.
    bool isSuppressed() const;
    void setSuppressed(bool suppressed);
    // Set by a close event, cleared by a show event: panels skip refresh work while closed.
    bool isClosed() const { return closed_; }

    // Used when no saved geometry exists; the main window's default layout fills them.
    QPoint defaultPosition() const;
    void setDefaultPosition(const QPoint& position);
    QSize defaultSize() const;
    void setDefaultSize(const QSize& size);
    QByteArray savedGeometry() const;

    // One byte (wanted visible), then the saved geometry (refreshed first
    // when the panel floats).
    QByteArray saveState();
    // Takes back what saveState() gave: applies the geometry, then wants the
    // panel visible when the first byte is not 0 and restoresVisibility().
    // An empty array changes nothing. It does not show or hide the panel.
    void restoreState(const QByteArray& state);
    // "UI/SubWindows/" + the object name.
    QString settingsKey() const;

    // Shows or hides the panel by the visibility rule.
    void updateVisibility();

signals:
    // On show, hide and close events, and just before updateVisibility shows the panel.
    void visibilityChanged();
    // The Escape key was pressed inside the panel.
    void escapeKeyPressed(QKeyEvent* event);

public slots:
    // Wanted visible, then shown unconditionally (the patch tools' new patch).
    void userShow();
    // Enables the toggle action when `tab` is one of enabledViewTabs().
    void viewTabChangedSlot(ViewTabs::ViewTab tab);
    // The toggle action: wanted visible := b; wanting also lifts the suppression.
    void toggleViewSlot(bool b);
    // The close button: not wanted any more.
    void closeViewSlot();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyStoredGeometry();
    void placeSizeGrip();

    std::unique_ptr<GmSubWindowPrivate> d_;
    bool closed_ = false;
};

#endif

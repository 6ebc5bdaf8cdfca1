// The document's view: three tabs, Source (the photograph as loaded),
// Workspace (where the user works, at workspace resolution) and Cut-out (the
// last cut-out), over one scroll area with the one canvas. Switching tabs only
// tells the canvas which layers to paint.
//
// The tab bar does not switch the tab widget's pages itself: every tab shows
// the one workspace page, so a tab's page number is kept in its record and
// sent through switchToTab. Each tab has a checkable action with the
// shortcut "1", "2" or "3" for the main window's View menu. The view starts on
// the Workspace tab.
//
// The zoom, fit and pan slots are the scroll area's operations, for the main
// window, the navigator and the view tools.
#ifndef APP_WORKSPACE_IMAGE_VIEW_H
#define APP_WORKSPACE_IMAGE_VIEW_H

#include "model/image_coordinates.h"
#include "shell/panel_framework/view_tabs.h"

#include <QList>
#include <QPoint>
#include <QWidget>

class GmZoomWidget;
class IVTabWidget;
class QAction;
class QActionGroup;
class QTabBar;
class ZtWorkspace;

class ImageView : public QWidget, public ViewTabs {
    Q_OBJECT
public:
    explicit ImageView(QWidget* mainWindow);

    QSize minimumSizeHint() const override;

    // The tab shown; Workspace when the tab bar's index is outside the tabs.
    ImageView::ViewTab currentViewTab() const;
    // Leaves the current tab when it is not in `allowed` (a mask): the first
    // tab of kind `fallback` becomes current (nothing when there is none).
    void ensureTab(int allowed, ImageView::ViewTab fallback);
    // Adds a tab over `page` and its action; emits addTabAction.
    QAction* addTab(ZtWorkspace* page, const QString& text, const QString& whatsThis,
                    const QString& toolTip, ImageView::ViewTab tab);

    QWidget* mainWindow() const { return mainWindow_; }
    ZtWorkspace* workspace() const { return workspace_; }
    GmZoomWidget* canvas() const;
    QTabBar* tabBar() const { return tabBar_; }
    IVTabWidget* tabWidget() const { return tabWidget_; }
    // The tab actions in tab order.
    const QList<QAction*>& tabActions() const { return tabActions_; }

signals:
    void sayViewportRectChanged(const GRectF& rect, double zoom);
    void viewTabChanged(ImageView::ViewTab tab);
    void activateArrowTargetAt(const ImagePointF& point);
    void zoomChanged(double zoom);
    void addTabAction(QAction* action);
    void switchToTab(int page);

public slots:
    // Fits the whole image into the viewport.
    void fitImageOnScreenSlot();
    void minCheckedMoveImageViewportToSlot(const ImageRectF& rect);
    void moveImageViewportToSlot(const ImageRectF& rect);
    void panImageViewportSlot(const QPoint& delta);
    void centreViewportOnSlot(const QPoint& point);
    void zoomInSlot();
    void zoomOutSlot();
    void zoomToSlot(double zoom);
    void zoomTo100PercentSlot();
    // The tab bar's current tab changed.
    void currentTabChanged(int index);
    // A tab action was triggered: its tab becomes current.
    void switchTab();

private:
    struct TabRecord {
        ImageView::ViewTab tab;
        int page;
    };

    QTabBar* tabBar_;
    IVTabWidget* tabWidget_;
    int nextPageNumber_ = 0;
    QWidget* mainWindow_;
    ZtWorkspace* workspace_;
    QActionGroup* actionGroup_;
    QAction* sourceAction_ = nullptr;
    QAction* workspaceAction_ = nullptr;
    QAction* cutoutAction_ = nullptr;
    QList<QAction*> tabActions_;
    QList<TabRecord> tabRecords_;
};

#endif

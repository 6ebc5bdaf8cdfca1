// The canvas: the one widget inside the workspace scroll area that shows the
// document at a zoom factor, on one of the three view tabs.
//
// Geometry. The canvas is as large as the image at the current zoom
// (contentSize), and never smaller than the scroll area's viewport: a small
// image sits centred, a large one starts at (0, 0). imageRect() is where the
// image lies. A widget point p is the image point (p - imageRect().topLeft())
// / zoom; on the Workspace tab one workspace pixel covers resolution factor x
// zoom screen pixels (tabScale). The zoom is capped at 16 and has no lower
// bound here: the navigator keeps the user above 6.25 %.
//
// The first image is fitted to the view when the canvas first shows; later
// images are fitted at once when the canvas is visible (fitToParent: 85 % of
// the viewport).
//
// Painting shows each tab's image: the photograph (Source), its workspace
// copy at the resolution factor (Workspace), the working image with the cut-out
// (Cut-out). Input, tools, the mask overlay, patches and the brush outline
// build on this.
#ifndef APP_WORKSPACE_GM_ZOOM_WIDGET_H
#define APP_WORKSPACE_GM_ZOOM_WIDGET_H

#include "model/dirty_hint.h"
#include "model/image_coordinates.h"
#include "shell/panel_framework/view_tabs.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QWidget>

class GmZoomWidget : public QWidget {
    Q_OBJECT
public:
    // Tab indices: which tab's layers are painted.
    enum TabIndex { NoTab = -1, SourceTab = 0, WorkspaceTab = 1, CutoutTab = 2 };

    // `mainWindow` receives Tab and Shift+Tab typed on the canvas (may be null).
    explicit GmZoomWidget(QWidget* mainWindow, QWidget* parent = nullptr);
    // Stores the background colour in the settings.
    ~GmZoomWidget() override;

    // Screen pixels per full-image pixel.
    double zoom() const { return zoom_; }
    // The zoom becomes `value` (absolute) or zoom x `value`, at most 16; a
    // value that is not positive leaves it. Emits zoomChanged(zoom) in every
    // case and resizes the canvas to its new size hint.
    void setZoom(double value, bool absolute);

    // The source image's full size times the zoom, each side truncated; (0, 0)
    // without a source image.
    QSize contentSize() const;
    // contentSize() expanded to the parent's (the viewport's) size.
    QSize sizeHint() const override;
    // Where the image lies in the canvas; invalid without a source image.
    QRect imageRect() const { return imageRect_; }
    // Recomputes imageRect(): centred when smaller than the canvas, else at (0, 0).
    void recentreImage();
    // The largest zoom at which the image fits `target` with its aspect ratio
    // kept; zoom 1 without a source image.
    void fitToSize(const QSizeF& target);
    // fitToSize with 85 % of the parent's size.
    void fitToParent();
    // Whether the next show event fits the image.
    bool isFitPending() const { return fitPending_; }

    // NoTab until the image view reports a tab; nothing is painted with NoTab.
    int tabIndex() const { return tabIndex_; }
    // Zoom x resolution factor on the Workspace tab, the zoom on the others.
    double tabScale() const;

    // The pointer relative to the image's corner.
    QPoint pointerPosition() const;
    // Puts the pointer at `position` (relative to the image's corner) as if it
    // were over the canvas, and brings the brush outline there: the outline
    // follows the brush-size slider at the centre of the view.
    void showPointerAt(const QPoint& position);
    // Keeps the brush outline up to date; an outline that is no longer wanted
    // is repainted away.
    void updateBrushOutline();

    QColor backgroundColour() const { return backgroundColour_; }
    // The colour around the image.
    void setBackgroundColour(const QColor& colour);

signals:
    void activateArrowTargetAt(const ImagePointF& point);
    void zoomChanged(double zoom);

public slots:
    // Fits the new image when the canvas is visible, else at the next show.
    void imageChangedSlot();
    // Repaints the canvas area of `rect` (image pixels), grown by the hint.
    void rectDirtySlot(const ImageRectF& rect, DirtyHint hint, PatchPreviewWanted preview);
    void viewTabChangedSlot(ViewTabs::ViewTab tab);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    double zoom_ = 1.0;
    QRect imageRect_ = QRect(QPoint(-1, -1), QSize(-1, -1));
    bool positionIsGlobal_ = false;
    bool pointerInside_ = false;
    QPoint pointerPosition_;
    QRect outlineRect_ = QRect(QPoint(0, 0), QPoint(-1, -1));
    int tabIndex_ = NoTab;
    QColor backgroundColour_;
    bool fitPending_ = true;
};

#endif

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
// Input: mouse events go to the current tool (workspace/canvas_tool.h) with
// the point in image pixels, while it is available and allowed on the shown
// tab; a press it cannot take beeps. Brushes get no pointer: the canvas
// paints their outline (brush_outline.h) and keeps it up to date. Pen
// pressure is passed to the brushes; the event is then ignored, so the same
// movement arrives again as mouse events. Drops go to acceptImageDrop.
//
// Painting (canvas_painting.h) shows each tab's layers: the photograph
// (Source); the workspace copy with the masks, patches, forced edges, waiting
// strokes and the brush outline (Workspace); the cut-out over the background
// (Cut-out).
#ifndef APP_WORKSPACE_GM_ZOOM_WIDGET_H
#define APP_WORKSPACE_GM_ZOOM_WIDGET_H

#include "model/dirty_hint.h"
#include "model/image_coordinates.h"
#include "shell/panel_framework/view_tabs.h"
#include "workspace/brush_outline.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QWidget>

class GmRegion;
class GmTool;
class QCursor;

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
    // Whether the pointer is over the canvas. The one showPointerAt puts
    // there is not: its outline shows only while the brush-size slider is held.
    bool isPointerInside() const { return pointerInside_ && !pointerShownForSlider_; }
    // Puts the pointer at `position` (relative to the image's corner) as if it
    // were over the canvas, and brings the brush outline there: the outline
    // follows the brush-size slider at the centre of the view.
    void showPointerAt(const QPoint& position);
    // The slider is let go: a pointer that only showPointerAt put over the
    // canvas leaves it, and its outline is repainted away. A real pointer
    // over the canvas stays.
    void endPointerShownForSlider();
    // Keeps the brush outline up to date; an outline that is no longer wanted
    // is repainted away.
    void updateBrushOutline();

    // The brush outline last painted (none when none shows), and its canvas
    // area (invalid when none shows).
    void setPaintedOutline(const BrushOutline& outline) { outline_ = outline; }
    QRect outlineRect() const { return outline_.isShown() ? outline_.area() : QRect(); }

    // The patch whose cut-out preview shows, and its area in image pixels;
    // the preview is drawn clipped to that area while the patch lives.
    GmRegion* patchPreview() const;
    const QRegion& patchPreviewRegion() const { return patchPreviewRegion_; }
    // Forgets the patch preview: its area is repainted and the model's
    // preview rectangle cleared.
    void dropPatchPreview();

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
    // The pointer becomes the new tool's; everything is repainted.
    void toolChangedSlot(const GmTool* tool);
    // A new pointer (when given); the brush outline follows.
    void cursorChangedSlot(const QCursor* cursor);
    void viewTabChangedSlot(ViewTabs::ViewTab tab);
    void resolutionChangedSlot(int oldFactor, int newFactor);
    // Keeps the area of the patch whose cut-out preview is about to show.
    void patchPreviewAvailableSlot(const GmRegion* region);
    void hintOpacityChangedSlot();
    void showOriginalSlot();
    // Asks for a new background colour.
    void changeBackgroundColourSlot();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Steps shared by the four mouse events.
    void handleMouse(QMouseEvent* event);
    // The context menu over the active patch, forced edge or the image.
    void showContextMenu(const QPoint& globalPosition);
    // Repaints the canvas area of `rect` (image pixels) grown by the hint.
    void repaintImageRect(const QRectF& rect, DirtyHint hint);

    double zoom_ = 1.0;
    QRect imageRect_ = QRect(QPoint(-1, -1), QSize(-1, -1));
    bool positionIsGlobal_ = false;
    bool pointerInside_ = false;
    bool pointerShownForSlider_ = false; // pointerInside_ set by showPointerAt
    QPoint pointerPosition_;
    BrushOutline outline_;
    int tabIndex_ = NoTab;
    QRegion patchPreviewRegion_;
    QPointer<GmRegion> patchPreview_;
    QColor backgroundColour_;
    bool fitPending_ = true;
};

#endif

// One paint event of the canvas: what each view tab shows, layer by layer,
// painted through one painter with three transforms (image to widget, its
// inverse, workspace to widget).
//
// Images are drawn only over the visible part of the exposed area, so a
// repaint costs what is on the screen, not the image size. On the Workspace
// tab: the background, the workspace copy, the mask overlay, the colour
// highlight, the object edges, a patch's cut-out preview, the patches and
// forced edges in the current tool's draw mode, the strokes still waiting
// for the engine, the brush outline (whose area is recorded on the canvas),
// the zoom and preview rectangles. The Source tab shows the photograph only;
// the Cut-out tab the cut-out over a screen-fixed background with the
// shapes being drawn. Shift+F6 ("wash") makes every repainted area pulse.
#ifndef APP_WORKSPACE_CANVAS_PAINTING_H
#define APP_WORKSPACE_CANVAS_PAINTING_H

#include "model/image_coordinates.h"

#include <QBrush>
#include <QPainter>
#include <QTransform>

class CanvasTool;
class GmZoomWidget;
class QPaintEvent;
class ZtSourceImage;

class CanvasPainting {
public:
    CanvasPainting(GmZoomWidget* canvas, QPaintEvent* event);
    CanvasPainting(const CanvasPainting&) = delete;
    CanvasPainting& operator=(const CanvasPainting&) = delete;

    void paint();

private:
    void paintSourceTab();
    void paintWorkspaceTab();
    void paintCutoutTab();
    // The patches, then the forced edges; with `beingDrawnOnly` only those
    // the tool draws in mode 1.
    void paintTargets(bool beingDrawnOnly);
    void paintWaitingStrokes();
    void paintPatchPreview();
    void paintBrushOutline();
    void paintBrushFootprint(const QPointF& centre, double radius, const QColor& colour);
    void paintCentreMark(const QPointF& centre, double u, const QColor& colour);
    void paintZoomRectangle();
    void paintPreviewRectangle();
    // The cut-out over the background in `rect` (image pixels).
    void paintCutoutPreview(const QRectF& rect);
    // Fills `rect` (image pixels) with the background pattern at its screen size.
    void fillScreenFixed(const QRectF& rect);
    void paintWash();

    bool isVisible() const { return visible_.width() > 0 && visible_.height() > 0; }
    // The visible rectangle in workspace pixels.
    QRectF visibleInWorkspace() const;

    QPainter painter_;
    ZtSourceImage* source_;
    GmZoomWidget* canvas_;
    QPaintEvent* event_;
    CanvasTool* tool_;
    QTransform imageToWidget_;
    QTransform widgetToImage_;
    QTransform workspaceToWidget_;
    ImageRectF exposed_;
    ImageRectF visible_;
    double factor_;
    QBrush background_;
};

#endif

// The patch-tool fixture with the canvas shown at 100 % on a 400 x 300
// image (centred, with a margin around it), and the mouse played on the
// window as a user's would be: the events go to the window, so the
// application knows which buttons are held between them.
#ifndef TESTS_APP_TOOLS_CANVAS_TOOL_FIXTURE_H
#define TESTS_APP_TOOLS_CANVAS_TOOL_FIXTURE_H

#include "patch_tool_fixture.h"

#include <QPoint>
#include <QPointF>

class GmZoomWidget;
class QWindow;

class CanvasToolFixture : public PatchToolFixture {
protected:
    void SetUp() override;

    GmZoomWidget* canvas() const;
    QWindow* window() const;
    // `imagePoint` (image pixels) in the window.
    QPoint at(const QPointF& imagePoint) const;

    // The canvas paints the patches and forced edges, which gives their
    // outlines the tolerance the hit tests use.
    void paintCanvas();

    void press(const QPointF& point, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void move(const QPointF& point, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void release(const QPointF& point, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void click(const QPointF& point, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void doubleClick(const QPointF& point, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Press at `from`, move halfway and to `to`, release there.
    void drag(const QPointF& from, const QPointF& to);
};

#endif

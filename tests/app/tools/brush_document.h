// What the brush and clean-tool tests add to a document on the real engine
// (DocumentFixture, twoHalves): the canvas's mouse played on a tool, and the
// commands the engine thread starts.
#ifndef TESTS_APP_TOOLS_BRUSH_DOCUMENT_H
#define TESTS_APP_TOOLS_BRUSH_DOCUMENT_H

#include "document/document_fixture.h"
#include "tools/gm_tool.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QPolygonF>

#include <initializer_list>

class QObject;

// The canvas's calls for one event: the button state first, then the tool.
void pressOn(GmTool& tool, QPointF point, Qt::MouseButton button = Qt::LeftButton);
void moveOn(GmTool& tool, QPointF point, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void releaseOn(GmTool& tool, QPointF point, Qt::MouseButton button = Qt::LeftButton);
// The points as a polygon, for comparisons.
QPolygonF polygonOf(std::initializer_list<QPointF> points);
// A move with no button held.
void hoverOn(GmTool& tool, QPointF point);
// The second click of a double click: the double-click event, then the release.
void doubleClickOn(GmTool& tool, QPointF point);
// A press and a release at `point`.
void clickOn(GmTool& tool, QPointF point);
// The mouse moved to `point` (no button held), then a click there: how a
// polygon's next vertex is placed.
void placeOn(GmTool& tool, QPointF point);
// Press at `from`, move halfway and to `to`, release there.
void dragOn(GmTool& tool, QPointF from, QPointF to);

// Records the commands the engine thread starts, as "Select <from> <to>
// <scope>", "Despeckle <statuses>" or the command's description.
class StartedCommands {
public:
    explicit StartedCommands(VardekThread& thread);
    ~StartedCommands();
    const QStringList& list() const { return started_; }
    void clear() { started_.clear(); }

private:
    QObject* listener_;
    QStringList started_;
};

#endif

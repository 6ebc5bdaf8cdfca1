// A document on the real engine for the brush and clean-tool tests, with
// the canvas's mouse played on a tool: two flat halves (dark left, light
// right, 80 x 60) that the analysis separates along x = 40.
#ifndef TESTS_APP_TOOLS_BRUSH_DOCUMENT_H
#define TESTS_APP_TOOLS_BRUSH_DOCUMENT_H

#include "document/document_fixture.h"
#include "tools/gm_tool.h"

#include <QImage>
#include <QList>
#include <QPointF>

class QObject;

QImage twoHalves();

// The canvas's calls for one event: the button state first, then the tool.
void pressOn(GmTool& tool, QPointF point, Qt::MouseButton button = Qt::LeftButton);
void moveOn(GmTool& tool, QPointF point, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void releaseOn(GmTool& tool, QPointF point, Qt::MouseButton button = Qt::LeftButton);
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

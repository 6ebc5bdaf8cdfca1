// A brush as the canvas sees one, for the canvas tests and the painting
// harness: a blank pointer, a fixed diameter, the keep colour, and a stroke
// painted between press and release that is handed on at the release, by
// default as an exact keep selection over every status, as the keep brush
// submits it. It counts what reaches it.
#ifndef TESTS_APP_WORKSPACE_STAND_IN_BRUSH_H
#define TESTS_APP_WORKSPACE_STAND_IN_BRUSH_H

#include "tools/gm_tool.h"

#include <QList>
#include <QPointF>

#include <functional>

class GmBrushing;

class StandInBrush : public GmTool {
    Q_OBJECT
public:
    // Installs `size` as the brush diameter (workspace pixels) while it lives.
    explicit StandInBrush(int size);
    ~StandInBrush() override;

    QCursor cursor() const override { return QCursor(Qt::BlankCursor); }
    bool isBrush() const override { return brush; }
    QColor cursorColour() const override;
    QColor strokeColour() const override;
    // The active patch or forced edge with its object edges, the others as outlines.
    int targetDrawMode(const ArrowTarget* target) const override;
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    void mouseRelease(QMouseEvent* event, const QPointF& point) override;
    void activate(GmTool*) override {}
    void deactivate(GmTool*) override;

    // Whether it answers as a brush.
    bool brush = true;
    // Receives every finished stroke (and owns it); by default it is submitted.
    std::function<void(GmBrushing*)> onStroke;
    // The image points of the presses, moves and releases that reached the tool.
    QList<QPointF> presses;
    QList<QPointF> moves;
    QList<QPointF> releases;

private:
    GmBrushing* stroke_ = nullptr;
};

#endif

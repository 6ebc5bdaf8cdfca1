// A forced edge: an open polyline in image pixels that the engine treats as
// an edge (a local brush does not flood across it) and that mask generation
// blends across over its feather width.
//
// It is laid into the status image by a forced-edge selection (the polyline
// drawn one workspace pixel wide as the marks 0x10). When an edge is moved,
// a process-wide flag tells the arrow tool to lay all forced edges again
// once it stops being the current tool.
//
// Project map: "type" 3, "poly_" (the polygon map), "width_" (the feather width).
#ifndef APP_MODEL_FORCED_EDGE_H
#define APP_MODEL_FORCED_EDGE_H

#include "model/arrow_target.h"
#include "model/zt_polygon.h"

#include <QPointF>

#include <vector>

class ForcedEdge : public ArrowTarget {
    Q_OBJECT
public:
    // A new edge holding its first point; appends itself to the model's list.
    ForcedEdge(const QPointF& first, int featherWidth);
    // From a project map; not added to the model (the loader does that).
    explicit ForcedEdge(const QVariant& map);
    ~ForcedEdge() override;

    zt::Polygon* polygon() { return &poly_; }
    int featherWidth() const { return width_; }
    void setFeatherWidth(int width) { width_ = width; }
    // The points in workspace pixels as the engine reads them: x then y for
    // each point, each image point divided by the resolution factor.
    std::vector<float> workspacePoints() const;

    Shape* shape() override { return &poly_; }
    GmRegion* asRegion() override { return nullptr; }
    ForcedEdge* asForcedEdge() override { return this; }
    bool isForcedEdge() const override { return true; }
    void activate() override;
    void deactivate() override;
    // Sets the forced-edges-moved flag.
    void shapeChanged() override;
    bool isActive() const override;
    // Submits the edge's forced-edge selection.
    void submitToEngine() override;
    QVariant toVariant() const override;

    // Empties the shape's pixel state, so the next selection renders the
    // edge's mask afresh.
    virtual void releaseEngineState();

    // Whether a forced edge was moved or reshaped since the flag was cleared.
    static bool forcedEdgesMoved();
    static void setForcedEdgesMoved(bool moved);

private:
    zt::Polygon poly_;
    int width_ = 3;
};

#endif

// What the arrow tool selects, moves and reshapes: the patches (GmRegion,
// with RectRegion, PolyRegion and BrushRegion) and the forced edges
// (ForcedEdge). The model keeps them in two lists and exactly one of them
// active at a time; each knows how to put itself into the engine, how to be
// activated, its outline colour and its project map.
#ifndef APP_MODEL_ARROW_TARGET_H
#define APP_MODEL_ARROW_TARGET_H

#include <QColor>
#include <QObject>
#include <QVariant>

class ForcedEdge;
class GmRegion;
class Shape;

class ArrowTarget : public QObject {
    Q_OBJECT
public:
    // The target's "type" in a project map.
    enum Type { RectRegionType = 0, PolyRegionType = 1, BrushRegionType = 2, ForcedEdgeType = 3 };

    ArrowTarget();
    // Leaves the model's lists (a target deleted from anywhere never dangles there).
    ~ArrowTarget() override;

    virtual Shape* shape() = 0;
    // Itself for a patch, else null.
    virtual GmRegion* asRegion() = 0;
    // Itself for a forced edge, else null.
    virtual ForcedEdge* asForcedEdge() = 0;
    // Whether Revert All deletes it (brushed patches).
    virtual bool removedOnRevert() const;
    virtual bool isForcedEdge() const;
    // Becomes the model's active patch or forced edge.
    virtual void activate() = 0;
    virtual void deactivate() = 0;
    // The user moved or reshaped it.
    virtual void shapeChanged() = 0;
    // "Active Patch or Forced Edge" while active, else "Patch or Forced Edge".
    virtual QColor outlineColour() const;
    virtual bool isActive() const = 0;
    // Puts its engine state in place (when a session opens, after a reshape).
    virtual void submitToEngine() = 0;
    // The project map, with its "type".
    virtual QVariant toVariant() const = 0;

    // Builds the target of a project map by its "type" (0 rectangle patch,
    // 1 polygon patch, 2 brushed patch, 3 forced edge); null for any other.
    // The new target is in none of the model's lists.
    static ArrowTarget* createFromVariant(const QVariant& map);
};

#endif

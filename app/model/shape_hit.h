// What a hit test of a shape found under the pointer.
#ifndef APP_MODEL_SHAPE_HIT_H
#define APP_MODEL_SHAPE_HIT_H

#include <QPointF>
#include <Qt>

class ArrowTarget;

struct ShapeHit {
    enum Kind {
        None = 0,
        Vertex = 1, // a polygon's vertex, or a rectangle's corner
        Edge = 2,
        Inside = 3,
    };
    // Rectangle corners, in the order hit tests try them.
    enum Corner { TopLeft = 0, TopRight = 1, BottomRight = 2, BottomLeft = 3 };

    int kind = None;
    // The vertex, corner or edge; 0 otherwise.
    int index = 0;
    // The point tested; moved along by whole-shape drags of a polygon.
    QPointF point;
    // Between the point and the grabbed vertex or corner (set by beginDrag).
    QPointF offset;
    // A Qt::CursorShape for the pointer over the hit; blank when nothing is hit.
    int cursor = Qt::BlankCursor;
    // The object the shape belongs to; filled by the arrow tool.
    ArrowTarget* target = nullptr;
};

#endif

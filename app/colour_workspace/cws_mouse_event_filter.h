// The bands beside the colour display where a drag takes everything from
// that edge of the display to the pointer: 20 pixels left and right of it,
// and in colour-map mode also above and below it. The filter watches the
// widgets around the display (the panel, its content, the axes, the frame):
// a left press in a band starts an edge drag, whose moves over the display
// reach the display's own move handling and whose release ends it, inside
// the display or not. Over a band the pointer is a cross.
#ifndef APP_COLOUR_WORKSPACE_CWS_MOUSE_EVENT_FILTER_H
#define APP_COLOUR_WORKSPACE_CWS_MOUSE_EVENT_FILTER_H

#include <QObject>
#include <QPointer>

class ColourDisplay;
class QMouseEvent;
class QPoint;
class QWidget;

class CWSMouseEventFilter : public QObject {
    Q_OBJECT
public:
    // The width of each band, in pixels.
    static constexpr int kBandWidth = 20;

    CWSMouseEventFilter(ColourDisplay* display, QObject* parent);

    // Switches mouse tracking on for `widget` (for the hover cursor) and
    // filters its events.
    void watch(QWidget* widget);

    // The band at a global position: ColourDisplay::TopEdge, RightEdge,
    // BottomEdge or LeftEdge, or NoEdge.
    int bandAt(const QPoint& globalPosition) const;
    bool edgeDragging() const { return edgeDrag_; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateHoverCursor(QWidget* widget, const QPoint& globalPosition) const;
    // The event again at the display's position of the same point, to its
    // move or release handling.
    void forward(QMouseEvent* event, bool release);

    QPointer<ColourDisplay> display_;
    bool edgeDrag_ = false;
};

#endif

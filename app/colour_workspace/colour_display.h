// The picture in the middle of the colour workspace: the colours of the image
// (or of the active patch) as a 1-D histogram along the horizontal axis,
// columns stacked by the vertical axis and scaled by the square root of the
// counts, or as a 2-D colour map with one point per bin; over it, in the
// highlight colour, the colours the user selected.
//
// Everything is drawn into a fixed 256 x 256 picture that is scaled to the
// widget, so painting costs the same at any size. The histogram is rebuilt
// lazily, in the next paint after something asked for it (the display's or
// the histogram's rebuild needed); its bins are drawn again only after a
// rebuild or a change of mode or background, so a paint during a drag only
// draws the selection over them.
//
// Selecting: in histogram mode a drag selects a range of values along the
// horizontal axis, in colour-map mode a rectangle of bins; a plain drag
// replaces the selection, Shift adds and Alt removes. A drag may also begin in
// a band beside the display (CWSMouseEventFilter). The colour sampler picks
// single colours into the same selection (colourPicked). Whenever the shown
// selection changes it is emitted with the axes and the viewed status
// classes; the workspace hands it to the status array, whose highlight
// threads mark the matching pixels.
//
// The workspace panel writes the mode, the histogram's axes, the status masks
// and the rebuild flags directly. User-interface thread only.
#ifndef APP_COLOUR_WORKSPACE_COLOUR_DISPLAY_H
#define APP_COLOUR_WORKSPACE_COLOUR_DISPLAY_H

#include "colour_workspace/colour_histogram.h"
#include "colour_workspace/colour_selection.h"

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QList>
#include <QPoint>

#include <vector>

#include "vardek.h"

class QAction;
class QMenu;

class ColourDisplay : public QFrame {
    Q_OBJECT
public:
    enum Mode { HistogramMode = 0, ColourMapMode = 1 };
    // The band beside the display an edge gesture began in.
    enum Edge { TopEdge = 0, RightEdge = 1, BottomEdge = 2, LeftEdge = 3, NoEdge = 4 };
    // The side of the fixed picture everything is drawn into.
    static constexpr int kDeviceSize = 256;
    static constexpr int kBackgroundCount = 3;

    // Follows the "Color Workspace Highlight" preference colour.
    explicit ColourDisplay(QWidget* parent = nullptr);
    ~ColourDisplay() override;

    ColourHistogram& histogram() { return histogram_; }
    const ColourHistogram& histogram() const { return histogram_; }

    int mode() const { return mode_; }
    // Stores the mode only; the workspace clears the selection and repaints.
    void setMode(int mode) { mode_ = mode == ColourMapMode ? ColourMapMode : HistogramMode; }

    // The status classes counted by the workspace and sent with every
    // emission (unassigned 1, keep 2, delete 4, blend 8).
    VkPixelStatus highlightStatusMask() const { return highlightStatusMask_; }
    void setHighlightStatusMask(VkPixelStatus mask) { highlightStatusMask_ = mask; }
    bool rebuildNeeded() const { return rebuildNeeded_; }
    void setRebuildNeeded(bool needed) { rebuildNeeded_ = needed; }
    // The next updateHighlight emits even when nothing changed.
    void setForceEmit(bool force) { forceEmit_ = force; }

    // The background of the picture: 0 grey, 1 yellow, 2 blue.
    int background() const { return background_; }
    // Takes a background 0..2 and repaints; anything else, or the current
    // one, changes nothing.
    void setBackground(int index);
    static QColor backgroundColour(int index);
    static QString backgroundText(int index);
    // The background menu's three checkable actions, added to `menu` (which
    // owns them), the current one checked.
    QList<QAction*> addBackgroundActions(QMenu* menu) const;

    // Takes new colour bits: the histogram needs a rebuild and the selection
    // of the current mode is re-quantised to the new bins, then emitted if
    // that changed what is shown.
    void setColourBits(int colourBits);

    // Forms the shown selection and emits it unless it equals the last one
    // emitted (or force emit is set). Clears force emit.
    void updateHighlight();

    const ColourSelection& selection() const { return selection_; }
    // Whether the last emitted selection covers nothing.
    bool selectionEmpty() const { return selectionEmpty_; }
    const std::vector<bool>& lastEmitted1D() const { return lastEmitted1D_; }
    const QImage& lastEmitted2D() const { return lastEmitted2D_; }
    Qt::KeyboardModifiers gestureModifiers() const { return gestureModifiers_; }
    bool dragging() const { return dragging_; }

    // The paint's work up to the picture: the highlight colour pushed to the
    // status array at the first call, the histogram rebuilt when asked, the
    // histogram or map drawn with the selection over it. Paint scales it to
    // the widget.
    const QImage& renderPicture();

    // An 8-bit axis value at a widget position: x from the left edge (0) to
    // the right (255), y from the bottom edge (0) to the top (255).
    int valueAtX(int x) const;
    int valueAtY(int y) const;

signals:
    // A left-button press in the display, before anything else happens.
    void clickInColourDisplay();
    // Histogram mode: the 256 flags over the horizontal axis's values.
    void highlightChanged(std::vector<bool> selection, Bx::colour::channel channel,
                          VkPixelStatus mask);
    // Colour-map mode: the 256 x 256 Mono map indexed by (horizontal value,
    // vertical value).
    void highlightChanged(QImage selection, Bx::colour::channel channel,
                          Bx::colour::channel channel2, VkPixelStatus mask);
    // The selection was cleared.
    void unHighlit();

public slots:
    // The sampler picked a colour: its bin is marked and committed. No
    // modifier replaces the selection, Shift alone adds, Alt alone removes,
    // any other combination replaces.
    void colourPicked(QColor colour, Qt::KeyboardModifiers modifiers);
    // Clears marks and selection of both modes and emits the empty selection.
    void unHighlight();
    void highlightColourChanged(QColor colour);
    // The statuses changed: the histogram follows unless every class is viewed.
    void statusArrayChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The edge bands' filter starts edge gestures and forwards their moves.
    friend class CWSMouseEventFilter;

    QPoint clamped(const QPoint& position) const;
    // The gesture's modifiers (Shift and Alt only); a plain gesture clears
    // the selection first.
    void beginGesture(Qt::KeyboardModifiers modifiers);
    bool removing() const { return gestureModifiers_ == Qt::AltModifier; }
    void computeMarks();
    void commitMarks();
    QColor highlightPenColour() const;
    void paintHistogram(QPainter* painter);
    void paintColourMap(QPainter* painter);
    void paintSelection(QPainter* painter);

    ColourHistogram histogram_;
    int mode_ = HistogramMode;
    bool pressedInside_ = false;
    bool dragging_ = false;
    QPoint pressPoint_;
    QPoint currentPoint_;
    int edge_ = NoEdge;
    Qt::KeyboardModifiers gestureModifiers_ = Qt::NoModifier;
    ColourSelection selection_;
    std::vector<bool> lastEmitted1D_;
    QImage lastEmitted2D_;
    VkPixelStatus highlightStatusMask_ = 15;
    bool rebuildNeeded_ = false;
    bool pushHighlightColour_ = true;
    bool selectionEmpty_ = true;
    bool forceEmit_ = false;
    int background_ = 0;
    // The bins as last drawn (histogram or map, without the selection), and
    // what they were drawn for: a paint during a drag only adds the selection.
    QImage binsPicture_;
    int drawnMode_ = -1;
    int drawnBackground_ = -1;
    std::uint64_t drawnGeneration_ = 0;
    QImage picture_;
    QImage overlay_;
};

#endif

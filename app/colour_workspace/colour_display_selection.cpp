// The colour display's selection: gestures in the display (and, through
// CWSMouseEventFilter, from the bands beside it), colour picks, clearing,
// re-quantising and the emissions to the status array.
//
// A gesture recomputes its marks from scratch at every step from the press
// point and the current point; what is shown and emitted is the committed
// selection combined with those marks; the release commits them.
#include "colour_workspace/colour_display.h"

#include <QGuiApplication>
#include <QMouseEvent>

#include <algorithm>

// Divided, not multiplied by a reciprocal: x (1 / w) falls just short of 1 at
// the right edge of one width in nine (98 pixels, 103, ...), and value 255,
// white on a lightness axis, could not be reached at 8 colour bits.
int ColourDisplay::valueAtX(int x) const {
    if (width() <= 0) return 0;
    return int(double(x) * 255.0 / double(width()));
}

int ColourDisplay::valueAtY(int y) const {
    if (height() <= 0) return 0;
    return int(double(height() - y) * 255.0 / double(height()));
}

QPoint ColourDisplay::clamped(const QPoint& position) const {
    return QPoint(std::clamp(position.x(), 0, width()), std::clamp(position.y(), 0, height()));
}

void ColourDisplay::beginGesture(Qt::KeyboardModifiers modifiers) {
    gestureModifiers_ = modifiers & (Qt::ShiftModifier | Qt::AltModifier);
    if (gestureModifiers_ == Qt::NoModifier) unHighlight();
}

void ColourDisplay::computeMarks() {
    selection_.clearMarks();
    const int shift = histogram_.shift();
    // A range of two values widened to whole bins.
    const auto range = [shift](int a, int b) {
        return BinRange{binRange(std::min(a, b), shift).low, binRange(std::max(a, b), shift).high};
    };
    const BinRange xRange = range(valueAtX(pressPoint_.x()), valueAtX(currentPoint_.x()));
    if (mode_ == HistogramMode) {
        selection_.markValues(xRange.low, xRange.high);
        return;
    }
    const BinRange yRange = range(valueAtY(pressPoint_.y()), valueAtY(currentPoint_.y()));
    if (pressedInside_ || edge_ == NoEdge) {
        selection_.markPairs(xRange, yRange);
        return;
    }
    // From the band's edge of the map to the pointer, across the whole other axis.
    const BinRange all{0, 255};
    const BinRange x = binRange(valueAtX(currentPoint_.x()), shift);
    const BinRange y = binRange(valueAtY(currentPoint_.y()), shift);
    switch (edge_) {
    case TopEdge:
        selection_.markPairs(all, BinRange{y.low, 255});
        break;
    case RightEdge:
        selection_.markPairs(BinRange{x.low, 255}, all);
        break;
    case BottomEdge:
        selection_.markPairs(all, BinRange{0, y.high});
        break;
    default: // LeftEdge
        selection_.markPairs(BinRange{0, x.high}, all);
        break;
    }
}

void ColourDisplay::commitMarks() {
    if (mode_ == HistogramMode)
        selection_.commit1D(removing());
    else
        selection_.commit2D(removing());
}

void ColourDisplay::updateHighlight() {
    if (mode_ == HistogramMode) {
        std::vector<bool> shown = selection_.shown1D(removing());
        if (forceEmit_ || shown != lastEmitted1D_) {
            selectionEmpty_ = coversNothing(shown);
            lastEmitted1D_ = shown;
            forceEmit_ = false;
            emit highlightChanged(std::move(shown), histogram_.horizontalAxis(),
                                  highlightStatusMask_);
        }
    } else {
        QImage shown = selection_.shown2D(removing());
        if (forceEmit_ || shown != lastEmitted2D_) {
            selectionEmpty_ = coversNothing(shown);
            lastEmitted2D_ = shown;
            forceEmit_ = false;
            emit highlightChanged(shown, histogram_.horizontalAxis(), histogram_.verticalAxis(),
                                  highlightStatusMask_);
        }
    }
    forceEmit_ = false;
}

void ColourDisplay::unHighlight() {
    selection_.clear();
    update();
    emit unHighlit();
    forceEmit_ = true;
    updateHighlight();
}

void ColourDisplay::setColourBits(int colourBits) {
    histogram_.setColourBits(colourBits);
    if (mode_ == HistogramMode)
        selection_.requantise1D(histogram_.shift());
    else
        selection_.requantise2D(histogram_.shift());
    updateHighlight();
    rebuildNeeded_ = true;
    update();
}

void ColourDisplay::colourPicked(QColor colour, Qt::KeyboardModifiers modifiers) {
    gestureModifiers_ = modifiers;
    if (modifiers != Qt::ShiftModifier && modifiers != Qt::AltModifier) unHighlight();
    const int shift = histogram_.shift();
    const BinRange x = binRange(channelValue(colour, histogram_.horizontalAxis()), shift);
    selection_.clearMarks();
    if (mode_ == HistogramMode)
        selection_.markValues(x.low, x.high);
    else
        selection_.markPairs(x, binRange(channelValue(colour, histogram_.verticalAxis()), shift));
    updateHighlight();
    update();
    commitMarks();
}

void ColourDisplay::mousePressEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    emit clickInColourDisplay();
    beginGesture(event->modifiers());
    pressedInside_ = true;
    pressPoint_ = currentPoint_ = clamped(event->pos());
    computeMarks();
    update();
    updateHighlight();
    dragging_ = true;
}

void ColourDisplay::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    // A move with the button held that no press began (the application saw
    // no button go down) starts the gesture where it is.
    if (!dragging_ && QGuiApplication::mouseButtons() == Qt::NoButton) mousePressEvent(event);
    const QPoint position = clamped(event->pos());
    // The release of a gesture begun here has ended it.
    if (pressedInside_ && !dragging_) return;
    if (!pressedInside_ && !dragging_) {
        // The first move of a drag begun in a band beside the display: the
        // gesture starts on that edge.
        beginGesture(event->modifiers());
        pressPoint_ = position;
        switch (edge_) {
        case TopEdge:
            pressPoint_.setY(0);
            break;
        case RightEdge:
            pressPoint_.setX(width());
            break;
        case BottomEdge:
            pressPoint_.setY(height());
            break;
        case LeftEdge:
            pressPoint_.setX(0);
            break;
        default:
            break;
        }
        dragging_ = true;
    }
    currentPoint_ = position;
    computeMarks();
    update();
    updateHighlight();
}

void ColourDisplay::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_) return;
    currentPoint_ = clamped(event->pos());
    update();
    dragging_ = false;
    commitMarks();
}

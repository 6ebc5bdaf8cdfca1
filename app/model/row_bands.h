// Pixels that changed, gathered row by row into a few rectangles to repaint.
// One rectangle around them all repaints far too much when they lie along a
// curve (the edge of a moving brush, a circle's ring), and one rectangle per
// row makes many small repaints. Consecutive rows join one band while the
// band stays within twice the area of their own spans.
#ifndef APP_MODEL_ROW_BANDS_H
#define APP_MODEL_ROW_BANDS_H

#include <QRect>
#include <QVector>

class RowBands {
public:
    // Pixels `left` to `right` (inclusive) of row `y` changed; rows come from
    // top to bottom, each at most once.
    void addRow(int y, int left, int right);
    // The bands so far, from top to bottom.
    QVector<QRect> bands() const;
    bool isEmpty() const { return done_.isEmpty() && band_.isEmpty(); }

private:
    QVector<QRect> done_;
    QRect band_;
    qint64 spanArea_ = 0; // the pixels of the band's own spans
};

#endif

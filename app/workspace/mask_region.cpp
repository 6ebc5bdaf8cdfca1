#include "workspace/mask_region.h"

#include <QImage>
#include <QVector>

namespace {

struct Run {
    int left;
    int right; // exclusive
    bool operator==(const Run& other) const { return left == other.left && right == other.right; }
};

// The runs of non-zero bytes of one row.
void runsOf(const uchar* line, int width, QVector<Run>* runs) {
    runs->clear();
    int x = 0;
    while (x < width) {
        while (x < width && !line[x])
            ++x;
        if (x == width) break;
        const int left = x;
        while (x < width && line[x])
            ++x;
        runs->append({left, x});
    }
}

} // namespace

QRegion maskRegion(const QImage& mask, int factor) {
    if (mask.isNull() || mask.depth() != 8 || factor < 1) return QRegion();
    const QPoint offset = mask.offset() * factor;
    // Bands of rectangles in the order QRegion keeps them: top to bottom,
    // left to right within a band, all of a band one height, none touching.
    QVector<QRect> rects;
    QVector<Run> above, row;
    int bandStart = 0;
    for (int y = 0; y < mask.height(); ++y) {
        runsOf(mask.constScanLine(y), mask.width(), &row);
        if (!row.isEmpty() && row == above) {
            for (int i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(rects[i].bottom() + factor);
        } else {
            bandStart = rects.size();
            for (const Run& run : row)
                rects.append(QRect(offset.x() + run.left * factor, offset.y() + y * factor,
                                   (run.right - run.left) * factor, factor));
        }
        above.swap(row);
    }
    QRegion region;
    if (!rects.isEmpty()) region.setRects(rects.constData(), rects.size());
    return region;
}

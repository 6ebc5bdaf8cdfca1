#include "model/row_bands.h"

void RowBands::addRow(int y, int left, int right) {
    if (right < left) return;
    const QRect row(left, y, right - left + 1, 1);
    if (!band_.isEmpty() && y == band_.bottom() + 1) {
        const QRect joined = band_ | row;
        const qint64 spans = spanArea_ + row.width();
        if (qint64(joined.width()) * joined.height() <= 2 * spans) {
            band_ = joined;
            spanArea_ = spans;
            return;
        }
    }
    if (!band_.isEmpty()) done_ << band_;
    band_ = row;
    spanArea_ = row.width();
}

QVector<QRect> RowBands::bands() const {
    QVector<QRect> all = done_;
    if (!band_.isEmpty()) all << band_;
    return all;
}

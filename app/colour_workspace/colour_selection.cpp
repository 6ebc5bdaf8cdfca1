#include "colour_workspace/colour_selection.h"

#include <algorithm>

namespace {

constexpr int kValues = 256;

// Format_Mono keeps the leftmost pixel in the most significant bit.
inline uchar bitOf(int x) {
    return uchar(0x80 >> (x & 7));
}

} // namespace

QImage emptyPairMap() {
    QImage map(kValues, kValues, QImage::Format_Mono);
    // Index 0 is Qt::color0 (white), index 1 Qt::color1 (black), as in a bitmap.
    map.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    map.fill(0);
    return map;
}

bool coversNothing(const std::vector<bool>& values) {
    return std::find(values.begin(), values.end(), true) == values.end();
}

bool coversNothing(const QImage& pairs) {
    for (int y = 0; y < pairs.height(); ++y) {
        const uchar* line = pairs.constScanLine(y);
        for (int i = 0; i < kValues / 8; ++i)
            if (line[i]) return false;
    }
    return true;
}

bool coversPair(const QImage& pairs, int x, int y) {
    return (pairs.constScanLine(y)[x >> 3] & bitOf(x)) != 0;
}

ColourSelection::ColourSelection()
    : marks1D_(kValues, false), selection1D_(kValues, false), marks2D_(emptyPairMap()),
      selection2D_(emptyPairMap()) {}

void ColourSelection::clearMarks() {
    std::fill(marks1D_.begin(), marks1D_.end(), false);
    marks2D_.fill(0);
}

void ColourSelection::clear() {
    clearMarks();
    std::fill(selection1D_.begin(), selection1D_.end(), false);
    selection2D_.fill(0);
}

void ColourSelection::markValues(int low, int high) {
    low = std::max(low, 0);
    high = std::min(high, kValues - 1);
    for (int v = low; v <= high; ++v)
        marks1D_[std::size_t(v)] = true;
}

void ColourSelection::markPairs(BinRange x, BinRange y) {
    const int left = std::max(x.low, 0), right = std::min(x.high, kValues - 1);
    const int bottom = std::max(y.low, 0), top = std::min(y.high, kValues - 1);
    for (int row = bottom; row <= top; ++row) {
        uchar* line = marks2D_.scanLine(row);
        for (int column = left; column <= right; ++column)
            line[column >> 3] |= bitOf(column);
    }
}

std::vector<bool> ColourSelection::shown1D(bool removing) const {
    std::vector<bool> shown(kValues);
    for (std::size_t v = 0; v < shown.size(); ++v)
        shown[v] = removing ? selection1D_[v] && !marks1D_[v] : selection1D_[v] || marks1D_[v];
    return shown;
}

QImage ColourSelection::shown2D(bool removing) const {
    QImage shown = selection2D_.copy();
    for (int y = 0; y < kValues; ++y) {
        uchar* line = shown.scanLine(y);
        const uchar* marks = marks2D_.constScanLine(y);
        for (int i = 0; i < kValues / 8; ++i)
            line[i] = removing ? uchar(line[i] & ~marks[i]) : uchar(line[i] | marks[i]);
    }
    return shown;
}

void ColourSelection::commit1D(bool removing) {
    selection1D_ = shown1D(removing);
    clearMarks();
}

void ColourSelection::commit2D(bool removing) {
    selection2D_ = shown2D(removing);
    clearMarks();
}

void ColourSelection::requantise1D(int shift) {
    for (int v = 0; v < kValues; ++v)
        selection1D_[std::size_t(v)] = selection1D_[std::size_t(binRange(v, shift).low)];
}

void ColourSelection::requantise2D(int shift) {
    const int n = binsPerAxis(shift);
    QImage scaled = selection2D_.scaled(n, n, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                        .scaled(kValues, kValues, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    setSelection2D(scaled);
}

void ColourSelection::setSelection2D(const QImage& selection) {
    // Kept in the one layout every comparison and emission relies on.
    QImage map = emptyPairMap();
    for (int y = 0; y < std::min(kValues, selection.height()); ++y)
        for (int x = 0; x < std::min(kValues, selection.width()); ++x)
            if (selection.pixelIndex(x, y) != 0) map.scanLine(y)[x >> 3] |= bitOf(x);
    selection2D_ = map;
}

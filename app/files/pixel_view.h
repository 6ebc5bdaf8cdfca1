// A view of four-channel pixels that someone else owns: blue, green, red and
// alpha, at 8 bits (one byte each) or 16 bits (one machine-order word each).
// The view never frees what it points at.
#ifndef APP_FILES_PIXEL_VIEW_H
#define APP_FILES_PIXEL_VIEW_H

#include <QtGlobal>

template <typename Sample> struct PixelView {
    static constexpr int pixelBytes = 4 * static_cast<int>(sizeof(Sample));

    int width = 0;
    int height = 0;
    Sample* pixels = nullptr;
    // Bytes from the start of one row to the next; an empty view carries the pixel size.
    int rowBytes = pixelBytes;

    bool isEmpty() const { return !pixels || width <= 0 || height <= 0; }
    Sample* row(int y) const {
        return reinterpret_cast<Sample*>(reinterpret_cast<uchar*>(pixels) +
                                         static_cast<qptrdiff>(y) * rowBytes);
    }
    // The samples of one row: width x 4.
    int rowSamples() const { return 4 * width; }
};

using PixelView8 = PixelView<uchar>;
using PixelView16 = PixelView<quint16>;

#endif

// Four-channel pixels an image owns, rows packed (row bytes = width x pixel
// size), in pixel memory (files/pixel_memory.h). Allocation failure throws
// std::bad_alloc, which the loaders pass on as "out of memory"; the samples
// are left uninitialised for the reader that fills them.
#ifndef APP_FILES_PIXEL_STORE_H
#define APP_FILES_PIXEL_STORE_H

#include "files/pixel_memory.h"
#include "files/pixel_view.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <new>

template <typename Sample> class PixelStore {
public:
    // Replaces the pixels by width x height uninitialised ones.
    void allocate(int width, int height) {
        clear();
        if (width <= 0 || height <= 0) return;
        const std::size_t rowBytes = std::size_t(width) * PixelView<Sample>::pixelBytes;
        if (rowBytes > std::size_t(std::numeric_limits<int>::max()) ||
            std::size_t(height) > std::numeric_limits<std::size_t>::max() / rowBytes)
            throw std::bad_alloc();
        const std::size_t bytes = rowBytes * std::size_t(height);
        samples_ = Samples(static_cast<Sample*>(allocatePixelMemory(bytes)), Release{bytes});
        width_ = width;
        height_ = height;
    }
    void clear() {
        samples_.reset();
        width_ = height_ = 0;
    }

    bool isEmpty() const { return !samples_; }
    int width() const { return width_; }
    int height() const { return height_; }
    Sample* data() const { return samples_.get(); }
    std::size_t sampleCount() const { return std::size_t(width_) * 4 * std::size_t(height_); }

    PixelView<Sample> view() const {
        if (!samples_) return PixelView<Sample>();
        return PixelView<Sample>{width_, height_, samples_.get(),
                                 width_ * PixelView<Sample>::pixelBytes};
    }

private:
    struct Release {
        std::size_t bytes = 0;
        void operator()(Sample* samples) const { freePixelMemory(samples, bytes); }
    };
    using Samples = std::unique_ptr<Sample, Release>;

    Samples samples_;
    int width_ = 0;
    int height_ = 0;
};

using PixelStore8 = PixelStore<uchar>;
using PixelStore16 = PixelStore<quint16>;

#endif

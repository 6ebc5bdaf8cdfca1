// Small texture images and a recording progress interface for the
// segmentation stage tests.
#ifndef TESTS_ENGINE_CLASSIFICATION_STAGE_FIXTURES_H
#define TESTS_ENGINE_CLASSIFICATION_STAGE_FIXTURES_H

#include "classification/analysis_images.h"
#include "classification/segmentation_stages.h"
#include "core/arrays.h"
#include "core/progress.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace stage_fixtures {

using classification::TextureImage;
using classification::TexturePixel;

// rows x columns from (0, 0); every channel of pixel (r, c) is value(r, c, channel).
inline TextureImage texture(int rows, int columns,
                            const std::function<int(int r, int c, int channel)>& value) {
    TextureImage t =
        classification::arrayOver<TexturePixel>(classification::Box(0, 0, rows - 1, columns - 1));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            for (int k = 0; k < 6; ++k)
                t(r, c)[k] = static_cast<unsigned char>(value(r, c, k));
    return t;
}

// The same value in all six channels.
inline TextureImage grey(int rows, int columns, const std::function<int(int r, int c)>& value) {
    return texture(rows, columns, [&](int r, int c, int) { return value(r, c); });
}

// Deterministic noise in [0, 255].
inline int noise(int r, int c, int k) {
    uint32_t h = static_cast<uint32_t>(r) * 73856093u ^ static_cast<uint32_t>(c) * 19349663u ^
                 static_cast<uint32_t>(k) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<int>(h & 0xff);
}

// A photograph-like texture: smooth shading, a few flat shapes, a little noise.
inline TextureImage photoLike(int rows, int columns) {
    return texture(rows, columns, [](int r, int c, int k) {
        int v = (r * (k + 1) + c * (6 - k)) / 4 % 160 + 40;
        if ((r - 50) * (r - 50) + (c - 60) * (c - 60) < 900) v = 220 - 10 * k;
        if (r > 120 && c > 30 && c < 90) v = 15 + 5 * k;
        return std::min(255, v + noise(r, c, k) % 7);
    });
}

// The segmentation state a classification keeps, owned.
struct StageData {
    classification::StageParams stageParams = classification::unsetStageParams();
    classification::ChannelFlags channelEnabled{1, 1, 1, 1, 1, 1};
    classification::BlockGrid blocks;
    classification::SegmentLists segments;
    classification::EdgePlanes storage;
    classification::EdgePlanes planes;
    float planeScale = 1.0f;
    classification::ByteArray pixelScaleMap;

    classification::EdgePlaneRefs edges() { return {storage, planes, planeScale, pixelScaleMap}; }
    classification::StageState state() {
        return {stageParams, channelEnabled, blocks, segments, edges()};
    }
};

// Records every fraction and the thread that reported it; `onReport` may
// throw (a cancel, say) after the fraction is recorded.
class RecordingProgress : public orsine::utility::IiUI {
public:
    void report(float fraction, const std::string& label) override {
        int index;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            index = static_cast<int>(fractions_.size());
            fractions_.push_back(fraction);
            labels_.push_back(label);
            threads_.push_back(std::this_thread::get_id());
        }
        if (onReport) onReport(index, fraction);
    }
    std::function<void(int index, float fraction)> onReport;

    std::vector<float> fractions() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return fractions_;
    }
    std::vector<std::string> labels() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return labels_;
    }
    std::vector<std::thread::id> threads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<float> fractions_;
    std::vector<std::string> labels_;
    std::vector<std::thread::id> threads_;
};

} // namespace stage_fixtures

#endif

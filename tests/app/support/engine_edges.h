// A session record of an analysed image carrying the given object-edge
// polylines (workspace pixels, x then y), as the engine publishes them.
#ifndef TESTS_APP_SUPPORT_ENGINE_EDGES_H
#define TESTS_APP_SUPPORT_ENGINE_EDGES_H

#include <cstdint>
#include <utility>
#include <vector>

#include "vardek.h"

namespace test_support {

class EngineEdges {
public:
    explicit EngineEdges(std::vector<std::vector<float>> polylines)
        : points_(std::move(polylines)) {
        for (std::vector<float>& points : points_)
            records_.push_back(VkPolyline{points.data(), uint32_t(points.size() / 2), 0});
        session_.polylines = records_.data();
        session_.polylineCount = uint32_t(records_.size());
        session_.analysed = 1;
    }
    EngineEdges(const EngineEdges&) = delete;
    EngineEdges& operator=(const EngineEdges&) = delete;

    const VkSession* session() const { return &session_; }
    VkSession* session() { return &session_; }

private:
    std::vector<std::vector<float>> points_;
    std::vector<VkPolyline> records_;
    VkSession session_{};
};

} // namespace test_support

#endif

// The colour classifier of a classification: colour histograms of the texture
// image at seven levels of coarseness and their colour clusters. A new
// classifier has an empty input and no cluster counts; the colour-cluster stage
// of the analysis fills it.
#ifndef VARDEK_CLASSIFICATION_GLOBAL_CLASSIFICATION_H
#define VARDEK_CLASSIFICATION_GLOBAL_CLASSIFICATION_H

#include "classification/WorkerPool.h"

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

#include <array>
#include <cstdint>

namespace classification {

template <typename Sample, int Channels, typename Count> class GlobalClassification {
public:
    static constexpr int levels = 7;
    using Pixel = blitz::TinyVector<Sample, Channels>;
    using Image = blitz::Array<Pixel, 2>;

    GlobalClassification() { clusterCounts.fill(-1); }
    GlobalClassification(const GlobalClassification&) = delete;
    GlobalClassification& operator=(const GlobalClassification&) = delete;

    // Fan-out of the clustering jobs: mutex and flags.
    WorkerPool fanOut;

    Image input; // a view of the classification's texture image
    // Number of colour clusters at each level; -1 = not computed.
    std::array<Count, levels> clusterCounts;
};

} // namespace classification

#endif

// The texture image: every colour channel of the photograph replaced by two
// edge-keeping smoothings, a percentile opening (bright detail narrower than a
// disc removed) and a percentile closing (dark detail removed). The low and
// high percentiles "t%" and 1 - "t%" stand in for the minimum and maximum of
// ordinary morphology, so single outliers do not decide the result.
#ifndef VARDEK_CLASSIFICATION_TEXTURE_IMAGE_H
#define VARDEK_CLASSIFICATION_TEXTURE_IMAGE_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/colour.h"
#include "core/progress.h"
#include "core/worker_pool.h"

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

#include <cstdint>

namespace classification {

// Texture channel k is the opening and channel k + 3 the closing of source
// sample 2 - k (red, green, blue of blue-green-red-alpha pixels).

// The low and the high percentile of one window, in that order.
using PercentilePair = blitz::TinyVector<unsigned char, 2>;

// What the texture stage reads of the analysis parameters.
struct TextureParameters {
    int radius = 1;           // "#texture"; 0 copies the source channels
    int maxBits = 8;          // "#maxBits": samples are quantised to this many bits (0 to 8)
    float percentile = 0.16f; // "t%"
};

// The widest smoothing the analysis settings can ask for: ceil(W v 2^(T - 1/2))
// - 1 with the largest edge width W = 32, "#texture" value v = 8 and the
// coarse filter T = 2. The texture job takes a larger radius as this one, so a
// radius from elsewhere can neither overflow its arrays nor run without end.
constexpr int kLargestTextureRadius = 724;

// The n x n disc over [0, n - 1] on both axes: cell (i, k) is 1 exactly when
// (i - b)^2 + (k - b)^2 <= (b + 0.5)^2 with b = (n - 1) / 2.
LabelArray makeDisc(int n);

// Output x receives the interpolated p0 and p1 percentiles of the input values
// at x + d over the members d of `disc` (not reflected), for every x whose
// window lies inside the input and that the output holds. Values outside
// [lowest, highest] count as the nearer bound. Returns the computed box.
Box dualRankFilter(const ByteArray& input, blitz::Array<PercentilePair, 2> output,
                   const LabelArray& disc, float p0, float p1, ProgressRange progress, int lowest,
                   int highest);

// One channel's opening into `low` and closing into `high`. The job computes
// the rows of the source channel's box that `low` holds (`high` holds the
// same box), reading the source rows around them that the discs reach, so
// bands of rows computed separately give the whole channel's result. A
// radius beyond kLargestTextureRadius counts as that radius.
void textureJob(ByteArray low, ByteArray high, const ByteArray& source,
                const TextureParameters& parameters, ProgressRange progress);

// A texture job handed to a worker: the source's rows are cut into `bands`
// near-equal bands, and job j computes band j % bands of channel k = j / bands,
// reading source sample 2 - k and writing texture channels k and k + 3.
struct Rancour {
    TextureImage output;
    SourceImage input;
    TextureParameters parameters;
    int bands = 1;

    void operator()(int job) const;
};

// The texture image of `source`, over its box, computed on `pool` as three
// channels times a number of bands chosen from the rows and the workers.
// Raises VkExCancel or the worker failure (a VkExFailure) after every worker
// is joined when a job was cancelled or failed.
TextureImage buildTextureImage(const SourceImage& source, const TextureParameters& parameters,
                               WorkerPool& pool);

} // namespace classification

#endif

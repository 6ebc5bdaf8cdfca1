// The partition of the colour classifier: the colour cluster of every
// pixel's texture colour at one level.
#include "classification/global_classification.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace classification {

int GlobalClassification<unsigned char, 6, int>::partition(int level, LabelArray& groups,
                                                           ProgressRange& range) {
    // Only the seven levels exist.
    const int k = std::clamp(level, 0, levels - 1);
    Histogram& histogram = colourHistograms[std::size_t(k)];
    const Box box = input.size() && groups.size() ? Box::intersection(boxOf(input), boxOf(groups))
                                                  : Box::empty();
    if (box.isEmpty()) return clusterCounts[std::size_t(k)];
    const float rows = static_cast<float>(box.rows());
    const std::ptrdiff_t in = input.stride(1), out = groups.stride(1);

    // Bands of rows are labelled on the pool. The workers only read the
    // level's map; a colour it lacks is left for the calling thread, which
    // inserts it after the join.
    constexpr int bandRows = 64;
    std::vector<std::vector<Point>> missing;
    const auto labelBand = [&](int first, int last, std::vector<Point>& absent) {
        for (int r = first; r <= last; ++r) {
            const Pixel* pixel = &input(r, box.lower.column);
            int32_t* group = &groups(r, box.lower.column);
            // Neighbouring pixels often share their colour: keep its label at hand.
            ColourHashMap::Colour last{};
            int32_t lastLabel = -1;
            bool known = false;
            for (int c = box.lower.column; c <= box.upper.column; ++c, pixel += in, group += out) {
                const ColourHashMap::Colour colour = shiftColour(colourOf(*pixel), k);
                if (!known || std::memcmp(colour.data(), last.data(), colour.size()) != 0) {
                    last = colour;
                    const ColourHashMap::Index entry = histogram.find(colour);
                    known = entry != ColourHashMap::none;
                    lastLabel = known ? histogram[entry].label : -1;
                    if (!known) absent.emplace_back(r, c); // looked up again at the next pixel
                }
                *group = lastLabel;
            }
        }
    };

    // Reports come from the calling thread, at every row whose index is a
    // multiple of 1024: the rows between two such rows form one pool run.
    for (int first = box.lower.row; first <= box.upper.row;) {
        if ((first & 1023) == 0)
            range.report(static_cast<float>(first - box.lower.row) / rows,
                         histogramCheckpoint(__LINE__, "partition"));
        const int last = std::min(box.upper.row, (first | 1023));
        const int bands = (last - first) / bandRows + 1;
        const std::size_t offset = missing.size();
        missing.resize(offset + std::size_t(bands));
        fanOut.runCountdown(bands - 1, [&](int b) {
            const int top = first + b * bandRows;
            labelBand(top, std::min(last, top + bandRows - 1), missing[offset + std::size_t(b)]);
        });
        first = last + 1;
    }

    // A colour the level does not hold gets its entry, unclustered. Every
    // pixel of such a colour was left for this pass.
    for (const std::vector<Point>& absent : missing)
        for (Point p : absent)
            groups(p.row, p.column) =
                histogram.findOrInsert(shiftColour(colourOf(input(p.row, p.column)), k)).label;
    return clusterCounts[std::size_t(k)];
}

} // namespace classification

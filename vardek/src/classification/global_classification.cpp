// The partition of the colour classifier: the colour cluster of every
// pixel's texture colour at one level.
#include "classification/global_classification.h"

#include <algorithm>
#include <cstdint>
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
    // A row is taken as runs of pixels sharing their shifted colour. Each
    // run's colour is looked up once, and a whole row's lookups are made in
    // passes so that the memory of every bucket, then of every entry, is being
    // fetched before any of it is used.
    struct Run {
        uint64_t colour; // channel c in byte c
        int first;       // its first column
        ColourHashMap::Index entry;
    };
    // Every channel's byte shifted right by k bits: the word shifted, less
    // the bits that crossed from one byte into the next.
    const uint64_t channelBits = 0x010101010101ull * (0xFFu >> k);
    const auto colourOfRun = [](const Run& run) {
        ColourHashMap::Colour colour;
        std::memcpy(colour.data(), &run.colour, colour.size());
        return colour;
    };
    const auto labelBand = [&](int first, int last, std::vector<Point>& absent) {
        std::vector<Run> runs;
        for (int r = first; r <= last; ++r) {
            runs.clear();
            const Pixel* pixel = &input(r, box.lower.column);
            for (int c = box.lower.column; c <= box.upper.column; ++c, pixel += in) {
                // Read as a word and a half-word: bytes stored one by one and
                // read back as a word would stall on the store.
                uint32_t low;
                uint16_t high;
                std::memcpy(&low, pixel->data(), 4);
                std::memcpy(&high, pixel->data() + 4, 2);
                const uint64_t colour = ((uint64_t(high) << 32 | low) >> k) & channelBits;
                if (runs.empty() || colour != runs.back().colour)
                    runs.push_back({colour, c, ColourHashMap::none});
            }
            for (const Run& run : runs)
                histogram.prefetch(colourOfRun(run));
            for (Run& run : runs) {
                run.entry = histogram.find(colourOfRun(run));
                if (run.entry != ColourHashMap::none) __builtin_prefetch(&histogram[run.entry]);
            }
            int32_t* group = &groups(r, box.lower.column);
            for (std::size_t i = 0; i < runs.size(); ++i) {
                const int end = i + 1 < runs.size() ? runs[i + 1].first : box.upper.column + 1;
                const bool known = runs[i].entry != ColourHashMap::none;
                const int32_t label = known ? histogram[runs[i].entry].label : -1;
                for (int c = runs[i].first; c < end; ++c, group += out) {
                    *group = label;
                    if (!known) absent.emplace_back(r, c);
                }
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

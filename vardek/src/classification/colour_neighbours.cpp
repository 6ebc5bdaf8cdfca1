#include "classification/colour_neighbours.h"

#include <algorithm>
#include <array>

namespace classification {

namespace {

// Entries per band: enough that handing a band out costs nothing next to
// its look-ups.
constexpr ColourHashMap::Index bandEntries = 16384;

struct Band {
    std::vector<uint8_t> counts; // neighbours per entry
    std::vector<ColourHashMap::Index> at;
};

// The neighbours of entries begin .. end - 1.
void findBand(const ColourHashMap& map, ColourHashMap::Index begin, ColourHashMap::Index end,
              Band& band) {
    band.counts.resize(end - begin);
    band.at.reserve(std::size_t(end - begin) * 6);
    std::array<ColourHashMap::Colour, 12> neighbours;
    for (ColourHashMap::Index q = begin; q < end; ++q) {
        const ColourHashMap::Colour colour = map[q].colour;
        // The look-ups wait on memory: fetch every bucket before reading any.
        std::size_t n = 0;
        for (std::size_t channel = 0; channel < colour.size(); ++channel)
            for (int delta : {-1, 1}) {
                const int value = colour[channel] + delta;
                if (value < 0 || value > 255) continue;
                neighbours[n] = colour;
                neighbours[n][channel] = static_cast<uint8_t>(value);
                map.prefetch(neighbours[n++]);
            }
        uint8_t count = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const ColourHashMap::Index s = map.find(neighbours[i]);
            if (s == ColourHashMap::none) continue;
            band.at.push_back(s);
            ++count;
        }
        band.counts[q - begin] = count;
    }
}

} // namespace

ColourNeighbours colourNeighbours(const ColourHashMap& map, WorkerPool* pool) {
    const auto entries = static_cast<ColourHashMap::Index>(map.size());
    const int bands = static_cast<int>((entries + bandEntries - 1) / bandEntries);
    std::vector<Band> found(static_cast<std::size_t>(bands));
    runJobs(pool, bands, [&](int b) {
        const ColourHashMap::Index begin = ColourHashMap::Index(b) * bandEntries;
        findBand(map, begin, std::min(entries, begin + bandEntries), found[std::size_t(b)]);
    });

    // The bands joined in entry order.
    ColourNeighbours neighbours;
    neighbours.first.resize(std::size_t(entries) + 1);
    std::size_t total = 0;
    for (const Band& band : found)
        total += band.at.size();
    neighbours.at.reserve(total);
    uint32_t next = 0;
    std::size_t i = 0;
    for (Band& band : found) {
        for (uint8_t count : band.counts) {
            neighbours.first[i++] = next;
            next += count;
        }
        neighbours.at.insert(neighbours.at.end(), band.at.begin(), band.at.end());
        band = Band();
    }
    neighbours.first[i] = next;
    return neighbours;
}

} // namespace classification

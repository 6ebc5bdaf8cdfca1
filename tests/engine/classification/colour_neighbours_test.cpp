// The neighbours of a histogram's colours, found in bands on many workers.
#include "classification/colour_neighbours.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace classification;

namespace {

// The present colours one step lower, then one step higher, in each channel
// in turn, looked up one by one.
std::vector<ColourHashMap::Index> neighboursOf(const ColourHashMap& map, ColourHashMap::Index q) {
    std::vector<ColourHashMap::Index> found;
    for (std::size_t channel = 0; channel < 6; ++channel)
        for (int delta : {-1, 1}) {
            ColourHashMap::Colour colour = map[q].colour;
            const int value = colour[channel] + delta;
            if (value < 0 || value > 255) continue;
            colour[channel] = static_cast<uint8_t>(value);
            const ColourHashMap::Index s = map.find(colour);
            if (s != ColourHashMap::none) found.push_back(s);
        }
    return found;
}

TEST(ColourNeighbours, AreTheColoursOneStepAwayInTheFloodsOrderWhateverTheWorkers) {
    // Colours crowded near both ends of every channel's range, so that most
    // have several neighbours and some lie at 0 or 255; enough of them for
    // several bands.
    std::mt19937 rng(11);
    ColourHashMap map;
    for (int i = 0; i < 60000; ++i) {
        ColourHashMap::Colour c;
        for (uint8_t& k : c)
            k = static_cast<uint8_t>(rng() % 2 ? rng() % 4 : 252 + rng() % 4);
        map.findOrInsert(c).count += 1;
    }
    ASSERT_GT(map.size(), 16384u * 2);

    for (unsigned workers : {0u, 1u, 3u, 8u}) {
        WorkerPool pool(workers);
        const ColourNeighbours n = colourNeighbours(map, workers ? &pool : nullptr);
        ASSERT_TRUE(n.cover(map.size())) << workers;
        ASSERT_EQ(n.first.back(), n.at.size()) << workers;
        for (ColourHashMap::Index q = 0; q < map.size(); ++q) {
            const std::vector<ColourHashMap::Index> found(n.at.begin() + n.first[q],
                                                          n.at.begin() + n.first[q + 1]);
            ASSERT_EQ(found, neighboursOf(map, q))
                << "entry " << q << ", " << workers << " workers";
        }
    }
    EXPECT_TRUE(colourNeighbours(ColourHashMap(), nullptr).cover(0));
}

} // namespace

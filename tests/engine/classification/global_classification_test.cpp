// The colour classifier: its hash maps, the histograms at seven levels, and
// the clustering of each level.
#include "classification/global_classification.h"
#include "core/arrays.h"
#include "core/fault_injection.h"
#include "core/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace classification;

namespace {

using Classifier = GlobalClassification<unsigned char, 6, int>;
using Pixel = Classifier::Pixel;
using Colour = ColourHashMap::Colour;

Classifier::Image imageOf(const std::vector<Pixel>& pixels, int rows, int firstRow = 5) {
    const int columns = static_cast<int>(pixels.size()) / rows;
    Classifier::Image image =
        arrayOver<Pixel>(Box(firstRow, -3, firstRow + rows - 1, -3 + columns - 1));
    std::size_t i = 0;
    for (int r = image.lbound(0); r <= image.ubound(0); ++r)
        for (int c = image.lbound(1); c <= image.ubound(1); ++c)
            image(r, c) = pixels[i++];
    return image;
}

Pixel pixel(int k0, int k1 = 0, int k2 = 0, int k3 = 0, int k4 = 0, int k5 = 0) {
    return Pixel(static_cast<unsigned char>(k0), static_cast<unsigned char>(k1),
                 static_cast<unsigned char>(k2), static_cast<unsigned char>(k3),
                 static_cast<unsigned char>(k4), static_cast<unsigned char>(k5));
}

std::map<Colour, int> contents(const ColourHashMap& map) {
    std::map<Colour, int> out;
    for (const ColourHashMap::Entry& e : map.entries())
        out[e.colour] += e.count;
    return out;
}

void buildAll(Classifier& classifier) {
    ProgressRange range(nullptr);
    classifier.buildHistograms(range);
}

void cluster(Classifier& classifier, int level) {
    Classifier::Watershedder<7> job(classifier);
    job(level);
}

void clusterAll(Classifier& classifier) {
    for (int k = Classifier::levels - 1; k >= 0; --k)
        cluster(classifier, k);
}

struct Reports : orsine::utility::IiUI {
    std::vector<std::pair<float, std::string>> seen;
    void report(float fraction, const std::string& label) override {
        seen.emplace_back(fraction, label);
    }
};

TEST(ColourHashMap, BucketsFollowAllSixChannels) {
    // (((k5 << 16) ^ k4) << 4) ^ (k0 | k1 << 8 | k2 << 16 | k3 << 24)
    EXPECT_EQ(ColourHashMap::hash({1, 2, 3, 4, 5, 6}),
              ((((6u << 16) ^ 5u) << 4) ^ (1u | 2u << 8 | 3u << 16 | 4u << 24)));
    EXPECT_EQ(ColourHashMap::hash({0, 0, 0, 0, 0, 0}), 0u);

    ColourHashMap map;
    EXPECT_EQ(map.bucketCount(), 8u);
    std::mt19937 random(3);
    std::map<Colour, int> reference;
    for (int i = 0; i < 20000; ++i) {
        Colour c;
        for (uint8_t& k : c)
            k = static_cast<uint8_t>(random() % 6);
        ++map.findOrInsert(c).count;
        ++reference[c];
    }
    EXPECT_EQ(contents(map), reference);
    EXPECT_EQ(map.size(), reference.size());
    for (const auto& [colour, count] : reference) {
        const ColourHashMap::Index i = map.find(colour);
        ASSERT_NE(i, ColourHashMap::none);
        EXPECT_EQ(map[i].count, count);
        EXPECT_EQ(map[i].label, -1);
    }
    EXPECT_EQ(map.find({9, 9, 9, 9, 9, 9}), ColourHashMap::none);
    map.clear();
    EXPECT_EQ(map.size(), 0u);
    EXPECT_EQ(map.bucketCount(), 8u);
}

TEST(ColourHashMap, ColoursWhoseChannelsMoveTogetherSpreadOverTheBuckets) {
    // Texture colours: the opening and the closing of a channel are close, so
    // channels 3 to 5 repeat 0 to 2. 4096 such colours among 8192 buckets.
    std::set<uint32_t> used;
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b)
            for (int c = 0; c < 16; ++c) {
                const Colour colour{uint8_t(100 + a), uint8_t(60 + b), uint8_t(30 + c),
                                    uint8_t(100 + a), uint8_t(61 + b), uint8_t(30 + c)};
                const uint32_t bucket = ColourHashMap::bucketIndex(ColourHashMap::hash(colour), 13);
                ASSERT_LT(bucket, 8192u);
                used.insert(bucket);
            }
    EXPECT_GT(used.size(), 2500u); // a random spread uses about 3100
}

TEST(ColourClassifier, SingleColourIsOneEntryAndOneClusterAtEveryLevel) {
    Classifier classifier;
    classifier.reset(imageOf(std::vector<Pixel>(12, pixel(200, 100, 50, 25, 12, 6)), 3));
    buildAll(classifier);
    clusterAll(classifier);
    for (int k = 0; k < Classifier::levels; ++k) {
        const ColourHashMap& level = classifier.colourHistograms[std::size_t(k)];
        ASSERT_EQ(level.size(), 1u) << "level " << k;
        EXPECT_EQ(level[0].count, 12);
        EXPECT_EQ(level[0].colour, shiftColour({200, 100, 50, 25, 12, 6}, k));
        EXPECT_EQ(level[0].label, 0);
        EXPECT_EQ(classifier.clusterCounts[std::size_t(k)], 1);
    }
}

TEST(ColourClassifier, TwoColoursAreCountedAtEveryLevel) {
    // Far apart: two entries at every level, each with its own pixels.
    Classifier far;
    far.reset(imageOf({pixel(0), pixel(200, 3), pixel(200, 3), pixel(0), pixel(0), pixel(0)}, 2));
    buildAll(far);
    for (int k = 0; k < Classifier::levels; ++k) {
        const std::map<Colour, int> expected{{shiftColour({0, 0, 0, 0, 0, 0}, k), 4},
                                             {shiftColour({200, 3, 0, 0, 0, 0}, k), 2}};
        EXPECT_EQ(contents(far.colourHistograms[std::size_t(k)]), expected) << "level " << k;
    }

    // 10 and 11 are two colours at level 0 and one (5) from level 1 on.
    Classifier near;
    near.reset(imageOf({pixel(10), pixel(11)}, 1));
    buildAll(near);
    EXPECT_EQ(near.colourHistograms[0].size(), 2u);
    EXPECT_EQ(contents(near.colourHistograms[1]), (std::map<Colour, int>{{{5, 0, 0, 0, 0, 0}, 2}}));
}

TEST(ColourClassifier, EveryLevelHoldsTheShiftedColoursOfTheImage) {
    std::mt19937 random(11);
    std::vector<Pixel> pixels;
    for (int i = 0; i < 40 * 30; ++i)
        pixels.push_back(pixel(int(random() % 256), int(random() % 256), int(random() % 8),
                               int(random() % 64), 7, int(random() % 2)));
    Classifier classifier;
    classifier.reset(imageOf(pixels, 40));
    buildAll(classifier);
    for (int k = 0; k < Classifier::levels; ++k) {
        std::map<Colour, int> expected;
        for (const Pixel& p : pixels)
            ++expected[shiftColour(colourOf(p), k)];
        EXPECT_EQ(contents(classifier.colourHistograms[std::size_t(k)]), expected) << k;
    }
}

TEST(ColourClassifier, AnEmptyInputGivesSevenEmptyMaps) {
    Classifier classifier;
    classifier.reset(Classifier::Image());
    buildAll(classifier);
    clusterAll(classifier);
    for (int k = 0; k < Classifier::levels; ++k) {
        EXPECT_TRUE(classifier.colourHistograms[std::size_t(k)].empty());
        EXPECT_EQ(classifier.clusterCounts[std::size_t(k)], 0);
    }
}

TEST(ColourClassifier, NeighbourJoinsOnlyWhenNotAboveHalfTheCount) {
    struct Case {
        int second;
        int clusters;
    };
    // The first colour floods at level 100 / 2 = 50 towards its neighbour: a
    // neighbour of 40 pixels is reached first, one of 60 starts its own cluster.
    for (const Case c : {Case{40, 1}, Case{60, 2}, Case{50, 1}}) {
        std::vector<Pixel> pixels(100, pixel(10, 10));
        pixels.insert(pixels.end(), std::size_t(c.second), pixel(10, 11));
        Classifier classifier;
        classifier.reset(imageOf(pixels, 1));
        buildAll(classifier);
        cluster(classifier, 0);
        EXPECT_EQ(classifier.clusterCounts[0], c.clusters) << c.second;
        const ColourHashMap& level = classifier.colourHistograms[0];
        EXPECT_EQ(level[level.find({10, 10, 0, 0, 0, 0})].label, 0);
        EXPECT_EQ(level[level.find({10, 11, 0, 0, 0, 0})].label, c.clusters - 1);
    }
}

TEST(ColourClassifier, ClustersFollowTheValleysOfAColourLine) {
    // Counts along one channel: 100 45 20 8 3 50 20, and a lone colour of 5
    // further on. 100 reaches 45 at level 50 and flows on down to the valley;
    // 50 is above the level 22 that 45 passes on, so it starts a second
    // cluster, which takes 3 and 20 at its level 25; the lone colour is above
    // the level 4 left when it comes up, and is a third.
    const int counts[] = {100, 45, 20, 8, 3, 50, 20};
    std::vector<Pixel> pixels;
    for (int i = 0; i < 7; ++i)
        pixels.insert(pixels.end(), std::size_t(counts[i]), pixel(0, 0, 0, 100 + i));
    pixels.insert(pixels.end(), 5, pixel(0, 0, 0, 120));
    Classifier classifier;
    classifier.reset(imageOf(pixels, 1));
    buildAll(classifier);
    cluster(classifier, 0);
    const ColourHashMap& level = classifier.colourHistograms[0];
    const auto labelOf = [&](int k3) {
        return level[level.find({0, 0, 0, uint8_t(k3), 0, 0})].label;
    };
    EXPECT_EQ(classifier.clusterCounts[0], 3);
    for (int k3 : {100, 101, 102, 103})
        EXPECT_EQ(labelOf(k3), 0) << k3;
    for (int k3 : {104, 105, 106})
        EXPECT_EQ(labelOf(k3), 1) << k3;
    EXPECT_EQ(labelOf(120), 2);
}

TEST(ColourClassifier, ASecondClusteringContinuesTheNumbering) {
    const Classifier::Image image = imageOf(std::vector<Pixel>(6, pixel(1, 2, 3)), 2);
    Classifier classifier;
    classifier.reset(image);
    buildAll(classifier);
    clusterAll(classifier);
    EXPECT_EQ(classifier.clusterCounts[3], 1);

    classifier.reset(image);
    for (int count : classifier.clusterCounts)
        EXPECT_EQ(count, -1);
    buildAll(classifier);
    clusterAll(classifier);
    for (int k = 0; k < Classifier::levels; ++k) {
        EXPECT_EQ(classifier.clusterCounts[std::size_t(k)], 2);
        EXPECT_EQ(classifier.colourHistograms[std::size_t(k)][0].label, 1);
    }
}

TEST(ColourClassifier, HistogramReportsFallIntoHalvesOfTheRange) {
    Reports reports;
    ProgressRange whole(&reports);
    ProgressRange range = whole.subRange(0.2f);
    reports.seen.clear();
    Classifier classifier;
    classifier.reset(imageOf(std::vector<Pixel>(4, pixel(9)), 2, 0));
    classifier.buildHistograms(range);

    // Level 0 reports row 0 (a multiple of 2048) at the start; each coarser
    // level reports its first entry at its start ("internal") and its end.
    const std::string path = "vardek/include/classification/GlobalClassification.h: ";
    ASSERT_EQ(reports.seen.size(), 1u + 6u * 2u);
    EXPECT_FLOAT_EQ(reports.seen[0].first, 0.0f);
    EXPECT_EQ(reports.seen[0].second.rfind(path, 0), 0u);
    EXPECT_NE(reports.seen[0].second.find(":\n(before [histogram]): "), std::string::npos);
    const float ends[] = {0.1f, 0.15f, 0.175f, 0.1875f, 0.19375f, 0.196875f, 0.1984375f};
    for (int k = 1; k < 7; ++k) {
        const auto& internal = reports.seen[std::size_t(2 * k - 1)];
        const auto& done = reports.seen[std::size_t(2 * k)];
        EXPECT_FLOAT_EQ(internal.first, ends[k - 1]);
        EXPECT_NE(internal.second.find("(before [histogram subsample internal]): "),
                  std::string::npos);
        EXPECT_FLOAT_EQ(done.first, ends[k]);
        EXPECT_EQ(done.second.rfind(path, 0), 0u);
        EXPECT_NE(done.second.find("(before [histogram subsample]): "), std::string::npos);
    }

    // Rows 5 and 6 are no multiple of 2048: level 0 reports nothing.
    reports.seen.clear();
    Classifier shifted;
    shifted.reset(imageOf(std::vector<Pixel>(4, pixel(9)), 2, 5));
    ProgressRange again(&reports);
    reports.seen.clear();
    shifted.buildHistograms(again);
    EXPECT_EQ(reports.seen.size(), 6u * 2u);
}

} // namespace

namespace {

// A photograph-like texture: smooth ramps with noise in every channel.
Classifier::Image rampImage(int rows, int columns) {
    std::mt19937 random(5);
    std::vector<Pixel> pixels;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const auto noise = [&] { return int(random() % 5); };
            pixels.push_back(pixel(r + noise(), c + noise(), (r + c) / 2 + noise(), r + noise(),
                                   c + noise(), 128 + noise()));
        }
    return imageOf(pixels, rows);
}

TEST(ColourClusters, MoreWorkersThanJobsClusterEveryLevelOnce) {
    const Classifier::Image image = rampImage(60, 50);
    Classifier alone;
    alone.reset(image);
    classification::WorkerPool one(1);
    ProgressRange range(nullptr);
    alone.buildColourClusters(range, one);

    Classifier crowd;
    crowd.reset(image);
    classification::WorkerPool many(16);
    ProgressRange again(nullptr);
    crowd.buildColourClusters(again, many);

    for (int k = 0; k < Classifier::levels; ++k) {
        EXPECT_GT(crowd.clusterCounts[std::size_t(k)], 0) << k;
        EXPECT_EQ(crowd.clusterCounts[std::size_t(k)], alone.clusterCounts[std::size_t(k)]) << k;
        const auto& a = alone.colourHistograms[std::size_t(k)].entries();
        const auto& b = crowd.colourHistograms[std::size_t(k)].entries();
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            ASSERT_EQ(a[i].colour, b[i].colour);
            ASSERT_EQ(a[i].label, b[i].label);
            ASSERT_NE(a[i].label, -1);
        }
    }
    // Coarser levels merge colours, so they have fewer clusters.
    EXPECT_LE(crowd.clusterCounts[6], crowd.clusterCounts[0]);
}

TEST(ColourClusters, KnownClustersAreNotBuiltAgain) {
    Classifier classifier;
    classifier.reset(imageOf(std::vector<Pixel>(6, pixel(1)), 2));
    classification::WorkerPool pool(2);
    ProgressRange range(nullptr);
    classifier.buildColourClusters(range, pool);
    ProgressRange again(nullptr);
    classifier.buildColourClusters(again, pool);
    EXPECT_EQ(classifier.colourHistograms[0][0].count, 6); // not counted twice
    EXPECT_EQ(classifier.clusterCounts[0], 1);
}

TEST(ColourClusters, AFailedOrCancelledJobIsRaisedAfterTheJoin) {
    struct Case {
        vardek::fault::Kind kind;
        bool cancel;
    };
    for (const Case c :
         {Case{vardek::fault::Kind::Unexpected, false},
          Case{vardek::fault::Kind::OutOfMemory, false}, Case{vardek::fault::Kind::Cancel, true}}) {
        Classifier classifier;
        classifier.reset(rampImage(20, 20));
        classification::WorkerPool pool(3);
        ProgressRange range(nullptr);
        vardek::fault::arm("colour cluster job", c.kind, 2); // the third job to start
        bool cancelled = false;
        const char* failure = nullptr;
        try {
            classifier.buildColourClusters(range, pool);
        } catch (const VkExCancel&) {
            cancelled = true;
        } catch (const VkExFailure& raised) {
            failure = raised.what();
        }
        vardek::fault::disarm();
        EXPECT_EQ(cancelled, c.cancel);
        if (!c.cancel) {
            ASSERT_NE(failure, nullptr);
            EXPECT_STREQ(failure, "Unhandled exception in worker thread.");
        }
        // The job that raised left its level uncounted.
        EXPECT_TRUE(
            std::count(classifier.clusterCounts.begin(), classifier.clusterCounts.end(), -1) >= 1);
    }
}

} // namespace

namespace {

// Level 0 counted pixel by pixel, row by row; level k entry by entry from
// level k - 1: where every colour must stand.
std::array<ColourHashMap, Classifier::levels> countedOneByOne(const Classifier::Image& image) {
    std::array<ColourHashMap, Classifier::levels> levels;
    for (int r = image.lbound(0); r <= image.ubound(0); ++r)
        for (int c = image.lbound(1); c <= image.ubound(1); ++c)
            levels[0].findOrInsert(colourOf(image(r, c))).count += 1;
    for (std::size_t k = 1; k < levels.size(); ++k)
        for (const ColourHashMap::Entry& e : levels[k - 1].entries())
            levels[k].findOrInsert(shiftColour(e.colour, 1)).count += e.count;
    return levels;
}

TEST(ColourHistograms, EveryLevelHoldsItsColoursWhereCountingOneByOnePutsThem) {
    // 4300 rows make three runs of rows, the first starting off a multiple
    // of 2048; the noise gives tens of thousands of colours at level 0.
    const Classifier::Image tall = rampImage(4300, 9);
    std::mt19937 random(11);
    std::vector<Pixel> noisy;
    for (int i = 0; i < 300 * 400; ++i)
        noisy.push_back(pixel(int(random() % 256), int(random() % 64), int(random() % 8), 7,
                              int(random() % 256), int(random() % 2)));
    const Classifier::Image scattered = imageOf(noisy, 300, 2047);
    for (const Classifier::Image* image : {&tall, &scattered}) {
        const auto expected = countedOneByOne(*image);
        for (unsigned workers : {1u, 3u, 8u}) {
            SCOPED_TRACE(testing::Message() << image->extent(0) << " rows, " << workers);
            Classifier classifier;
            classifier.reset(*image);
            classification::WorkerPool pool(workers);
            ProgressRange range(nullptr);
            classifier.buildHistograms(range, pool);
            for (std::size_t k = 0; k < Classifier::levels; ++k) {
                const ColourHashMap& built = classifier.colourHistograms[k];
                const auto& want = expected[k].entries();
                ASSERT_EQ(built.size(), want.size()) << "level " << k;
                for (std::size_t i = 0; i < want.size(); ++i) {
                    ASSERT_EQ(built[ColourHashMap::Index(i)].colour, want[i].colour)
                        << k << ":" << i;
                    ASSERT_EQ(built[ColourHashMap::Index(i)].count, want[i].count) << k << ":" << i;
                    ASSERT_EQ(built[ColourHashMap::Index(i)].label, -1);
                    ASSERT_EQ(built.find(want[i].colour), ColourHashMap::Index(i)) << k << ":" << i;
                }
                EXPECT_EQ(built.bucketCount(), expected[k].bucketCount()) << "level " << k;
            }
        }
    }
}

// The colour whose bytes 0 to 3 are those of `n`.
Colour colourNumbered(uint32_t n) {
    return {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24), 0, 0};
}

TEST(ColourHashMap, AssignedEntriesAreFoundAtTheirIndex) {
    // With 70000 entries the map has 2^17 buckets, filled in eight ranges on
    // a pool. Colours piled on the last bucket of the first range and on the
    // very last bucket must go on into the next range and round to the first
    // bucket.
    const int bits = 17;
    const std::size_t lastOfFirstRange = (std::size_t(1) << bits) / 8 - 1;
    const std::size_t lastBucket = (std::size_t(1) << bits) - 1;
    std::vector<Colour> piled;
    std::set<Colour> taken;
    int onFirstRange = 0, onLast = 0;
    for (uint32_t n = 1; onFirstRange < 20 || onLast < 20; ++n) {
        const Colour c = colourNumbered(n * 2654435761u);
        const std::size_t bucket = ColourHashMap::bucketIndex(ColourHashMap::hash(c), bits);
        if (bucket == lastOfFirstRange && onFirstRange < 20) {
            ++onFirstRange;
        } else if (bucket == lastBucket && onLast < 20) {
            ++onLast;
        } else {
            continue;
        }
        piled.push_back(c);
        taken.insert(c);
    }
    std::mt19937 random(3);
    std::vector<Colour> colours = piled;
    while (colours.size() < 70000) {
        const Colour c = colourNumbered(uint32_t(random()));
        if (taken.insert(c).second) colours.push_back(c);
    }
    // The piled colours come last, once the ranges around them are full.
    std::rotate(colours.begin(), colours.begin() + std::ptrdiff_t(piled.size()), colours.end());

    classification::WorkerPool pool(8);
    for (std::size_t count : {std::size_t(0), std::size_t(5), colours.size()}) {
        for (classification::WorkerPool* on :
             {static_cast<classification::WorkerPool*>(nullptr), &pool}) {
            SCOPED_TRACE(testing::Message() << count << " entries" << (on ? ", on a pool" : ""));
            ColourHashMap oneByOne;
            ColourHashMap::Entries entries;
            for (std::size_t i = 0; i < count; ++i) {
                ColourHashMap::Entry e;
                e.colour = colours[i];
                e.count = int32_t(i) + 1;
                entries.push_back(e);
                oneByOne.findOrInsert(colours[i]).count = int32_t(i) + 1;
            }
            ColourHashMap map;
            map.findOrInsert(colourNumbered(12345)); // replaced by the assignment
            map.assign(entries, on);
            ASSERT_EQ(map.size(), count);
            EXPECT_EQ(map.bucketCount(), oneByOne.bucketCount());
            for (std::size_t i = 0; i < count; ++i) {
                ASSERT_EQ(map.find(colours[i]), ColourHashMap::Index(i)) << i;
                ASSERT_EQ(map[ColourHashMap::Index(i)].count, int32_t(i) + 1);
            }
            if (count < colours.size()) {
                EXPECT_EQ(map.find(colours[count]), ColourHashMap::none);
            }
            // The map goes on growing as before.
            map.findOrInsert(colourNumbered(7)).count = -5;
            EXPECT_EQ(map.find(colourNumbered(7)), ColourHashMap::Index(count));
        }
    }
}

TEST(ColourClusters, PendingColoursAreOrderedByFallingSeedTiesKeepingTheirOrder) {
    std::mt19937 random(8);
    struct Case {
        const char* name;
        std::function<uint32_t()> seed;
    };
    const std::vector<Case> cases{
        {"small seeds, many ties", [&] { return uint32_t(random() % 40); }},
        {"seeds past 2^16", [&] { return uint32_t(random() % 5) << (random() % 2 ? 16 : 3); }},
        {"one seed", [] { return 70000u; }},
        {"any seed", [&] { return uint32_t(random()); }},
    };
    for (const Case& c : cases) {
        for (std::size_t count : {std::size_t(0), std::size_t(1), std::size_t(3000)}) {
            std::vector<uint32_t> seeds(count * 2);
            for (uint32_t& s : seeds)
                s = c.seed();
            // Every other index, so that the order is not the indices'.
            std::vector<ColourHashMap::Index> pending;
            for (std::size_t i = 0; i < count; ++i)
                pending.push_back(ColourHashMap::Index(2 * (count - i) - 1));
            std::vector<ColourHashMap::Index> expected = pending;
            std::stable_sort(expected.begin(), expected.end(),
                             [&](ColourHashMap::Index a, ColourHashMap::Index b) {
                                 return seeds[a] > seeds[b];
                             });
            sortBySeedFalling(pending, [&](ColourHashMap::Index i) { return seeds[i]; });
            EXPECT_EQ(pending, expected) << c.name << ", " << count;
        }
    }
}

} // namespace

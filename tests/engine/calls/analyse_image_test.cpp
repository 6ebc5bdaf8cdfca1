// "Analyse Image" through the call interface: what a re-analysis redoes,
// cancel and worker failures, and the brushes on what it leaves behind.
#include "api/engine.h"
#include "api/session.h"
#include "api/vardek.h"
#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/fault_injection.h"
#include "support/photo.h"
#include "support/progress_recorder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace classification;
using Classification = Segmentation<6, 0>;

namespace {

const test_support::Photo& photo() {
    static const test_support::Photo p = test_support::readPng(CUTOUT_TEST_DATA "/chelsea.png");
    return p;
}

// A session over an image with its status image; the classification's pools
// run `workers` threads.
struct Opened {
    const test_support::Photo& image;
    VkEngine* engine = VkInit();
    VkSession* session = nullptr;
    VkImage* status = nullptr;

    explicit Opened(const test_support::Photo& p, unsigned workers = 2) : image(p) {
        session =
            VkBeginSession(engine, p.width, p.height, p.rowBytes(), VkKindRgba8, p.bgra.data());
        status =
            VkNewStatusImage(engine, p.width, p.height, p.rowBytes(), VkKindRgba8, p.bgra.data());
        if (session) c().workerCount = workers;
    }
    ~Opened() {
        vardek::fault::disarm();
        // A failed engine refuses VkFinish and keeps everything; a test that
        // made it fail releases it, the same way VkFinish would have.
        if (engine->failed) {
            EXPECT_EQ(VkFinish(engine), VkEngineFailed);
            delete engine;
            return;
        }
        if (session) VkEndSession(session);
        VkFinish(engine);
    }

    Classification& c() { return *inSession(session)->classification; }
    VkResult analyse() { return VkAnalyseImage(session, vardekProgressCallback); }
    uint8_t statusAt(int row, int column) const {
        return status->data[std::size_t(row) * status->rowBytes + column];
    }
    // Sets a variable to another normalised value than it has.
    void nudge(const char* name) {
        VkVariable v{};
        ASSERT_EQ(VkGetVariable(session, name, &v), VkOk);
        ASSERT_EQ(VkSetVariable(session, name, v.value > 0.5f ? v.value - 0.3f : v.value + 0.3f),
                  VkOk);
    }
    // A keep stroke: a disc of radius `radius` around (row, column).
    VkResult stroke(int row, int column, int radius, int32_t scope, float tolerance) {
        const int size = 2 * radius + 1;
        mask.assign(std::size_t(size) * size, 0);
        for (int r = 0; r < size; ++r)
            for (int c = 0; c < size; ++c)
                mask[std::size_t(r) * size + c] =
                    (r - radius) * (r - radius) + (c - radius) * (c - radius) <= radius * radius;
        VkMaskRect rect{column - radius, row - radius, size, size, size, VkKindStatus, mask.data()};
        if (VkResult r = VkNewUndoGroup(session)) return r;
        return VkSelect(session, status, &rect, VkStatusKeep, 15, scope, tolerance,
                        vardekProgressCallback);
    }
    std::vector<unsigned char> mask;
};

// A label no flood gives, written over a region label by the test: it is
// still there after an analysis only when the regions were not flooded again.
// (Their storage cannot tell: new labels may take the old ones' memory.)
constexpr int32_t unfloodedMark = -7007;

void markRegions(Classification& c) {
    c.regionLabels(c.regionLabels.lbound()) = unfloodedMark;
}

bool regionsMarked(const Classification& c) {
    return c.regionLabels.size() && c.regionLabels(c.regionLabels.lbound()) == unfloodedMark;
}

// What a re-analysis kept: the texture, the clusters and the region labels.
struct Caches {
    const void* texture;
    std::array<int, 7> clusters;
    const void* regions;

    explicit Caches(Classification& c)
        : texture(c.textureImage.data()), clusters(c.colourClassifier.clusterCounts),
          regions(c.regionLabelStorage.data()) {}
};

TEST(AnalyseImage, RedoesWhatTheChangedVariablesAskFor) {
    ASSERT_GT(photo().width, 0) << "tests/data/chelsea.png is missing";
    Opened o(photo());
    ASSERT_NE(o.session, nullptr);

    // First run: every stage, then the object edges.
    ASSERT_EQ(o.analyse(), VkOk);
    EXPECT_EQ(o.session->analysed, 1u);
    EXPECT_GT(o.session->polylineCount, 0u);
    ASSERT_GT(o.c().regionCount, 1);
    const Caches first(o.c());
    const TextureImage firstTexture = o.c().textureImage.copy();
    const uint32_t lines = o.session->polylineCount;

    // Unchanged: no stage runs, the object edges are traced again.
    ASSERT_EQ(o.analyse(), VkOk);
    const Caches unchanged(o.c());
    EXPECT_EQ(unchanged.texture, first.texture);
    EXPECT_EQ(unchanged.clusters, first.clusters);
    EXPECT_EQ(unchanged.regions, first.regions);
    EXPECT_EQ(o.session->polylineCount, lines);
    EXPECT_EQ(o.session->analysed, 1u);

    // Only "imageTol": the regions again, over the kept texture and clusters.
    o.nudge("imageTol");
    markRegions(o.c());
    ASSERT_EQ(o.analyse(), VkOk);
    const Caches tolerance(o.c());
    EXPECT_EQ(tolerance.texture, first.texture);
    EXPECT_EQ(tolerance.clusters, first.clusters);
    EXPECT_FALSE(regionsMarked(o.c()));

    // "#texture": everything again; the cluster numbering goes on.
    const int radius = o.c().textureRadius;
    o.nudge("#texture");
    markRegions(o.c());
    ASSERT_EQ(o.analyse(), VkOk);
    EXPECT_NE(o.c().textureRadius, radius);
    const Caches texture(o.c());
    // The new texture may take the old one's memory: its values tell.
    ASSERT_EQ(boxOf(o.c().textureImage), boxOf(firstTexture));
    EXPECT_NE(std::memcmp(o.c().textureImage.data(), firstTexture.data(),
                          sizeof(TexturePixel) * firstTexture.numElements()),
              0);
    for (std::size_t k = 0; k < 7; ++k)
        EXPECT_GT(texture.clusters[k], first.clusters[k]);
    EXPECT_FALSE(regionsMarked(o.c()));
    EXPECT_EQ(o.session->analysed, 1u);
}

TEST(AnalyseImage, ACancelDuringTheStagesGivesTwoAndTheNextAnalysisRedoesEverything) {
    Opened o(photo());
    ASSERT_EQ(o.analyse(), VkOk);
    const Caches before(o.c());
    o.nudge("imageTol");
    VkVariable tolerance{};
    ASSERT_EQ(VkGetVariable(o.session, "imageTol", &tolerance), VkOk);
    const std::string changed = tolerance.text;

    {
        // Every report reaches the progress function; cancel inside the
        // segmentation stages (22 to 64 percent of the operation).
        test_support::RacingClock clock;
        test_support::ProgressRecorder recorder;
        recorder.answer = [](int, int percent) { return percent >= 30 ? 2 : 0; };
        EXPECT_EQ(o.analyse(), VkCancelled);
    }
    EXPECT_EQ(o.session->analysed, 0u);
    EXPECT_EQ(o.session->polylineCount, 0u);
    // The texture of the first analysis is still there, and the variables are
    // back at the values of the last completed analysis, unmarked.
    EXPECT_EQ(o.c().textureState, 2);
    EXPECT_EQ(o.c().textureImage.data(), before.texture);
    ASSERT_EQ(VkGetVariable(o.session, "imageTol", &tolerance), VkOk);
    EXPECT_NE(std::string(tolerance.text), changed);
    EXPECT_EQ(std::string(tolerance.text).find('*'), std::string::npos);

    // Not analysed, so the next analysis is a full redo: the texture is
    // rebuilt (possibly in the old one's memory), which empties the colour
    // histograms, and the clusters' numbering goes on from the last ones.
    ASSERT_EQ(o.analyse(), VkOk);
    for (std::size_t k = 0; k < 7; ++k)
        EXPECT_GT(o.c().colourClassifier.clusterCounts[k], before.clusters[k]);
    EXPECT_EQ(o.session->analysed, 1u);
    EXPECT_GT(o.session->polylineCount, 0u);
}

TEST(AnalyseImage, AWorkerThatFailsFailsTheEngine) {
    // Any failure inside a worker, running out of memory included, is result 4.
    for (vardek::fault::Kind kind :
         {vardek::fault::Kind::Unexpected, vardek::fault::Kind::OutOfMemory}) {
        Opened o(photo(), 3);
        vardek::fault::arm("texture job", kind, 1);
        EXPECT_EQ(o.analyse(), VkFailed);
        EXPECT_EQ(o.session->analysed, 0u);
        EXPECT_EQ(o.analyse(), VkEngineFailed);
    }
    // So is a failing clustering job.
    Opened o(photo(), 8);
    vardek::fault::arm("colour cluster job", vardek::fault::Kind::Unexpected, 2);
    EXPECT_EQ(o.analyse(), VkFailed);
    EXPECT_EQ(o.analyse(), VkEngineFailed);
}

// Two flat halves of very different colour.
test_support::Photo twoRegions() {
    test_support::Photo p;
    p.width = 48;
    p.height = 32;
    p.bgra.resize(std::size_t(p.width) * p.height * 4);
    for (int r = 0; r < p.height; ++r)
        for (int c = 0; c < p.width; ++c) {
            uint8_t* px = &p.bgra[(std::size_t(r) * p.width + c) * 4];
            const bool left = c < 20;
            px[0] = left ? 40 : 200;
            px[1] = left ? 160 : 60;
            px[2] = left ? 90 : 30;
            px[3] = 255;
        }
    return p;
}

TEST(AnalyseImage, ALocalStrokeInOneFlatRegionSelectsThatRegionOnly) {
    const test_support::Photo p = twoRegions();
    // Tolerance 0.5 floods the fine regions, 1.0 the colour groups of level 0.
    for (float tolerance : {0.5f, 1.0f}) {
        Opened o(p);
        ASSERT_EQ(o.analyse(), VkOk);
        ASSERT_EQ(o.stroke(16, 8, 2, VkScopeLocal, tolerance), VkOk);
        for (int r = 0; r < p.height; ++r)
            for (int c = 0; c < p.width; ++c)
                ASSERT_EQ(o.statusAt(r, c), c < 20 ? VkStatusKeep : VkStatusUnassigned)
                    << tolerance << " at " << r << "," << c;
    }
}

TEST(AnalyseImage, BrushesSelectWholeRegionsAndColourGroupsOfAPhotograph) {
    const test_support::Photo& p = photo();
    Opened o(p);
    // A sub-session begun without its own analysis before the analysis.
    VkMaskRect patch{100, 50, 120, 80, 0, VkKindStatus, nullptr};
    VkSession* borrowing = VkBeginSubSession(o.session, &patch, 0);
    ASSERT_NE(borrowing, nullptr);
    ASSERT_EQ(o.analyse(), VkOk);
    Classification& c = o.c();
    // The sub-session now sees the parent's regions and groups through windows.
    Classification& sub = *inSession(borrowing)->classification;
    ASSERT_GT(sub.regionLabels.size(), 0);
    EXPECT_EQ(&sub.regionLabels(50, 100), &c.regionLabels(50, 100));
    EXPECT_EQ(&sub.groupLabels(129, 219), &c.groupLabels(129, 219));
    EXPECT_EQ(VkEndSession(borrowing), VkOk);

    const auto selected = [&] {
        std::vector<Point> keep;
        for (int r = 0; r < p.height; ++r)
            for (int col = 0; col < p.width; ++col)
                if (o.statusAt(r, col) == VkStatusKeep) keep.emplace_back(r, col);
        return keep;
    };
    const auto allUnassigned = [&] {
        for (int r = 0; r < p.height; ++r)
            for (int col = 0; col < p.width; ++col)
                if (o.statusAt(r, col) != VkStatusUnassigned) return false;
        return true;
    };
    // The labels under a stroke of radius 3 around (150, 220).
    const auto touched = [&](const LabelArray& labels) {
        std::set<int32_t> under;
        for (int r = -3; r <= 3; ++r)
            for (int col = -3; col <= 3; ++col)
                if (r * r + col * col <= 9) under.insert(labels(150 + r, 220 + col));
        return under;
    };
    ASSERT_TRUE(allUnassigned());

    // Local on the fine regions: exactly the regions under the stroke.
    ASSERT_EQ(o.stroke(150, 220, 3, VkScopeLocal, 0.5f), VkOk);
    const std::set<int32_t> regions = touched(c.regionLabels);
    int64_t expected = 0;
    for (int r = 0; r < p.height; ++r)
        for (int col = 0; col < p.width; ++col)
            if (regions.count(c.regionLabels(r, col))) {
                ++expected;
                ASSERT_EQ(o.statusAt(r, col), VkStatusKeep) << r << "," << col;
            }
    EXPECT_EQ(int64_t(selected().size()), expected);
    ASSERT_EQ(VkUndo(o.session), VkOk);
    EXPECT_TRUE(allUnassigned());

    // Global at partition level 1: every pixel whose colour group the stroke
    // touched, and groups are unions of whole regions.
    ASSERT_EQ(o.stroke(150, 220, 3, VkScopeGlobal, 2.0f), VkOk);
    EXPECT_EQ(c.partitionLevel, 1);
    const std::set<int32_t> groups = touched(c.groupLabels);
    expected = 0;
    for (int r = 0; r < p.height; ++r)
        for (int col = 0; col < p.width; ++col)
            if (groups.count(c.groupLabels(r, col))) {
                ++expected;
                ASSERT_EQ(o.statusAt(r, col), VkStatusKeep) << r << "," << col;
            }
    EXPECT_EQ(int64_t(selected().size()), expected);
    EXPECT_GT(expected, int64_t(regions.size()));
    std::vector<int32_t> groupOfRegion(std::size_t(c.regionCount), -2);
    for (int r = 0; r < p.height; ++r)
        for (int col = 0; col < p.width; ++col) {
            int32_t& g = groupOfRegion[std::size_t(c.regionLabels(r, col))];
            if (g == -2) g = c.groupLabels(r, col);
            ASSERT_EQ(c.groupLabels(r, col), g);
        }
    ASSERT_EQ(VkUndo(o.session), VkOk);
    EXPECT_TRUE(allUnassigned());
}

// The photograph mirrored into a 2 x 2 mosaic: large enough that the stages'
// bands and tiles meet inside it.
test_support::Photo mirroredMosaic(const test_support::Photo& p) {
    test_support::Photo m;
    m.width = 2 * p.width;
    m.height = 2 * p.height;
    m.bgra.resize(std::size_t(m.width) * m.height * 4);
    for (int r = 0; r < m.height; ++r)
        for (int c = 0; c < m.width; ++c) {
            const int sr = r < p.height ? r : 2 * p.height - 1 - r;
            const int sc = c < p.width ? c : 2 * p.width - 1 - c;
            std::memcpy(&m.bgra[(std::size_t(r) * m.width + c) * 4],
                        &p.bgra[(std::size_t(sr) * p.width + sc) * 4], 4);
        }
    return m;
}

// FNV-1a over what an analysis leaves behind: the texture image, the colour
// histograms with their cluster labels in entry order, the edge planes with
// their scale, and the region and group labels with their counts.
uint64_t analysisDigest(Classification& c) {
    uint64_t h = 1469598103934665603ull;
    const auto add = [&h](const void* data, std::size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < bytes; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    };
    const auto addArray = [&add](const auto& a) {
        const Box box = boxOf(a);
        add(&box, sizeof box);
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int col = box.lower.column; col <= box.upper.column; ++col)
                add(&a(r, col), sizeof a(r, col));
    };
    addArray(c.textureImage);
    for (std::size_t k = 0; k < 7; ++k) {
        add(&c.colourClassifier.clusterCounts[k], sizeof(int));
        for (const auto& e : c.colourClassifier.colourHistograms[k].entries()) {
            add(e.colour.data(), e.colour.size());
            add(&e.label, sizeof e.label);
            add(&e.count, sizeof e.count);
        }
    }
    add(&c.planeScale, sizeof c.planeScale);
    addArray(c.edgePlaneStorage);
    add(&c.regionCount, sizeof c.regionCount);
    addArray(c.regionLabels);
    add(&c.groupCount, sizeof c.groupCount);
    addArray(c.groupLabels);
    return h;
}

// Whatever the number of workers, an analysis gives the same bytes, and the
// same bytes as the engine gave before its stages were spread over workers
// (the digests were recorded then).
TEST(AnalyseImage, GivesTheSameResultsWithOneAndEightWorkers) {
    ASSERT_GT(photo().width, 0) << "tests/data/chelsea.png is missing";
    const test_support::Photo mosaic = mirroredMosaic(photo());
    struct Case {
        const test_support::Photo& image;
        uint64_t digest;
    };
    for (const Case& k :
         {Case{photo(), 0xa1e1e02268844692ull}, Case{mosaic, 0x1ca8c03fdf487684ull}}) {
        Opened one(k.image, 1), eight(k.image, 8);
        ASSERT_EQ(one.analyse(), VkOk);
        ASSERT_EQ(eight.analyse(), VkOk);
        Classification &a = one.c(), &b = eight.c();
        EXPECT_EQ(analysisDigest(a), k.digest) << std::hex << analysisDigest(a);
        EXPECT_EQ(analysisDigest(b), k.digest) << std::hex << analysisDigest(b);
        ASSERT_GT(a.regionCount, 1);
        EXPECT_EQ(a.regionCount, b.regionCount);
        EXPECT_EQ(a.groupCount, b.groupCount);
        EXPECT_TRUE(blitz::all(a.regionLabels == b.regionLabels));
        EXPECT_TRUE(blitz::all(a.groupLabels == b.groupLabels));
        for (int k3 = 0; k3 < 3; ++k3)
            EXPECT_TRUE(blitz::all(a.edgePlaneStorage[k3] == b.edgePlaneStorage[k3])) << k3;
        // The object edges follow from the labels.
        ASSERT_EQ(one.session->polylineCount, eight.session->polylineCount);
        for (uint32_t i = 0; i < one.session->polylineCount; ++i) {
            const VkPolyline &pa = one.session->polylines[i], &pb = eight.session->polylines[i];
            ASSERT_EQ(pa.pointCount, pb.pointCount) << i;
            EXPECT_EQ(std::memcmp(pa.points, pb.points, sizeof(float) * 2 * pa.pointCount), 0) << i;
        }
    }
}

// The colour histograms and clusters are built beside the segmentation
// stages; a cancel that comes while they are being built must leave nothing
// that the next analysis would add to. Only the cluster labels may differ:
// the clusters' numbering goes on from the abandoned analysis.
TEST(AnalyseImage, ACancelWhileTheColoursAreCountedLeavesTheNextAnalysisWhole) {
    Opened clean(photo(), 8);
    ASSERT_EQ(clean.analyse(), VkOk);

    // The first report after the texture (10 percent) cancels, while the
    // colours are being counted and clustered on their own thread.
    Opened o(photo(), 8);
    {
        test_support::RacingClock clock;
        test_support::ProgressRecorder recorder;
        recorder.answer = [](int, int percent) { return percent > 10 ? 2 : 0; };
        EXPECT_EQ(o.analyse(), VkCancelled);
    }
    EXPECT_EQ(o.session->analysed, 0u);
    ASSERT_EQ(o.analyse(), VkOk);

    Classification &a = o.c(), &b = clean.c();
    for (std::size_t k = 0; k < 7; ++k) {
        const auto &mine = a.colourClassifier.colourHistograms[k].entries(),
                   &theirs = b.colourClassifier.colourHistograms[k].entries();
        ASSERT_EQ(mine.size(), theirs.size()) << k;
        std::map<int32_t, int32_t> renamed;
        for (std::size_t i = 0; i < mine.size(); ++i) {
            ASSERT_EQ(mine[i].colour, theirs[i].colour) << k << ' ' << i;
            ASSERT_EQ(mine[i].count, theirs[i].count) << k << ' ' << i;
            const auto [at, added] = renamed.emplace(theirs[i].label, mine[i].label);
            ASSERT_EQ(at->second, mine[i].label) << k << ' ' << i;
        }
    }
    EXPECT_EQ(a.regionCount, b.regionCount);
    EXPECT_TRUE(blitz::all(a.regionLabels == b.regionLabels));
    EXPECT_TRUE(blitz::all(a.edgePlaneStorage[0] == b.edgePlaneStorage[0]));
    // The same groups, under other numbers.
    std::map<int32_t, int32_t> forth, back;
    const Box box = boxOf(b.groupLabels);
    ASSERT_EQ(boxOf(a.groupLabels), box);
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int col = box.lower.column; col <= box.upper.column; ++col) {
            const int32_t x = b.groupLabels(r, col), y = a.groupLabels(r, col);
            ASSERT_EQ(forth.emplace(x, y).first->second, y) << r << ' ' << col;
            ASSERT_EQ(back.emplace(y, x).first->second, x) << r << ' ' << col;
        }
}

// The points of every object edge of a session.
std::vector<std::vector<float>> objectEdges(const Opened& o) {
    std::vector<std::vector<float>> lines;
    for (uint32_t i = 0; i < o.session->polylineCount; ++i) {
        const VkPolyline& line = o.session->polylines[i];
        lines.emplace_back(line.points, line.points + 2 * line.pointCount);
    }
    return lines;
}

// The object edges are traced beside the colour groups with the parameters
// handed over before the analysis; a later change of those parameters alone
// traces them again rather than handing out the earlier ones.
TEST(AnalyseImage, ObjectEdgesFollowTheirParameters) {
    for (const char* name : {"v-mdPt", "v-smplf", "v-smth"}) {
        Opened before(photo()), after(photo());
        ASSERT_EQ(before.analyse(), VkOk);
        const auto first = objectEdges(before);
        before.nudge(name);
        ASSERT_EQ(before.analyse(), VkOk);

        after.nudge(name);
        ASSERT_EQ(after.analyse(), VkOk);
        EXPECT_NE(objectEdges(before), first) << name;
        EXPECT_EQ(objectEdges(before), objectEdges(after)) << name;
    }
}

} // namespace

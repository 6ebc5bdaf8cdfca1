// The classification object: its construction, the sharing of a parent's
// analysis, and the analysis in its six stages, each of which hands the
// classification's arrays to the algorithm of its own file.
#include "classification/segmentation.h"

#include "classification/colour_groups.h"
#include "classification/contours.h"
#include "classification/region_flood.h"
#include "classification/region_refinement.h"
#include "classification/texture_image.h"

#include "core/fault_injection.h"
#include "core/side_thread.h"

#include <atomic>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace classification {

namespace {

// The share of the colour groups' range that partitioning the pixels into
// clusters takes; the rest is grouping them by region.
constexpr float partitionShare = 0.3f;

// The colour histograms and the clustering of their levels, unless every
// level is known, then `partition`, on a thread of their own. They read only
// the texture image and write only the classifier's histograms, counts and
// level states and what `partition` writes, which the segmentation stages
// never touch. The thread reports no progress (the caller's reporter is the
// stages'); it only hears whether it is abandoned.
class ColourClustering {
public:
    using Classifier = GlobalClassification<unsigned char, 6, int>;
    using Partition = std::function<void(ProgressRange&)>;

    ColourClustering(Classifier& classifier, Partition partition)
        : classifier_(classifier), partition_(std::move(partition)) {
        work_.emplace([this] {
            ProgressRange quiet(&abandonWatch_);
            if (classifier_.needsClustering()) {
                classifier_.buildHistograms(quiet, classifier_.fanOut);
                abandonWatch_.check();
                classifier_.clusterLevels(classifier_.fanOut);
            }
            ProgressRange partitioning(&abandonWatch_);
            partition_(partitioning);
        });
    }

    // Joins the thread and raises what the clustering raised.
    void finish() {
        if (work_) work_->finish();
    }
    // Asks the work to stop at its next report or level hand-out and joins
    // it; its own outcome is dropped for the caller's.
    void abandon() {
        abandonWatch_.abandoned.store(true);
        classifier_.fanOut.raiseCancel();
        if (work_) work_->drop();
    }

private:
    // Answers every report with a cancel once the work is abandoned.
    struct AbandonWatch : orsine::utility::IiUI {
        std::atomic<bool> abandoned{false};
        void check() const {
            if (abandoned.load()) throw VkExCancel();
        }
        void report(float, const std::string&) override { check(); }
    };

    Classifier& classifier_;
    Partition partition_;
    AbandonWatch abandonWatch_;
    std::optional<SideThread> work_; // last, so that it is joined first
};

} // namespace

Segmentation<6, 0>::Segmentation(Segmentation* parentLink, bool analysesItself,
                                 const SourceImage& pixels)
    : parent(parentLink), source(pixels), ownAnalysis(analysesItself) {
    stageParams.fill(SegmentationParams::unset());
    // Bit c of 0x7f enables texture channel c: all six.
    for (std::size_t c = 0; c < channelEnabled.size(); ++c)
        channelEnabled[c] = (0x7f >> c) & 1;

    const Box box = sourceBox();
    if (!box.isEmpty()) {
        selectionStorage.reference(arrayOver<unsigned char>(box.grown(1), 1));
        selectionMap.reference(windowOf(selectionStorage, box));
        selectionMap = 0;
    }
}

void Segmentation<6, 0>::shareParentAnalysis() {
    if (!parent) return;
    const Segmentation& from = *parent;
    const Box box = sourceBox();

    textureImage.reference(windowOf(from.textureImage, box));
    domain = textureImage.size() ? boxOf(textureImage) : Box::empty();
    stageParams.fill(SegmentationParams::unset());

    // Everything of the parameter record; maxBits, percentile and textureRadius
    // belong to the texture stage, which a borrowing classification never runs.
    params = from.params;
    partitionLevel = from.partitionLevel;
    groupCount = from.groupCount;

    // The label storages stay the parent's own: only the windows are shared.
    regionLabelStorage.free();
    if (params.regionScale > 1.0f) {
        regionLabels.reference(windowOf(from.regionLabels, box));
        regionCount = from.regionCount;
    } else {
        regionLabels.free();
        regionCount = -1;
    }
    groupLabelStorage.free();
    groupLabels.reference(windowOf(from.groupLabels, box));

    edgePlaneStorage.reference(from.edgePlaneStorage);
    edgePlanes.reference(windowOf(from.edgePlanes, box));
    pixelScaleMap.reference(windowOf(from.pixelScaleMap, box));
    planeScale = from.planeScale;
}

void Segmentation<6, 0>::analyse(const ByteArray* mask, ProgressRange& range) {
    tracedEdges.reset();
    colourClassifier.fanOut.setThreads(workerCount);

    // 1. The texture image, unless it is still valid.
    ProgressRange texture = range.subRange(0.1f);
    buildTextureImage(texture);

    // 2. Colour histograms and their clusters, unless every level is known,
    //    and the colour groups' partition, on a thread of their own while
    //    the segmentation stages run: the flood of the finest colour level
    //    and the region flood, each bound to one core, overlap, and the
    //    histograms and the partition fill cores the stages leave idle.
    //    Their share of the range stays theirs, though they report nothing.
    range.subRange(0.3f);
    ColourClustering clustering(colourClassifier,
                                [this](ProgressRange& quiet) { partitionGroups(quiet); });

    // 3. The segmentation stages, ending with the region flood.
    ProgressRange segmentation = range.subRange(0.9f);
    StagesRecomputed ran;
    try {
        ran = updateStages(segmentation);
    } catch (...) {
        clustering.abandon();
        throw;
    }

    // 4. Refinement renumbers the labels in place, so it runs only on labels
    //    the flood has just made: refining refined labels would take region 0
    //    for lone pixels. It reads and writes only the region labels, so it
    //    runs while the clustering thread may still be at work; so do the
    //    clipping and the tracing of the object edges.
    //
    //    Should the refinement or the clustering fail, the stages ran but the
    //    labels are not what a completed analysis leaves: the next analysis
    //    runs the stages again, and with them the flood and the refinement.
    const auto forgetStages = [this] { stageParams.fill(SegmentationParams::unset()); };
    try {
        if (params.regionScale > 1.0f && ran.stage[regionsStage]) refineRegions();

        // 5. A sub-session analysed on its own has no regions outside its
        //    patch.
        if (mask && regionLabels.size()) clipToSelection(*mask);
    } catch (...) {
        clustering.abandon();
        forgetStages();
        throw;
    }

    // 6. The object edges are traced beside the rest: the tracer reads the
    //    region labels and sets the ring around them, which neither the
    //    partition nor the groups read. Then the colour groups, per region
    //    where regions exist, once the clustering thread has partitioned
    //    them; the groups write only the group labels. The partition's share
    //    of the range is reported whole: it ran beside the stages.
    TracedEdges traced{{}, pointVariant, simplifyTolerance, bevelRadius};
    SideThread tracing([this, &traced] { traceObjectEdges(traced.lines); });
    try {
        clustering.finish();
    } catch (...) {
        forgetStages();
        throw;
    }
    ProgressRange groups = range.subRange(1.0f);
    groups.subRange(partitionShare).report(1.0f);
    groupRegions(groups);
    tracing.finish();
    tracedEdges = std::move(traced);
}

void Segmentation<6, 0>::dropCachedAnalysis() {
    // The colour classifier's view of the texture goes too, so that the old
    // texture is not held beside the new one while that is built.
    textureImage.free();
    colourClassifier.input.free();
    textureState = 0;
}

void Segmentation<6, 0>::buildTextureImage(ProgressRange& /*range*/) {
    if (textureState == 2) return;
    if (!workingInputSet) {
        workingInput.reference(source);
        workingInputSet = true;
    }
    // The working input is released however the jobs end.
    struct Release {
        Segmentation& c;
        ~Release() {
            c.workingInput.free();
            c.workingInputSet = false;
        }
    } release{*this};

    const TextureParameters parameters{textureRadius, maxBits, percentile};
    fanOut.setThreads(workerCount);
    TextureImage output = classification::buildTextureImage(workingInput, parameters, fanOut);

    textureImage.reference(output);
    domain = textureImage.size() ? boxOf(textureImage) : Box::empty();
    stageParams.fill(SegmentationParams::unset());
    colourClassifier.reset(textureImage);
    textureState = 2;
}

StagesRecomputed Segmentation<6, 0>::updateStages(ProgressRange& range) {
    const StageInputs inputs{textureImage, domain, params};
    const StageState state{stageParams,
                           channelEnabled,
                           blocks,
                           segments,
                           {edgePlaneStorage, edgePlanes, planeScale, pixelScaleMap}};
    const RegionStage regions = [this](bool force, ProgressRange& flood) {
        return updateRegions(force, flood);
    };
    return classification::updateStages(inputs, state, range, regions, workerCount);
}

bool Segmentation<6, 0>::updateRegions(bool force, ProgressRange& range) {
    // The labels are handed over rather than shared, so that a new flood can
    // let the old ones go before it makes its own; they come back whatever
    // the flood left of them, the old ones, new ones or none.
    RegionLabels regions{regionLabelStorage, regionLabels, regionCount};
    regionLabelStorage.free();
    regionLabels.free();
    struct GiveBack {
        Segmentation& c;
        RegionLabels& regions;
        ~GiveBack() {
            c.regionLabelStorage.reference(regions.storage);
            c.regionLabels.reference(regions.labels);
            c.regionCount = regions.count;
        }
    } giveBack{*this, regions};
    return classification::updateRegions(force, stageParams[6], params, edgePlaneStorage, domain,
                                         planeScale, regions, range, workerCount);
}

void Segmentation<6, 0>::refineRegions() {
    VARDEK_FAULT_POINT("refine regions");
    if (!(params.regionScale > 1.0f)) return;
    if (regionLabels.size() == 0 || domain.isEmpty()) return;
    LabelArray& flood = regionLabelStorage;
    const Box storageBox = boxOf(flood);
    // The neighbour tests read one pixel around the domain.
    if (!storageBox.contains(domain.grown(1)))
        throw std::logic_error("refineRegions: the region labels hold no margin");

    // 0 around the domain: a lone pixel on the image's edge becomes an edge pixel.
    fillOutsideBox(flood, domain, 0);
    LabelArray kept = arrayOver<int32_t>(storageBox, 0);
    keepRepeatedLabels(domain, flood, kept, workerCount);
    absorbBoundaryPixels(kept, domain, regionCount);

    fillOutsideBox(flood, domain, -1);
    fillOutsideBox(kept, domain, -2);
    regionCount = labelComponents(windowOf(kept, domain), flood, workerCount);
}

void Segmentation<6, 0>::clipToSelection(const ByteArray& mask) {
    if (regionLabels.size() == 0) return;
    const Box box = boxOf(regionLabels);
    const Box masked = mask.size() ? Box::intersection(box, boxOf(mask)) : Box::empty();
    // A pixel the mask does not cover lies outside the patch as much as one
    // whose mask byte is 0.
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const bool rowMasked = r >= masked.lower.row && r <= masked.upper.row;
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            const bool inside = rowMasked && c >= masked.lower.column && c <= masked.upper.column &&
                                mask(r, c) != 0;
            if (!inside) regionLabels(r, c) = -1;
        }
    }
}

void Segmentation<6, 0>::buildGroups(ProgressRange& range) {
    ProgressRange partitioning = range.subRange(partitionShare);
    partitionGroups(partitioning);
    groupRegions(range);
}

void Segmentation<6, 0>::partitionGroups(ProgressRange& range) {
    const Box box = sourceBox();
    if (groupLabels.size() == 0 || boxOf(groupLabels) != box) {
        // -1 until the partition writes a group: no pixel is left undefined
        // when there is no texture to partition.
        groupLabelStorage.reference(arrayOver<int32_t>(box.grown(2), -1));
        groupLabels.reference(windowOf(groupLabelStorage, box));
    }
    groupCount =
        colourClassifier.partition(partitionLevel > 0 ? partitionLevel : 0, groupLabels, range);
}

void Segmentation<6, 0>::groupRegions(ProgressRange& range) {
    if (!(params.regionScale > 1.0f) || regionLabels.size() == 0 || regionCount <= 0) return;
    ProgressRange majorities = range.subRange(0.7f);
    std::vector<int32_t> regionGroup;
    regionMajorityGroups(regionGroup, regionCount, regionLabels, groupLabels, majorities,
                         workerCount);

    // Every pixel of a region takes the region's group; pixels outside every
    // region (label -1) keep their own.
    ProgressRange assigning = range.subRange(1.0f);
    assignRegionGroups(groupLabels, regionLabels, regionGroup, assigning, workerCount);
}

void Segmentation<6, 0>::buildObjectEdges(std::vector<FloatPolyline>& lines, ProgressRange&) {
    std::optional<TracedEdges> traced = std::exchange(tracedEdges, std::nullopt);
    // Unequal when a parameter is not a number: traced again.
    if (traced && traced->pointVariant == pointVariant &&
        traced->simplifyTolerance == simplifyTolerance && traced->bevelRadius == bevelRadius) {
        lines = std::move(traced->lines);
        return;
    }
    traceObjectEdges(lines);
}

void Segmentation<6, 0>::traceObjectEdges(std::vector<FloatPolyline>& lines) {
    lines.clear();
    if (!(params.regionScale > 1.0f) || regionLabels.size() == 0 || regionLabelStorage.size() == 0)
        return;
    // The tracer reads one pixel around the box; the storage's margin is that ring.
    const Box box = Box::intersection(boxOf(regionLabels), boxOf(regionLabelStorage).grown(-1));
    if (box.isEmpty()) return;
    fillOutsideBox(regionLabelStorage, box, -1);

    // Boundaries with the image border, or with pixels outside a sub-session's
    // patch (label -1), are not object edges.
    for (const ContourRecord& record : traceContours(regionLabelStorage, box, workerCount))
        if (record.rightLabel >= 0 && record.leftLabel >= 0)
            lines.push_back(contourToPolyline(record.points, pointVariant));
    if (simplifyTolerance != 0.0f) simplifyPolylines(lines, simplifyTolerance);
    if (bevelRadius != 0.0f) {
        bevelCorners(lines, bevelRadius);
        bevelCorners(lines, bevelRadius);
    }
}

} // namespace classification

// The classification of a session: everything the analysis computed about the
// session's image, and the working state of the status operations.
//
// A session's classification analyses its own pixels. A sub-session's either
// analyses its own rectangle (begun for analysis) or borrows its parent's
// results through shareParentAnalysis, as windows onto the parent's arrays.
// All arrays are indexed in the coordinates of the session's whole image.
#ifndef VARDEK_CLASSIFICATION_SEGMENTATION_H
#define VARDEK_CLASSIFICATION_SEGMENTATION_H

#include "classification/analysis_images.h"
#include "classification/block_grid.h"
#include "classification/global_classification.h"
#include "classification/histogram_segments.h"
#include "classification/polylines.h"
#include "classification/segmentation_params.h"
#include "classification/segmentation_stages.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/colour.h"
#include "core/undo_queue.h"
#include "core/worker_pool.h"

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class ProgressRange;

namespace classification {

enum class SelectScope : int32_t { Exact = 0, Local = 1, Global = 2, Region = 3 };

// The arguments of the current status selection.
struct SelectParams {
    uint8_t newStatus = 0;
    uint8_t writeMask = 0;
    uint8_t fromSet = 0;
    uint8_t testMask = 0;
    SelectScope scope = SelectScope::Exact;
};

template <int Channels, int Variant> class Segmentation;

template <> class Segmentation<6, 0> {
public:
    using ColourClassifier = GlobalClassification<unsigned char, 6, int>;

    // `parent`: the parent session's classification for a sub-session, else
    // null. `ownAnalysis`: whether this classification analyses its own image.
    // `source`: the session's pixels, shared, never copied.
    Segmentation(Segmentation* parent, bool ownAnalysis, const SourceImage& source);
    Segmentation(const Segmentation&) = delete;
    Segmentation& operator=(const Segmentation&) = delete;

    // Makes this classification use the parent's results over its own source
    // box: windows onto the parent's arrays, not copies.
    void shareParentAnalysis();

    // Rebuilds the colour groups at partition level max(`partitionLevel`, 0):
    // `groupLabels` and `groupCount`. Called by the analysis and by selections
    // that ask for another level.
    void buildGroups(ProgressRange& range);

    // Stage 5 of the segmentation: the region flood of the edge planes into
    // the region labels and `regionCount`, when forced or when the region
    // scale or the in-focus edge width changed since copy 6 of `stageParams`.
    // True when it replaced them.
    bool updateRegions(bool force, ProgressRange& range);

    // The analysis of the session's image, in six stages: 1. the texture
    // image, 2. the colour histograms and their clusters, 3. the segmentation
    // stages, 4. region refinement, 5. the selection clip (only with a
    // `mask`, the sub-session's patch), 6. the colour groups. Stages 1 and 2
    // are skipped while their results are valid; the segmentation stages
    // recompute only what their parameters ask for. Reports into `range`:
    // stage 1 up to 0.1, stage 2 up to 0.3, stage 3 up to 0.9, stage 6 up to
    // 1.0. Raises VkExCancel, the worker failure (a VkExFailure) or
    // std::bad_alloc; the results of completed stages then stay.
    void analyse(const ByteArray* mask, ProgressRange& range);

    // Stage 1: the texture image of the source, computed as three jobs on the
    // fan-out, unless it is valid. Rebuilding it unsets the stage copies and
    // resets the colour classifier. Reports nothing.
    void buildTextureImage(ProgressRange& range);

    // Drops the cached texture image, so that the next analysis rebuilds
    // everything (a full redo).
    void dropCachedAnalysis();

    // Stage 3: the segmentation stages over the texture image, each only when
    // its parameters or an earlier stage ask for it; the region flood is their
    // last stage.
    StagesRecomputed updateStages(ProgressRange& range);

    // Stage 4 of the analysis, when the region scale is above 1.0: pixels
    // whose flood label no 4-neighbour shares join the region most of their
    // neighbours belong to or become edge pixels, and the regions are
    // renumbered 0 to `regionCount` - 1 as 4-connected components, in the
    // row-major order of their first pixels.
    void refineRegions();

    // Stage 5 of the analysis in a sub-session analysed on its own: every
    // region label whose `mask` byte is 0 (or that the mask does not cover)
    // becomes -1.
    void clipToSelection(const ByteArray& mask);

    // Replaces `lines` with the object edges of the region labels: one polyline
    // per boundary piece between two regions, with the point variant,
    // simplification and bevelling of the object-edge parameters. Empty when
    // there are no regions. The first call after an analysis takes the edges
    // the analysis traced, when it traced them with the same parameters.
    void buildObjectEdges(std::vector<FloatPolyline>& lines, ProgressRange& range);

    // The box of the session's pixels.
    Box sourceBox() const { return boxOf(source); }

    // --- analysis parameters, copied from the variables before each analysis
    SegmentationParams params;
    int32_t maxBits = 8;
    float percentile = 0.16f;
    int32_t textureRadius = 1;

    // --- segmentation state
    // The parameters with which each stage last completed: copies 0 to 5 per
    // texture channel, copy 6 for the edge width and the regions.
    std::array<SegmentationParams, 7> stageParams;
    std::array<unsigned char, 6> channelEnabled;
    BlockGrid blocks;      // block histograms of the analysed box
    SegmentLists segments; // histogram segments per texture channel
    float planeScale = 1.0f;
    EdgePlanes edgePlaneStorage; // over `domain` grown by 2 on every side
    EdgePlanes edgePlanes;       // its view over `domain`
    ByteArray pixelScaleMap;     // channel 2 of the edge planes over `domain`

    // --- texture
    TextureImage textureImage;
    Box domain;               // the box of the texture image; empty until there is one
    SourceImage workingInput; // a view of the source while the texture stage runs
    bool workingInputSet = false;
    int32_t textureState = 0; // 0: rebuild the texture image, 2: valid

    // --- regions and colour groups
    int32_t regionCount = -1;      // -1 when there is no segmentation
    LabelArray regionLabelStorage; // over `domain` grown by 2, -1 in the margin
    LabelArray regionLabels;       // its view over `domain`
    LabelArray groupLabelStorage;  // over `domain` grown by 2
    LabelArray groupLabels;        // its view over `domain`
    int32_t partitionLevel = -1;   // level of `groupLabels`; -1 until one is chosen
    int32_t groupCount = 0;

    Segmentation* parent;
    ColourClassifier colourClassifier;
    SourceImage source;

    // --- status selection
    // One byte per pixel of the source box: the pending status of a selected
    // pixel, 0 when not selected. Its storage is one pixel larger on every side
    // and that margin holds 1, so floods never leave the image.
    ByteArray selectionStorage;
    ByteArray selectionMap;
    Box dirtyBox;          // pixels the current operation put into the map
    ChangedBox changedBox; // status changes since the session last published
    SelectParams selectParams;
    UndoQueue undoQueue{200};

    bool ownAnalysis;

    // --- fan-out of the analysis stages (texture jobs): mutex and flags
    WorkerPool fanOut;
    // The number of worker threads each pool of an analysis starts.
    unsigned workerCount = logicalProcessorCount();

    // --- object edges: "v-mdPt", "v-smplf", "v-smth"
    int32_t pointVariant = 0;
    float simplifyTolerance = 1.0f;
    float bevelRadius = 1.0f;

    // Mask generation changes an output pixel only where the source alpha is at
    // least this times the full scale.
    const float opacityThreshold = 1.0f;

    // The object edges the last analysis traced beside its colour groups,
    // with the parameters they were traced with, until buildObjectEdges
    // takes them.
    struct TracedEdges {
        std::vector<FloatPolyline> lines;
        int32_t pointVariant = 0;
        float simplifyTolerance = 0.0f;
        float bevelRadius = 0.0f;
    };
    std::optional<TracedEdges> tracedEdges;

private:
    // The object edges of the region labels with the current parameters.
    void traceObjectEdges(std::vector<FloatPolyline>& lines);

    // The two halves of buildGroups: every pixel's colour cluster at the
    // partition level, into `groupLabels` (made over the source box when it
    // is not) and `groupCount`; then, where regions exist, every region's
    // pixels given the group most of them hold.
    void partitionGroups(ProgressRange& range);
    void groupRegions(ProgressRange& range);
};

} // namespace classification

#endif

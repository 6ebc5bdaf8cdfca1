#include "api/session.h"

#include "api/engine.h"
#include "api/generate_mask_call.h"
#include "api/handle_registry.h"
#include "api/image.h"
#include "api/session_operations.h"
#include "classification/contours.h"
#include "core/fault_injection.h"
#include "matting/mask_driver.h"
#include "matting/mask_status.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <new>
#include <utility>

using classification::Box;
using classification::ByteArray;
using classification::Point;
using classification::viewOver;
using classification::windowOf;

namespace {

// The caller's four-sample pixels, rows `rowBytes` apart (in whole pixels).
classification::SourceImage pixelsOf(const void* data, int32_t width, int32_t height,
                                     int32_t rowBytes) {
    using Pixel = orsine::utility::Colour<unsigned char>;
    auto* pixels = static_cast<Pixel*>(const_cast<void*>(data));
    return viewOver(pixels, height, width, rowBytes / 4);
}

// A byte view over an image's rows, first byte at (0, 0); empty for an empty image.
ByteArray bytesOf(const VkInImage& image) {
    if (!image.data || image.width <= 0 || image.height <= 0) return ByteArray();
    return viewOver(image.data, image.height, image.width, image.rowBytes);
}

// The placed image of a status view, for set status.
VkMaskRect rectOf(const ByteArray& view) {
    if (view.size() == 0) return VkMaskRect{0, 0, 0, 0, 0, VkKindStatus, nullptr};
    return VkMaskRect{view.lbound(1),
                      view.lbound(0),
                      view.extent(1),
                      view.extent(0),
                      static_cast<int32_t>(view.stride(0)),
                      VkKindStatus,
                      const_cast<unsigned char*>(&view(view.lbound(0), view.lbound(1)))};
}

} // namespace

VkInSession::VkInSession(VkEngine& owner, int32_t w, int32_t h, int32_t rowBytes, const void* data)
    : VkSession(), engine(&owner) {
    image.reference(pixelsOf(data, w, h, rowBytes));
    progress = std::make_unique<VkInProgress>(vardekProgressCallback, "Begin Session", true);
    range = std::make_unique<ProgressRange>(progress.get());
    classification = std::make_unique<Classification>(nullptr, true, image);
    variableTable = std::make_unique<vardek::Variables>();
    analysisAllowed = true;
    startVariables(std::max(image.rows(), image.columns()));

    x = 0;
    y = 0;
    width = w;
    height = h;
    analysed = 0;
    polylines = nullptr;
    polylineCount = 0;
    publishChangedBox();
    VARDEK_FAULT_POINT("session.built");
    progress->reset();
    enter();
}

VkInSession::VkInSession(VkInSession& parentSession, const VkMaskRect& rect, bool forAnalysis)
    : VkSession(), engine(parentSession.engine), parent(&parentSession) {
    const Box box = Box::fromRect(rect.x, rect.y, rect.width, rect.height);
    image.reference(windowOf(parent->image, box));
    progress = std::make_unique<VkInProgress>(vardekProgressCallback, "Begin sub-session", true);
    range = std::make_unique<ProgressRange>(progress.get());
    classification =
        std::make_unique<Classification>(parent->classification.get(), forAnalysis, image);
    variableTable = std::make_unique<vardek::Variables>();

    // The mask is copied: the caller's bytes need not outlive this call.
    selection = std::make_unique<Selection>();
    selection->box = box;
    if (rect.data) {
        selection->mask.reference(classification::arrayOver<unsigned char>(box));
        for (int r = 0; r < box.rows(); ++r)
            std::memcpy(&selection->mask(box.lower.row + r, box.lower.column),
                        rect.data + static_cast<std::ptrdiff_t>(r) * rect.rowBytes,
                        static_cast<std::size_t>(box.columns()));
    }
    analysisAllowed = forAnalysis;
    if (forAnalysis) {
        startVariables(std::max(image.rows(), image.columns()));
    } else {
        variables = variableTable->records();
        variableCount = static_cast<uint32_t>(variableTable->size());
    }
    if (!forAnalysis && parent->analysed) classification->shareParentAnalysis();
    if (selection->mask.size() != 0)
        publishPolylines(classification::buildPatchOutline(selection->mask));
    analysed = 0;
    VARDEK_FAULT_POINT("subsession.built");
    range->report(1.0f);
    progress->reset();

    x = rect.x;
    y = rect.y;
    width = rect.width;
    height = rect.height;
    enter();
}

void VkInSession::startVariables(int size) {
    variables = variableTable->records();
    variableCount = static_cast<uint32_t>(variableTable->size());
    variableTable->applyDefaults(size);
    publishAnalysisOptions();
    variableTable->rememberAll();
    variableTable->refreshTexts();
    handVariablesToClassification();
    handObjectEdgeVariablesToClassification();
}

void VkInSession::enter() {
    if (parent) parent->subSessions.push_back(this);
    try {
        engine->sessions.insert(this);
        vardek::registerHandle(vardek::HandleKind::Session, static_cast<VkSession*>(this));
    } catch (...) {
        engine->sessions.erase(this);
        if (parent) parent->subSessions.pop_back();
        throw;
    }
}

VkInSession::~VkInSession() {
    if (parent) {
        auto& siblings = parent->subSessions;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    selection.reset();
    statusCache.clear(); // aliases leave the engine's image set, private copies are freed
    freePolylines();
    if (engine) engine->sessions.erase(this);
    // Children that outlive their parent are detached rather than left pointing
    // at freed memory; the windows they share keep the parent's arrays alive.
    for (VkInSession* child : subSessions) {
        child->parent = nullptr;
        if (child->classification) child->classification->parent = nullptr;
    }
    subSessions.clear();
    variableTable.reset();
    classification.reset();
    range.reset();
    progress.reset(); // its closing report calls the progress function at 100 percent
    image.free();
    vardek::unregisterHandle(vardek::HandleKind::Session, static_cast<VkSession*>(this));
    signature = 0;
}

ByteArray VkInSession::statusView(VkInImage& status) {
    if (!selection) return bytesOf(status);

    auto found = statusCache.find(&status);
    if (found == statusCache.end()) {
        // A status image smaller than the rectangle is seen only where they meet.
        const Box part =
            Box::intersection(selection->box, Box(0, 0, status.height - 1, status.width - 1));
        StatusPair pair;
        pair.box = part;
        pair.alias = std::make_unique<VkInImage>(status);
        if (selection->mask.size() != 0) {
            // Outside the mask the copy holds 0, which no operation changes and
            // a push never writes back.
            pair.working = std::make_unique<VkInImage>();
            if (!part.isEmpty())
                pair.working->copyRegion(status, part.lower.row, part.lower.column, part.columns(),
                                         part.rows(),
                                         &selection->mask(part.lower.row, part.lower.column),
                                         static_cast<int32_t>(selection->mask.stride(0)));
        } else {
            unsigned char* first =
                part.isEmpty() ? nullptr : status.row(part.lower.row) + part.lower.column;
            pair.working =
                std::make_unique<VkInImage>(first, part.columns(), part.rows(), status.rowBytes);
        }
        found = statusCache.emplace(&status, std::move(pair)).first;
    }

    const StatusPair& pair = found->second;
    ByteArray view = bytesOf(*pair.working);
    std::cerr << "status array's dimensions: " << classification::boxOf(view) << "\n";
    std::cerr << "Reindexing from " << Point(view.lbound(0), view.lbound(1)) << " to "
              << pair.box.lower << "\n";
    if (view.size() != 0) view.reindexSelf(pair.box.lower.index());
    return view;
}

VkResult VkInSession::pull(VkInImage& status) {
    if (!parent) return VkBadSession;
    const ByteArray from = parent->statusView(status);
    return vardek::operations::setStatus(*this, status, rectOf(from), nullptr);
}

VkResult VkInSession::push(VkInImage& status) {
    if (!parent) return VkBadSession;
    const ByteArray from = statusView(status);
    return vardek::operations::setStatus(*parent, status, rectOf(from), nullptr);
}

VkResult VkInSession::setAnalysisOptions(const VkAnalysisOptions& options) {
    vardek::Variables& v = *variableTable;
    // Every field must lie in the range of the variable it sets, or name one of
    // its meanings; otherwise the record is refused before anything changes.
    const float edge = static_cast<float>(options.edgeWidth);
    if (!(options.tolerance >= 0.0f && options.tolerance <= 1.0f) ||
        edge < vardek::Variables::kEdgeWidthMinimum ||
        edge > vardek::Variables::kEdgeWidthMaximum ||
        options.contrast >= v.edgeContrast.meaningCount() ||
        options.texture >= v.textureFilter.meaningCount())
        return VkNotSupported;
    const std::size_t imageTol = v.indexOf("imageTol");
    v.records()[imageTol].value = 1.0f - options.tolerance;
    v.imageTol.setNormalised(1.0f - options.tolerance);
    v.inFocusEdgeWidth.set(static_cast<float>(options.edgeWidth));
    v.edgeContrast.set(options.contrast);
    v.textureFilter.set(options.texture);
    tolerance = options.tolerance;
    edgeWidth = options.edgeWidth;
    contrast = options.contrast;
    texture = options.texture;
    v.refreshValues();
    v.refreshTexts();
    return VkOk;
}

void VkInSession::undo() {
    VkInProgress reporter(vardekProgressCallback, "Undo", false);
    classification->undoQueue.undo(classification->changedBox);
    classification->dirtyBox = Box::empty();
    publishChangedBox();
}

void VkInSession::redo() {
    VkInProgress reporter(vardekProgressCallback, "Redo", false);
    classification->undoQueue.redo(classification->changedBox);
    classification->dirtyBox = Box::empty();
    publishChangedBox();
}

void VkInSession::publishChangedBox() {
    std::optional<Box>& changed = classification->changedBox;
    if (changed && !changed->isEmpty()) {
        changedX = changed->lower.column;
        changedY = changed->lower.row;
        changedWidth = changed->columns();
        changedHeight = changed->rows();
    } else {
        changedX = changedY = changedWidth = changedHeight = 0;
    }
    changed.reset();
}

void VkInSession::publishAnalysisOptions() {
    vardek::Variables& v = *variableTable;
    v.refreshValues();
    v.refreshTexts();
    tolerance = 1.0f - v.record("imageTol").value;
    edgeWidth = static_cast<uint32_t>(v.inFocusEdgeWidth.value());
    contrast = static_cast<uint8_t>(v.edgeContrast.value());
    texture = static_cast<uint8_t>(v.textureFilter.value());
}

void VkInSession::handVariablesToClassification() {
    const vardek::Variables& v = *variableTable;
    Classification& c = *classification;
    c.params.colourBits = v.colourBits.value();
    c.params.inFocusEdgeWidth = v.inFocusEdgeWidth.value();
    c.maxBits = v.maxBits.value();
    c.params.interpolation = v.interpolation.value();
    c.params.resolution = vardek::detail::convert<int32_t>(v.resolution.value());
    c.params.overlap = v.overlap.value();
    c.params.fourthInteger = 4;
    c.params.featureTolerance = v.featureTol.value();
    c.params.regionScale = v.imageTol.value();
    c.params.focus = v.focus.value();
    c.percentile = v.tPercent.value();
    c.textureRadius = v.texture.value();
    c.params.blendMode = v.blendMode.value();
    c.params.fgSampling = v.fgSampling.value();
    c.params.bgSampling = v.bgSampling.value();
}

void VkInSession::handObjectEdgeVariablesToClassification() {
    const vardek::Variables& v = *variableTable;
    classification->pointVariant = v.vMdPt.value();
    classification->simplifyTolerance = v.vSmplf.value();
    classification->bevelRadius = v.vSmth.value();
}

void VkInSession::freePolylines() {
    polylineRecords_.clear();
    polylinePoints_.clear();
    polylines = nullptr;
    polylineCount = 0;
}

namespace {

template <typename P>
void publishInto(const std::vector<std::vector<P>>& lines,
                 std::vector<std::unique_ptr<float[]>>& points, std::vector<VkPolyline>& records) {
    std::vector<std::unique_ptr<float[]>> newPoints;
    std::vector<VkPolyline> newRecords;
    newPoints.reserve(lines.size());
    newRecords.reserve(lines.size());
    for (const std::vector<P>& line : lines) {
        auto xy = std::make_unique<float[]>(2 * line.size());
        for (std::size_t i = 0; i < line.size(); ++i) {
            xy[2 * i] = static_cast<float>(line[i].column);
            xy[2 * i + 1] = static_cast<float>(line[i].row);
        }
        newRecords.push_back(VkPolyline{xy.get(), static_cast<uint32_t>(line.size()), 0});
        newPoints.push_back(std::move(xy));
    }
    points = std::move(newPoints);
    records = std::move(newRecords);
}

} // namespace

void VkInSession::publishPolylines(const std::vector<classification::FloatPolyline>& lines) {
    freePolylines();
    publishInto(lines, polylinePoints_, polylineRecords_);
    polylines = polylineRecords_.empty() ? nullptr : polylineRecords_.data();
    polylineCount = static_cast<uint32_t>(polylineRecords_.size());
}

void VkInSession::publishPolylines(const std::vector<classification::IntPolyline>& lines) {
    freePolylines();
    publishInto(lines, polylinePoints_, polylineRecords_);
    polylines = polylineRecords_.empty() ? nullptr : polylineRecords_.data();
    polylineCount = static_cast<uint32_t>(polylineRecords_.size());
}

namespace {

using namespace orsine::matting;

// "Generate mask": the records converted, the driver of the sample kind run
// over the session's status view, the changed area settled on every path.
template <class Image, class Run>
VkResult runGenerateMask(VkInSession& session, Image working, const Image& source, VkInImage& image,
                         const MaskRequest& request, Run runKind) {
    if (session.analysisAllowed && !session.analysed) return VkNoSegmentation;
    VkInProgress reporter(vardekProgressCallback, "Generate mask", true);
    ProgressRange range(&reporter);

    ByteArray status = session.statusView(image);
    // Patches are clipped to the status view, so that no pass addresses a
    // status pixel outside it.
    MaskRunRequest run{
        request.statusBox,
        request.factors,
        toMaskForcedEdges(request.forcedEdges, request.forcedEdgeCount),
        request.autoBlendWidth,
        request.blendRatio,
        toMaskPatches(request.patches, request.patchCount, classification::boxOf(status))};

    int result = kPassDone;
    try {
        MaskRunSession runSession{*session.classification, session.classification->undoQueue,
                                  prepareMaskStatus};
        result =
            runKind(runSession, working, source, status, std::move(run), range.subRange(0.75f));
    } catch (...) {
        session.publishChangedBox();
        throw;
    }
    session.publishChangedBox();
    return result == kPassDone ? VkOk : VkNotSupported;
}

} // namespace

VkResult VkInSession::generateMask(Pixels8 working, const Pixels8& source, VkInImage& status,
                                   const orsine::matting::MaskRequest& request) {
    return runGenerateMask(*this, working, source, status, request,
                           orsine::matting::runMaskGeneration8);
}

VkResult VkInSession::generateMask(Pixels16 working, const Pixels16& source, bool fullScale32768,
                                   VkInImage& status, const orsine::matting::MaskRequest& request) {
    return fullScale32768 ? runGenerateMask(*this, working, source, status, request,
                                            orsine::matting::runMaskGeneration15)
                          : runGenerateMask(*this, working, source, status, request,
                                            orsine::matting::runMaskGeneration16);
}

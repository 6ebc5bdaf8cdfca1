// Auto complex: seeds from the select and the opposite marks, the inner
// watershed over the edge planes, enclosed holes and the blend band.
#include "classification/auto_complex.h"

#include "classification/apply_selection.h"
#include "classification/status_selection.h"
#include "core/progress.h"
#include "core/status_bits.h"
#include "watershed/watershed.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace classification {

namespace {

using watershed::PixelOffset;

void reportAt(orsine::utility::IiUI* progress, float fraction) {
    if (progress) progress->report(fraction, std::string());
}

// The flood values V (channel 1 of the edge planes) over `box`.
ByteArray floodValues(const EdgePlanes& planes, const Box& box) {
    ByteArray values = arrayOver<unsigned char>(box);
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            values(r, c) = planes(r, c)[1];
    return values;
}

// The work box: the select's box and its surroundings, inside the image, and
// where the edge planes give a value to every pixel and its neighbours; empty
// when there is no such pixel.
Box workBoxOf(const Segmentation<6, 0>& c, const ByteArray& status) {
    Box work = c.dirtyBox.grown(kAutoComplexMargin);
    work.intersect(boxOf(status));
    work.intersect(boxOf(c.selectionMap));
    const Box planes = boxOf(c.edgePlaneStorage);
    if (c.edgePlaneStorage.size() == 0 ||
        !work.intersect(Box(planes.lower.plusScalar(1), planes.upper.minusScalar(1))))
        return Box::empty();
    return work;
}

// The floods of one auto complex over its work box: A from the select's
// pixels, B from the opposite marks, both over the flood values of the edge
// planes; they write the select's class into the selection map.
class CompletionFloods {
public:
    CompletionFloods(Segmentation<6, 0>& c, const ByteArray& status, const Box& work)
        : c_(c), status_(status), map_(c.selectionMap), select_(c.selectParams),
          cls_(select_.newStatus), opposite_(cls_ == kKeep ? kDelete : kKeep), work_(work),
          // Labels: -1 inside the work box, 0 on the ring around it (the first
          // label of the basin table); every basin beyond A and B shares label 3.
          labels_(arrayOver<int32_t>(work.grown(1), 0)), basins_(3),
          flood_(floodValues(c.edgePlaneStorage, work.grown(1)), prepareLabels(labels_, work),
                 basins_, floodTolerance(c)),
          grid_(flood_.grid()) {
        basins_.newLabel();
    }
    CompletionFloods(const CompletionFloods&) = delete;
    CompletionFloods& operator=(const CompletionFloods&) = delete;

    // Seeds: the select's pixels (A) and the opposite marks (B) flood every
    // pixel the select could have changed; the rest stays out of the flood.
    // False when the select left no pixel of its class to flood from.
    bool seed() {
        for (int r = work_.lower.row; r <= work_.upper.row; ++r)
            for (int col = work_.lower.column; col <= work_.upper.column; ++col) {
                const uint8_t s = status_(r, col);
                const PixelOffset p = grid_.offsetOf({r, col});
                int32_t& label = flood_.label(p);
                if (s & kPinned) {
                    label = 0;
                } else if (holdsClass(map_(r, col))) {
                    if (labelA_ == watershed::unlabelled) labelA_ = basins_.newLabel();
                    label = labelA_;
                    flood_.pushPixelEdges(p, flood_.seed(p), 0, 0, edges_);
                } else if (statusCompatible(s, opposite_, select_.testMask)) {
                    if (labelB_ == watershed::unlabelled) labelB_ = basins_.newLabel();
                    label = labelB_;
                    flood_.pushPixelEdges(p, flood_.seed(p), 0, 0, edges_);
                } else if (!statusCompatible(s, select_.fromSet, select_.testMask)) {
                    label = 0;
                }
            }
        return labelA_ != watershed::unlabelled;
    }

    void run(const watershed::FloodReport& where) { flood_.run(edges_, where); }

    // Flooded pixels of A that reach, through other flooded pixels of A, a
    // pixel where A met another label are given up.
    void giveUpOpenPixels() {
        std::vector<PixelOffset> stack;
        for (const auto& [p, q] : basins_.boundary(labelA_))
            if (!given(p)) stack.push_back(p);
        const std::ptrdiff_t steps[4] = {grid_.step(-1, 0), grid_.step(1, 0), grid_.step(0, -1),
                                         grid_.step(0, 1)};
        while (!stack.empty()) {
            const PixelOffset u = stack.back();
            stack.pop_back();
            flood_.label(u) = watershed::unlabelled;
            for (std::ptrdiff_t step : steps) {
                const auto n = static_cast<PixelOffset>(static_cast<std::ptrdiff_t>(u) + step);
                if (flood_.label(n) == labelA_ && !given(n)) stack.push_back(n);
            }
        }
    }

    // The rest of A are holes the selection encloses: they join it.
    void joinEnclosedHoles() {
        for (int r = work_.lower.row; r <= work_.upper.row; ++r)
            for (int col = work_.lower.column; col <= work_.upper.column; ++col)
                if (flood_.label(grid_.offsetOf({r, col})) == labelA_) {
                    map_(r, col) = changedStatus(status_(r, col), cls_, select_.writeMask);
                    c_.dirtyBox.include({r, col});
                }
    }

    // The band: a blend disk at the lower side of every place where the floods
    // of A and B met (on both sides where they are equally low). Nothing
    // without a B or an edge width map.
    void drawBand(float bandFactor) {
        if (labelB_ == watershed::unlabelled || c_.pixelScaleMap.size() == 0) return;
        const uint8_t bandFrom = select_.fromSet | opposite_ | cls_;
        const Box scaleBox = boxOf(c_.pixelScaleMap);
        // No pixel of the work box is farther than this from a centre; the
        // limit keeps the radius an int whatever the factor.
        const float limit = float(work_.rows()) + float(work_.columns()) + 2.0f;
        ByteArray drawn = arrayOver<unsigned char>(work_, 0);
        const auto disk = [&](PixelOffset centre) {
            const Point x = grid_.pointOf(centre);
            if (drawn(x.row, x.column) || !scaleBox.contains(x)) return;
            drawn(x.row, x.column) = 1; // the same disk again would change nothing
            const float radius = bandFactor * 0.5f * c_.pixelScaleMap(x.row, x.column) + 0.49f;
            if (std::isnan(radius)) return;
            const float r = std::clamp(radius, -limit, limit);
            const int reach = static_cast<int>(r); // toward zero: a disk of radius below 1 is x
            Box box(x.minusScalar(reach), x.plusScalar(reach));
            if (!box.intersect(work_)) return;
            for (int row = box.lower.row; row <= box.upper.row; ++row)
                for (int col = box.lower.column; col <= box.upper.column; ++col) {
                    const uint8_t s = status_(row, col);
                    if (float(squaredDistance(x, {row, col})) <= r * r &&
                        statusCompatible(s, bandFrom, select_.testMask)) {
                        map_(row, col) = changedStatus(s, kBlend, select_.writeMask);
                        c_.dirtyBox.include({row, col});
                    }
                }
        };
        for (const auto& [p, q] : basins_.boundary(labelA_)) {
            if (flood_.label(q) != labelB_) continue;
            const int32_t vp = flood_.seed(p), vq = flood_.seed(q);
            if (vp <= vq) disk(p);
            if (vq <= vp) disk(q);
        }
    }

private:
    static LabelArray& prepareLabels(LabelArray& labels, const Box& work) {
        windowOf(labels, work) = watershed::unlabelled;
        return labels;
    }
    static int32_t floodTolerance(const Segmentation<6, 0>& c) {
        return watershed::floodTolerance(c.planeScale *
                                         std::log(std::max(c.params.regionScale, 2.0f)));
    }
    bool holdsClass(uint8_t byte) const { return statusCompatible(byte, cls_, select_.writeMask); }
    bool given(PixelOffset p) const {
        const Point at = grid_.pointOf(p);
        return holdsClass(map_(at.row, at.column));
    }

    Segmentation<6, 0>& c_;
    const ByteArray& status_;
    ByteArray& map_;
    const SelectParams select_;
    const uint8_t cls_;
    const uint8_t opposite_;
    const Box work_;
    LabelArray labels_;
    watershed::BasinTable basins_;
    watershed::InnerWatershed flood_;
    const watershed::PixelGrid& grid_;
    watershed::InnerWatershed::Queue edges_;
    int32_t labelA_ = watershed::unlabelled;
    int32_t labelB_ = watershed::unlabelled;
};

} // namespace

void autoComplex(Segmentation<6, 0>& c, ByteArray& status, UndoQueue* queue,
                 orsine::utility::IiUI* progress, float start, float end, float bandFactor) {
    const SelectParams select = c.selectParams;
    const bool exact = select.scope == SelectScope::Exact;
    if (bandFactor == 0.0f && exact) return;
    if (c.dirtyBox.isEmpty()) return;
    if (!(select.newStatus & (kKeep | kDelete))) return;
    const Box work = workBoxOf(c, status);
    if (work.isEmpty()) return;

    if (exact) {
        // A local or global select has written the whole map; an exact one
        // only its box.
        for (int r = work.lower.row; r <= work.upper.row; ++r)
            for (int col = work.lower.column; col <= work.upper.column; ++col)
                if (!c.dirtyBox.contains(Point(r, col))) c.selectionMap(r, col) = 0;
    }

    CompletionFloods floods(c, status, work);
    const bool seeded = floods.seed();
    reportAt(progress, 0.9f * start + 0.1f * end);
    if (!seeded) {
        reportAt(progress, end);
        return;
    }
    floods.run({progress, 0.9f * start + 0.1f * end, 0.3f * start + 0.7f * end, 0.0f});

    if (!exact) {
        floods.giveUpOpenPixels();
        reportAt(progress, 0.15f * start + 0.85f * end);
        floods.joinEnclosedHoles();
    }

    if (bandFactor == 0.0f) {
        applySelection(c, status, queue);
        reportAt(progress, end);
        return;
    }
    reportAt(progress, 0.1f * start + 0.9f * end);
    floods.drawBand(bandFactor);

    reportAt(progress, 0.05f * start + 0.95f * end);
    applySelection(c, status, queue);
    reportAt(progress, end);
}

} // namespace classification

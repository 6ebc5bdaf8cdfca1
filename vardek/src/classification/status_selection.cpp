// Filling the selection map of a brush stroke or shape in its scope.
#include "classification/status_selection.h"

#include "classification/apply_selection.h"
#include "core/fault_injection.h"
#include "core/progress.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace classification {

SelectMasks selectMasks(uint8_t newStatus, uint8_t fromSet, SelectScope scope) {
    // Erasing (new status unassigned) in exact scope does not test the forced-edge bit.
    if (newStatus == kUnassigned && fromSet == kForcedEdge) return {kForcedEdge, kForcedEdge};
    if (newStatus == kUnassigned && fromSet != kProtected)
        return {kClassBits,
                scope == SelectScope::Exact ? uint8_t(kClassBits | kProtected) : kStatusBits};
    if (fromSet == kForcedEdge || newStatus == kForcedEdge) return {kForcedEdge, kForcedEdge};
    if (fromSet == kProtected || newStatus == kProtected) return {kProtected, kProtected};
    if (newStatus == kKeep || newStatus == kDelete || newStatus == kBlend)
        return {kClassBits, kStatusBits};
    return {0, 0};
}

namespace {

using Classification = Segmentation<6, 0>;

// A level whose groups are unknown: a rebuild that did not finish leaves it,
// so the next selection that needs groups rebuilds them.
constexpr int32_t kStalePartition = -2;

// Element access by plain pointer arithmetic from the first element, also
// reaching the selection map's one-pixel margin.
template <typename T> struct Plane {
    T* first;
    std::ptrdiff_t rowStep, columnStep;
    int row0, column0;

    template <typename A>
    explicit Plane(A& a)
        : first(a.data()), rowStep(a.stride(0)), columnStep(a.stride(1)), row0(a.lbound(0)),
          column0(a.lbound(1)) {}
    T& operator()(int r, int c) const {
        return first[(r - row0) * rowStep + (c - column0) * columnStep];
    }
    T& operator()(Point p) const { return (*this)(p.row, p.column); }
};

constexpr Point kNeighbours[4] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};

// One group per bit, sized from the owner's group count; labels outside
// [0, count) have no bit.
class GroupSet {
public:
    explicit GroupSet(int32_t count) : bits_(static_cast<std::size_t>(std::max(count, 0)), 0) {}
    void set(int32_t g) {
        if (g >= 0 && static_cast<std::size_t>(g) < bits_.size()) bits_[g] = 1;
    }
    bool test(int32_t g) const {
        return g >= 0 && static_cast<std::size_t>(g) < bits_.size() && bits_[g];
    }

private:
    std::vector<unsigned char> bits_;
};

// The working state of one selection.
class Filler {
public:
    Filler(Classification& c, const ByteArray& status, const Selection& selection)
        : c_(c), selection_(selection), map_(c.selectionMap), status_(status),
          params_(c.selectParams), imageBox_(boxOf(c.selectionMap)),
          strokeBox_(Box::intersection(imageBox_, selection.box)) {}

    // The byte a pixel of status `s` receives, or 0 when it may not change.
    uint8_t pending(uint8_t s) const {
        if (!statusCompatible(s, params_.fromSet, params_.testMask)) return 0;
        return changedStatus(s, params_.newStatus, params_.writeMask);
    }
    uint8_t pendingAt(Point p) const { return pending(status_(p)); }

    // Stroke pixels that may change get their new byte, all others of the
    // stroke's box 0; the rest of the map is left as it is.
    void exact() {
        for (int r = strokeBox_.lower.row; r <= strokeBox_.upper.row; ++r) {
            int first = -1, last = -1;
            for (int col = strokeBox_.lower.column; col <= strokeBox_.upper.column; ++col) {
                const uint8_t byte = selection_.selected(r, col) ? pending(status_(r, col)) : 0;
                map_(r, col) = byte;
                if (byte) {
                    if (first < 0) first = col;
                    last = col;
                }
            }
            if (first >= 0) c_.dirtyBox.unite(Box(r, first, r, last));
        }
    }

    // Every pixel 4-connected to a stroke pixel through pixels of the same
    // label that may change. `onStart` sees the label of every flood started.
    template <typename OnStart> void labelFlood(const LabelArray& labels, OnStart&& onStart) {
        if (strokeBox_.isEmpty()) return;
        c_.selectionMap = 0;
        const Plane<const int32_t> label(labels);
        for (int r = strokeBox_.lower.row; r <= strokeBox_.upper.row; ++r)
            for (int col = strokeBox_.lower.column; col <= strokeBox_.upper.column; ++col) {
                if (map_(r, col) || !selection_.selected(r, col) || !pending(status_(r, col)))
                    continue;
                const int32_t lambda = label(r, col);
                onStart(lambda);
                stack_.push_back({r, col});
                while (!stack_.empty()) {
                    const Point u = stack_.back();
                    stack_.pop_back();
                    if (map_(u)) continue; // pushed twice; storing again changes nothing
                    map_(u) = pendingAt(u);
                    c_.dirtyBox.include(u);
                    for (Point step : kNeighbours) {
                        const Point n = u + step;
                        // The map's margin holds 1: no neighbour outside the image passes.
                        if (!map_(n) && label(n) == lambda && pendingAt(n)) stack_.push_back(n);
                    }
                }
            }
    }

    // Grows the selection into the neighbouring pixels of touched groups, so
    // that every pixel 4-connected to the stroke through touched groups is in.
    void growAcrossGroups(const LabelArray& groupLabels, const GroupSet& touched) {
        if (c_.dirtyBox.isEmpty()) return;
        const Plane<const int32_t> group(groupLabels);
        const auto joins = [&](Point n) {
            return !map_(n) && touched.test(group(n)) && pendingAt(n);
        };
        const Box seeds = c_.dirtyBox;
        for (int r = seeds.lower.row; r <= seeds.upper.row; ++r)
            for (int col = seeds.lower.column; col <= seeds.upper.column; ++col) {
                if (!map_(r, col)) continue;
                for (Point step : kNeighbours) {
                    const Point n = Point(r, col) + step;
                    if (joins(n)) stack_.push_back(n);
                }
            }
        while (!stack_.empty()) {
            const Point n = stack_.back();
            stack_.pop_back();
            if (!map_(n)) {
                map_(n) = pendingAt(n);
                c_.dirtyBox.include(n);
            }
            for (Point step : kNeighbours) {
                const Point m = n + step;
                if (!joins(m)) continue;
                map_(m) = pendingAt(m);
                c_.dirtyBox.include(m);
                stack_.push_back(m);
            }
        }
    }

    // Touches the groups of the stroke pixels that may change, then selects
    // every pixel of the image in a touched group that may change.
    void global(const LabelArray& groupLabels, int32_t groupCount, orsine::utility::IiUI* progress,
                float midway) {
        const Plane<const int32_t> group(groupLabels);
        GroupSet touched(groupCount);
        for (int r = strokeBox_.lower.row; r <= strokeBox_.upper.row; ++r)
            for (int col = strokeBox_.lower.column; col <= strokeBox_.upper.column; ++col)
                if (selection_.selected(r, col) && pending(status_(r, col)))
                    touched.set(group(r, col));
        if (progress) progress->report(midway, std::string());

        const int columns = imageBox_.columns();
        for (int r = imageBox_.lower.row; r <= imageBox_.upper.row; ++r) {
            const int32_t* g = &group(r, imageBox_.lower.column);
            const unsigned char* s = &status_(r, imageBox_.lower.column);
            unsigned char* m = &map_(r, imageBox_.lower.column);
            int first = -1, last = -1;
            for (int k = 0; k < columns; ++k) {
                const uint8_t byte =
                    touched.test(g[k * group.columnStep]) ? pending(s[k * status_.columnStep]) : 0;
                m[k * map_.columnStep] = byte;
                if (byte) {
                    if (first < 0) first = k;
                    last = k;
                }
            }
            if (first >= 0)
                c_.dirtyBox.unite(
                    Box(r, imageBox_.lower.column + first, r, imageBox_.lower.column + last));
        }
    }

private:
    Classification& c_;
    const Selection& selection_;
    Plane<unsigned char> map_;
    Plane<const unsigned char> status_;
    const SelectParams params_;
    const Box imageBox_;
    const Box strokeBox_;
    std::vector<Point> stack_;
};

// The labels a scope floods on must cover the whole status view.
const LabelArray& requireLabels(const LabelArray& labels, const Box& box, const char* what) {
    if (labels.size() == 0 || !boxOf(labels).contains(box)) throw std::logic_error(what);
    return labels;
}

// The classification whose analysis `c` uses.
Classification& ownerOf(Classification& c) {
    return (!c.ownAnalysis && c.parent) ? *c.parent : c;
}

// Makes the owner's groups those of `wanted`, rebuilding them when the owner
// holds another level. True when a rebuild ran.
bool choosePartition(Classification& c, Classification& owner, int32_t wanted,
                     orsine::utility::IiUI* progress, float start, float end) {
    bool rebuilt = false;
    if (owner.partitionLevel != wanted) {
        c.partitionLevel = owner.partitionLevel = wanted;
        try {
            ProgressRange range = ProgressRange::over(progress, start, end);
            owner.buildGroups(range);
        } catch (...) {
            // Half-built groups must not pass for the level's.
            c.partitionLevel = owner.partitionLevel = kStalePartition;
            throw;
        }
        rebuilt = true;
    }
    if (&owner != &c) {
        // A borrowing classification sees the owner's groups through a window,
        // which a rebuild may have moved to new storage.
        c.partitionLevel = owner.partitionLevel;
        c.groupLabels.reference(windowOf(owner.groupLabels, c.sourceBox()));
        c.groupCount = owner.groupCount;
    }
    return rebuilt;
}

} // namespace

void selectStatus(Segmentation<6, 0>& c, const Selection& selection, ByteArray& status,
                  SelectParams select, int level, UndoQueue* queue, orsine::utility::IiUI* progress,
                  float start, float end) {
    const SelectScope scope = select.scope;
    const uint8_t newStatus = select.newStatus, fromSet = select.fromSet;
    const Box imageBox = boxOf(c.selectionMap);
    if (c.selectionMap.size() == 0 || boxOf(status) != imageBox)
        throw std::invalid_argument("status view does not match the classification");
    if (selection.mask.size() != 0 && !boxOf(selection.mask).contains(selection.box))
        throw std::invalid_argument("selection mask does not cover its box");
    const auto report = [&](float fraction) {
        if (progress) progress->report(fraction, std::string());
    };

    Classification& owner = ownerOf(c);
    float b = start;
    if (scope != SelectScope::Exact) {
        const int32_t wanted = std::clamp(level, 0, kSelectLevels - 1) - 1;
        if (choosePartition(c, owner, wanted, progress, start, (start + end) / 2))
            b = (start + end) / 2;
    }

    c.dirtyBox = Box::empty();
    c.selectParams = select;
    Filler filler(c, status, selection);
    const bool onRegions = owner.partitionLevel == -1 && c.params.regionScale > 1.0f;
    const auto noBits = [](int32_t) {};

    switch (scope) {
    case SelectScope::Exact:
        filler.exact();
        report((b + end) / 2);
        break;
    case SelectScope::Local:
        if (onRegions) {
            filler.labelFlood(requireLabels(c.regionLabels, imageBox, "no region labels"), noBits);
            report((b + end) / 2);
        } else {
            const LabelArray& groups = requireLabels(c.groupLabels, imageBox, "no group labels");
            GroupSet touched(owner.groupCount);
            filler.labelFlood(groups, [&](int32_t g) { touched.set(g); });
            report(0.75f * b + 0.25f * end);
            filler.growAcrossGroups(groups, touched);
            report(0.25f * b + 0.75f * end);
        }
        break;
    case SelectScope::Global:
        filler.global(requireLabels(c.groupLabels, imageBox, "no group labels"), owner.groupCount,
                      progress, 0.75f * b + 0.25f * end);
        report(0.25f * b + 0.75f * end);
        break;
    case SelectScope::Region:
        filler.labelFlood(onRegions ? requireLabels(c.regionLabels, imageBox, "no region labels")
                                    : requireLabels(c.groupLabels, imageBox, "no group labels"),
                          noBits);
        report((b + end) / 2);
        break;
    default:
        throw std::invalid_argument("unknown selection scope");
    }
    VARDEK_FAULT_POINT("select.filled");

    if (newStatus == fromSet) {
        // Only a description of the selected pixels, for the operations that follow.
        report(end);
        return;
    }
    if (newStatus == kForcedEdge || newStatus == kProtected || fromSet == kForcedEdge ||
        fromSet == kProtected) {
        // Forced-edge and protection edits are not recorded, so they cannot be
        // rolled back: the last point where a cancel can come is before them.
        report(end);
        applySelection(c, status, nullptr);
        return;
    }
    applySelection(c, status, queue);
    report(end);
}

} // namespace classification

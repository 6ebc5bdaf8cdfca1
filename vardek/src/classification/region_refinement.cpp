// Region refinement: the algorithm of stage 4 of the analysis.
#include "classification/region_refinement.h"

#include "core/worker_pool.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace classification {

namespace {

// Bands of at least this many rows: shorter ones cost more to hand out than
// they save.
constexpr int shortestBand = 64;

int bandsFor(const Box& box, unsigned workers) {
    return std::clamp(box.rows() / shortestBand, 1, static_cast<int>(std::min(workers, 64u)));
}

} // namespace

void keepRepeatedLabels(const Box& box, const LabelArray& labels, LabelArray& output,
                        unsigned workers) {
    if (box.isEmpty()) return;
    const std::ptrdiff_t in0 = labels.stride(0), in1 = labels.stride(1);
    const std::ptrdiff_t out1 = output.stride(1);
    WorkerPool pool(workers);
    runRowBands(pool, box, bandsFor(box, workers), [&](const Box& band) {
        // out = l wherever a 4-neighbour inside the box has the label l
        for (int r = band.lower.row; r <= band.upper.row; ++r) {
            const bool hasAbove = r > box.lower.row, hasBelow = r < box.upper.row;
            const int32_t* l = &labels(r, box.lower.column);
            int32_t* q = &output(r, box.lower.column);
            for (int c = box.lower.column; c <= box.upper.column; ++c, l += in1, q += out1) {
                const int32_t v = *l;
                if ((c > box.lower.column && l[-in1] == v) ||
                    (c < box.upper.column && l[in1] == v) || (hasAbove && l[-in0] == v) ||
                    (hasBelow && l[in0] == v))
                    *q = v;
            }
        }
    });
}

namespace {

// Votes of the neighbours of one pixel. The table is indexed by label and
// keeps, per label, the number of the pixel the count belongs to, so it never
// needs clearing between pixels.
class VoteTable {
public:
    explicit VoteTable(int32_t labels) : entries_(labels > 0 ? labels : 0) {}

    void startPixel() {
        ++stamp_;
        best_ = 0;
        winner_ = 0;
    }

    // Counts one vote; the label whose count first exceeds the best so far
    // takes the lead, so on equal counts the earlier label keeps it.
    void vote(int32_t label) {
        const auto index = static_cast<std::size_t>(label);
        if (index >= entries_.size()) entries_.resize(index + 1);
        Entry& e = entries_[index];
        if (e.stamp != stamp_) {
            e.stamp = stamp_;
            e.count = 0;
        }
        if (++e.count > best_) {
            best_ = e.count;
            winner_ = label;
        }
    }

    int32_t winner() const { return winner_; }

private:
    struct Entry {
        int64_t stamp = 0;
        int32_t count = 0;
    };
    std::vector<Entry> entries_;
    int64_t stamp_ = 0;
    int32_t best_ = 0;
    int32_t winner_ = 0;
};

} // namespace

void absorbBoundaryPixels(LabelArray& labels, const Box& box, int32_t labelCount) {
    if (box.isEmpty()) return;
    const std::ptrdiff_t s0 = labels.stride(0), s1 = labels.stride(1);
    // Above, left, right, below; then the diagonals above-left, above-right,
    // below-left, below-right.
    const std::ptrdiff_t sides[4] = {-s0, -s1, s1, s0};
    const std::ptrdiff_t corners[4] = {-s0 - s1, -s0 + s1, s0 - s1, s0 + s1};
    VoteTable votes(labelCount);

    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        int32_t* q = &labels(r, box.lower.column);
        for (int c = box.lower.column; c <= box.upper.column; ++c, q += s1) {
            if (*q != 0) continue;
            int edgeAt = -1;
            for (int i = 0; i < 4; ++i)
                if (q[sides[i]] < 1) {
                    edgeAt = i;
                    break;
                }
            if (edgeAt >= 0) {
                // Next to the border, an edge pixel or another lone pixel: an
                // edge pixel, and so are the lone pixels after it.
                *q = -1;
                q[sides[edgeAt]] = -1;
                for (int i = edgeAt + 1; i < 4; ++i)
                    if (q[sides[i]] == 0) q[sides[i]] = -1;
                continue;
            }
            votes.startPixel();
            for (std::ptrdiff_t d : sides)
                votes.vote(q[d]);
            for (std::ptrdiff_t d : corners)
                if (q[d] > 0) votes.vote(q[d]);
            *q = votes.winner();
        }
    }
}

namespace {

// Union-find over provisional labels; a root is its own parent, and every
// parent precedes its children.
int32_t findRoot(std::vector<int32_t>& parent, int32_t label) {
    int32_t root = label;
    while (parent[root] != root)
        root = parent[root];
    while (parent[label] != root) {
        const int32_t next = parent[label];
        parent[label] = root;
        label = next;
    }
    return root;
}

} // namespace

int32_t labelComponents(const LabelArray& values, LabelArray& labels, unsigned workers) {
    const Box box = boxOf(values);
    if (values.size() == 0 || box.isEmpty()) return 0;
    if (!boxOf(labels).contains(box))
        throw std::logic_error("labelComponents: the label array does not hold the values");
    const std::ptrdiff_t v0 = values.stride(0), v1 = values.stride(1);
    const std::ptrdiff_t l0 = labels.stride(0), l1 = labels.stride(1);
    WorkerPool pool(workers);
    const int bands = bandsFor(box, workers);

    // Pass 1, in bands of rows on the workers: a pixel equal to the pixel
    // above (in its band) or to its left joins its component (the larger
    // root is linked to the smaller); otherwise it starts a provisional
    // label of its own, numbered from 0 in each band.
    std::vector<std::vector<int32_t>> bandParents(static_cast<std::size_t>(bands));
    runJobs(&pool, bands, [&](int b) {
        const Box band = rowBand(box, bands, b);
        std::vector<int32_t>& parent = bandParents[std::size_t(b)];
        for (int r = band.lower.row; r <= band.upper.row; ++r) {
            const bool hasAbove = r > band.lower.row;
            const int32_t* v = &values(r, box.lower.column);
            int32_t* l = &labels(r, box.lower.column);
            for (int c = box.lower.column; c <= box.upper.column; ++c, v += v1, l += l1) {
                const bool sameAbove = hasAbove && v[-v0] == *v;
                const bool sameLeft = c > box.lower.column && v[-v1] == *v;
                int32_t label;
                if (sameAbove && sameLeft) {
                    const int32_t up = findRoot(parent, l[-l0]);
                    const int32_t left = findRoot(parent, l[-l1]);
                    label = std::min(up, left);
                    parent[std::max(up, left)] = label;
                } else if (sameAbove) {
                    label = findRoot(parent, l[-l0]);
                } else if (sameLeft) {
                    label = findRoot(parent, l[-l1]);
                } else {
                    label = static_cast<int32_t>(parent.size());
                    parent.push_back(label);
                }
                *l = label;
            }
        }
    });

    // The bands' labels one after another, so that labels follow the
    // row-major order of the pixels that started them, as in one pass over
    // the whole box: band b's label i becomes first[b] + i.
    std::vector<std::size_t> first(static_cast<std::size_t>(bands) + 1, 0);
    for (std::size_t b = 0; b < bandParents.size(); ++b)
        first[b + 1] = first[b] + bandParents[b].size();
    std::vector<int32_t> parent(first.back());
    for (std::size_t b = 0; b < bandParents.size(); ++b) {
        const auto offset = static_cast<int32_t>(first[b]);
        std::transform(bandParents[b].begin(), bandParents[b].end(), parent.begin() + offset,
                       [offset](int32_t p) { return p + offset; });
        std::vector<int32_t>().swap(bandParents[b]);
    }

    // Components that cross from one band into the next are joined along
    // the first row of the lower band, the larger root again linked to the
    // smaller, so that every parent still precedes its children.
    for (int b = 1; b < bands; ++b) {
        const int r = rowBand(box, bands, b).lower.row;
        const auto above = static_cast<int32_t>(first[std::size_t(b) - 1]);
        const auto below = static_cast<int32_t>(first[std::size_t(b)]);
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            if (values(r - 1, c) != values(r, c)) continue;
            const int32_t a = findRoot(parent, above + labels(r - 1, c));
            const int32_t d = findRoot(parent, below + labels(r, c));
            if (a != d) parent[std::size_t(std::max(a, d))] = std::min(a, d);
        }
    }

    // Pass 2: roots are numbered in order; every other entry takes the number
    // of its parent, which precedes it and is already numbered.
    int32_t count = 0;
    for (std::size_t i = 0; i < parent.size(); ++i)
        parent[i] = parent[i] == static_cast<int32_t>(i) ? count++ : parent[parent[i]];

    // Pass 3: every pixel takes the number of its provisional label.
    runJobs(&pool, bands, [&](int b) {
        const Box band = rowBand(box, bands, b);
        const int32_t* number = parent.data() + first[std::size_t(b)];
        for (int r = band.lower.row; r <= band.upper.row; ++r) {
            int32_t* l = &labels(r, box.lower.column);
            for (int c = box.lower.column; c <= box.upper.column; ++c, l += l1)
                *l = number[*l];
        }
    });
    return count;
}

} // namespace classification

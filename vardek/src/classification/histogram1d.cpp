#include "classification/Histogram1D.h"

#include <algorithm>

namespace classification {
namespace {

// floor(log2(n)) for n >= 1.
int floorLog2(uint32_t n) {
    return 31 - __builtin_clz(n);
}

void sizeCounts(Histogram1D& h) {
    if (h.hi < h.lo) {
        h.counts.free();
        return;
    }
    h.counts.resize(blitz::Range(h.lo >> h.shift, h.hi >> h.shift));
}

// Adds every count of `from` into `to`, whose bins are no finer.
void addInto(Histogram1D& to, const Histogram1D& from) {
    if (from.isEmpty()) return;
    const int down = to.shift - from.shift;
    const int first = from.counts.lbound(0), last = from.counts.ubound(0);
    if (down == 0) {
        for (int i = first; i <= last; ++i)
            to.counts(i) += from.counts(i);
    } else {
        for (int i = first; i <= last; ++i)
            to.counts(i >> down) += from.counts(i);
    }
}

} // namespace

Histogram1D::Histogram1D(const Histogram1D& other)
    : shift(other.shift), lo(other.lo), hi(other.hi), firstSegment(other.firstSegment),
      endSegment(other.endSegment), bestSegment(other.bestSegment) {
    if (!other.isEmpty()) counts.reference(other.counts.copy());
}

Histogram1D& Histogram1D::operator=(const Histogram1D& other) {
    if (this == &other) return *this;
    shift = other.shift;
    lo = other.lo;
    hi = other.hi;
    if (other.isEmpty()) {
        counts.free();
    } else {
        counts.reference(other.counts.copy());
    }
    return *this;
}

void Histogram1D::init(int32_t newLo, int32_t newHi, int bits, int minShift) {
    lo = newLo;
    hi = newHi;
    const int64_t span = std::max<int64_t>(1, static_cast<int64_t>(hi) - lo);
    shift = std::max(
        minShift, floorLog2(static_cast<uint32_t>(std::min<int64_t>(span, UINT32_MAX))) - bits + 1);
    sizeCounts(*this);
}

Histogram1D histogramSum(const Histogram1D& a, const Histogram1D& b, int bits, int minShift) {
    Histogram1D sum;
    if (a.isEmpty() && b.isEmpty()) return sum;
    if (a.isEmpty()) {
        sum.init(b.lo, b.hi, bits, minShift);
    } else if (b.isEmpty()) {
        sum.init(a.lo, a.hi, bits, minShift);
    } else {
        sum.init(std::min(a.lo, b.lo), std::max(a.hi, b.hi), bits, minShift);
    }
    // Inputs quantised more coarsely than the sum would be (made with other
    // bits) cannot be split into finer bins: the sum takes the coarsest shift.
    const int coarsest = std::max(a.isEmpty() ? 0 : a.shift, b.isEmpty() ? 0 : b.shift);
    if (coarsest > sum.shift) {
        sum.shift = coarsest;
        sizeCounts(sum);
    }
    sum.counts = 0;
    addInto(sum, a);
    addInto(sum, b);
    return sum;
}

} // namespace classification

#include "classification/histogram1d.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace classification {

HistogramCounts::HistogramCounts(const HistogramCounts& other) {
    *this = other;
}

HistogramCounts::HistogramCounts(HistogramCounts&& other) noexcept {
    *this = std::move(other);
}

HistogramCounts& HistogramCounts::operator=(const HistogramCounts& other) {
    if (this == &other) return *this;
    resize(other.first_, other.first_ + other.size_ - 1);
    std::copy(other.data(), other.data() + other.size_, data());
    return *this;
}

HistogramCounts& HistogramCounts::operator=(HistogramCounts&& other) noexcept {
    if (this == &other) return *this;
    first_ = other.first_;
    size_ = other.size_;
    if (size_ <= inlineBins) {
        std::memcpy(inline_, other.inline_, sizeof(int32_t) * static_cast<size_t>(size_));
    } else {
        heap_ = std::move(other.heap_);
        capacity_ = other.capacity_;
        other.capacity_ = 0;
    }
    other.size_ = 0;
    return *this;
}

void HistogramCounts::resize(int first, int last) {
    first_ = first;
    const int size = last < first ? 0 : last - first + 1;
    if (size > inlineBins && size > capacity_) {
        heap_.reset(new int32_t[static_cast<size_t>(size)]);
        capacity_ = size;
    }
    size_ = size;
}

HistogramCounts& HistogramCounts::operator=(int32_t value) {
    std::fill(data(), data() + size_, value);
    return *this;
}

HistogramCounts& HistogramCounts::operator>>=(int shift) {
    int32_t* d = data();
    for (int i = 0; i < size_; ++i)
        d[i] >>= shift;
    return *this;
}

int64_t HistogramCounts::sum() const {
    int64_t total = 0;
    const int32_t* d = data();
    for (int i = 0; i < size_; ++i)
        total += d[i];
    return total;
}

bool HistogramCounts::operator==(const HistogramCounts& other) const {
    if (size_ != other.size_) return false;
    if (size_ == 0) return true;
    return first_ == other.first_ && std::equal(data(), data() + size_, other.data());
}

Histogram1D& Histogram1D::operator=(const Histogram1D& other) {
    if (this == &other) return *this;
    shift = other.shift;
    lo = other.lo;
    hi = other.hi;
    counts = other.counts;
    return *this;
}

Histogram1D& Histogram1D::operator=(Histogram1D&& other) noexcept {
    if (this == &other) return *this;
    shift = other.shift;
    lo = other.lo;
    hi = other.hi;
    counts = std::move(other.counts);
    return *this;
}

namespace {

// floor(log2(n)) for n >= 1.
int floorLog2(uint32_t n) {
    return 31 - __builtin_clz(n);
}

void sizeCounts(Histogram1D& h) {
    h.counts.resize(h.lo >> h.shift, h.hi >> h.shift);
}

// Adds every count of `from` into `to`, whose bins are no finer; a sum beyond
// the largest count stays at it.
void addInto(Histogram1D& to, const Histogram1D& from) {
    if (from.isEmpty()) return;
    const int down = to.shift - from.shift;
    const int first = from.counts.lbound(0), last = from.counts.ubound(0);
    const int32_t* in = from.counts.data();
    int32_t* out = to.counts.data();
    const int base = to.counts.lbound(0);
    for (int i = first; i <= last; ++i) {
        int32_t& bin = out[(i >> down) - base];
        const int64_t sum = static_cast<int64_t>(bin) + in[i - first];
        bin = static_cast<int32_t>(std::min<int64_t>(sum, std::numeric_limits<int32_t>::max()));
    }
}

} // namespace

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

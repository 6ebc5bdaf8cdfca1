#include "core/undo_step.h"

#include "core/fault_injection.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace classification {

void addChanged(ChangedBox& changed, const Box& box) {
    if (box.isEmpty()) return;
    if (changed)
        changed->unite(box);
    else
        changed = box;
}

namespace {

constexpr int kBlock = 32;

// True when every pixel of a block of kBlock has the exclusive-or `current`
// (d = p ^ s where both are non-zero, else 0).
inline bool blockContinues(const unsigned char* p, const unsigned char* s, uint8_t current) {
    uint8_t differs = 0;
    for (int k = 0; k < kBlock; ++k) {
        const uint8_t both = (p[k] != 0) & (s[k] != 0);
        const uint8_t d = static_cast<uint8_t>((p[k] ^ s[k]) & -both);
        differs |= static_cast<uint8_t>(d ^ current);
    }
    return differs == 0;
}

// bytes[0 .. n) ^= x, eight bytes at a time.
inline void xorBytes(unsigned char* bytes, int n, uint8_t x) {
    const uint64_t x8 = x * UINT64_C(0x0101010101010101);
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + k, 8);
        word ^= x8;
        std::memcpy(bytes + k, &word, 8);
    }
    for (; k < n; ++k)
        bytes[k] ^= x;
}

} // namespace

IiUndoModifyStatus::IiUndoModifyStatus(const Box& box, const ByteArray& proposed,
                                       const ByteArray& status)
    : box_(box) {
    VARDEK_FAULT_POINT("undo.step");
    if (box.isEmpty()) return;
    if (!boxOf(proposed).contains(box) || !boxOf(status).contains(box))
        throw std::invalid_argument("undo step box outside its arrays");
    target_.reference(status);

    const int columns = box.columns();
    const std::ptrdiff_t proposedStep = proposed.stride(1), statusStep = status.stride(1);
    // Most of a change is long stretches of one value: on contiguous rows, whole
    // blocks that continue the current run are taken at once.
    const bool contiguous = proposedStep == 1 && statusStep == 1;
    uint32_t length = 0;
    uint8_t current = 0;
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const unsigned char* p = &proposed(r, box.lower.column);
        const unsigned char* s = &status(r, box.lower.column);
        int c = 0;
        while (c < columns) {
            if (contiguous && c + kBlock <= columns && length <= kMaxRun - kBlock) {
                if (blockContinues(p + c, s + c, current)) {
                    length += kBlock;
                    c += kBlock;
                    continue;
                }
            }
            const int end = contiguous ? std::min(columns, c + kBlock) : columns;
            for (; c < end; ++c) {
                const unsigned char a = p[c * proposedStep], b = s[c * statusStep];
                // d = p ^ s where both are non-zero, else 0
                const uint8_t d = (a != 0 && b != 0) ? static_cast<uint8_t>(a ^ b) : 0;
                if (d == current && length < kMaxRun) {
                    ++length;
                    continue;
                }
                if (length) runs_.push_back(length << 8 | current);
                current = d;
                length = 1;
            }
        }
    }
    runs_.push_back(length << 8 | current);
    // Steps are held for up to 200 groups: keep no spare capacity.
    runs_.shrink_to_fit();
}

void IiUndoModifyStatus::apply(ChangedBox& changed) {
    if (!box_.isEmpty()) {
        const int columns = box_.columns();
        const std::ptrdiff_t step = target_.stride(1);
        auto run = runs_.cbegin();
        uint32_t left = 0;
        uint8_t x = 0;
        for (int r = box_.lower.row; r <= box_.upper.row; ++r) {
            unsigned char* row = &target_(r, box_.lower.column);
            int c = 0;
            while (c < columns) {
                if (left == 0) {
                    if (run == runs_.cend()) break;
                    left = *run >> 8;
                    x = static_cast<uint8_t>(*run & 0xff);
                    ++run;
                    continue;
                }
                const int n = static_cast<int>(std::min<uint32_t>(left, columns - c));
                // byte ^= x over the run's pixels of this row
                if (x && step == 1) {
                    xorBytes(row + c, n, x);
                } else if (x) {
                    unsigned char* q = row + c * step;
                    for (int k = 0; k < n; ++k, q += step)
                        *q ^= x;
                }
                c += n;
                left -= n;
            }
        }
    }
    addChanged(changed, box_);
}

} // namespace classification

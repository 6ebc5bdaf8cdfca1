#include "core/undo_queue.h"

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

UndoQueue::UndoQueue(uint32_t limit) : limit_(std::max<uint32_t>(limit, 1)) {}

UndoQueue::~UndoQueue() {
    steps_.clear();
    undoGroups_ = 0;
    clearRedo();
}

void UndoQueue::openGroup() {
    VARDEK_FAULT_POINT("undo.openGroup");
    clearRedo();
    steps_.push_back(nullptr);
    if (undoGroups_ < limit_) {
        ++undoGroups_;
        return;
    }
    // At the limit: drop the oldest whole group, its marker first and then its
    // steps up to the next group's marker. The new marker at the back ends the
    // walk at the latest.
    steps_.pop_front();
    ++dropped_;
    while (steps_.front()) {
        steps_.pop_front();
        ++dropped_;
    }
}

void UndoQueue::add(std::unique_ptr<IiUndoStep> step) {
    if (!step) return;
    if (undoGroups_ == 0 || redoGroups_ > 0) openGroup();
    steps_.push_back(std::move(step));
}

void UndoQueue::clearRedo() {
    redo_.clear();
    redoGroups_ = 0;
}

void UndoQueue::undo(ChangedBox& changed) {
    if (undoGroups_ == 0) return;
    VARDEK_FAULT_POINT("undo.undo");
    // Make room in the redo list first, so that moving the group cannot fail half way.
    std::size_t groupSize = 0;
    for (auto it = steps_.rbegin(); *it; ++it)
        ++groupSize;
    const std::size_t needed = redo_.size() + groupSize + 1;
    if (needed > redo_.capacity()) redo_.reserve(std::max(needed, 2 * redo_.capacity()));

    redo_.push_back(nullptr);
    ++redoGroups_;
    while (steps_.back()) {
        steps_.back()->undo(changed);
        redo_.push_back(std::move(steps_.back()));
        steps_.pop_back();
    }
    steps_.pop_back();
    --undoGroups_;
}

void UndoQueue::redo(ChangedBox& changed) {
    if (redoGroups_ == 0) return;
    VARDEK_FAULT_POINT("undo.redo");
    // No limit check: the group was counted before it was undone.
    steps_.push_back(nullptr);
    ++undoGroups_;
    while (redo_.back()) {
        steps_.push_back(std::move(redo_.back()));
        redo_.pop_back();
        steps_.back()->redo(changed);
    }
    redo_.pop_back();
    --redoGroups_;
}

void UndoQueue::rollBack(ChangedBox& changed) {
    undo(changed);
    clearRedo();
}

void UndoQueue::rollBackTo(Mark mark, ChangedBox& changed) {
    // Only what was appended since the mark is taken off the back; nothing is
    // moved anywhere, so this allocates nothing.
    while (!steps_.empty() && dropped_ + steps_.size() > mark.position) {
        if (steps_.back())
            steps_.back()->undo(changed);
        else
            --undoGroups_;
        steps_.pop_back();
    }
    clearRedo();
}

} // namespace classification

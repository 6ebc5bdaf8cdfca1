// Writing the selection map into the status image.
#include "classification/apply_selection.h"

#include <cstddef>
#include <memory>
#include <stdexcept>

namespace classification {

namespace {

// m = (m & writeMask) | (S & ~writeMask) where both are non-zero: the byte S
// receives. A selection already holds it; making sure keeps the undo step
// exactly the change written.
template <std::ptrdiff_t MapStep, std::ptrdiff_t StatusStep>
void settleRow(unsigned char* m, std::ptrdiff_t mapStep, const unsigned char* s,
               std::ptrdiff_t statusStep, int n, uint8_t writeMask) {
    if (MapStep) mapStep = MapStep;
    if (StatusStep) statusStep = StatusStep;
    for (int k = 0; k < n; ++k) {
        const unsigned char pending = m[k * mapStep], byte = s[k * statusStep];
        const unsigned char settled =
            static_cast<unsigned char>((pending & writeMask) | (byte & ~writeMask));
        m[k * mapStep] = (pending && byte) ? settled : pending;
    }
}

// S = m where both are non-zero.
template <std::ptrdiff_t MapStep, std::ptrdiff_t StatusStep>
void writeRow(const unsigned char* m, std::ptrdiff_t mapStep, unsigned char* s,
              std::ptrdiff_t statusStep, int n) {
    if (MapStep) mapStep = MapStep;
    if (StatusStep) statusStep = StatusStep;
    for (int k = 0; k < n; ++k) {
        const unsigned char pending = m[k * mapStep], byte = s[k * statusStep];
        s[k * statusStep] = (pending && byte) ? pending : byte;
    }
}

} // namespace

void applySelection(Segmentation<6, 0>& c, ByteArray& status, UndoQueue* queue) {
    const Box box = c.dirtyBox;
    if (box.isEmpty()) return;
    if (!boxOf(c.selectionMap).contains(box) || !boxOf(status).contains(box))
        throw std::invalid_argument("dirty box outside the status view");

    const uint8_t writeMask = c.selectParams.writeMask;
    const std::ptrdiff_t mapStep = c.selectionMap.stride(1), statusStep = status.stride(1);
    // Rows of both arrays are usually contiguous: let the compiler know.
    const bool contiguous = mapStep == 1 && statusStep == 1;
    const int n = box.columns();
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        unsigned char* m = &c.selectionMap(r, box.lower.column);
        const unsigned char* s = &status(r, box.lower.column);
        if (contiguous)
            settleRow<1, 1>(m, 1, s, 1, n, writeMask);
        else
            settleRow<0, 0>(m, mapStep, s, statusStep, n, writeMask);
    }

    // Recorded before any byte changes, so running out of memory here leaves
    // the status as it was.
    if (queue) queue->add(std::make_unique<IiUndoModifyStatus>(box, c.selectionMap, status));

    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const unsigned char* m = &c.selectionMap(r, box.lower.column);
        unsigned char* s = &status(r, box.lower.column);
        if (contiguous)
            writeRow<1, 1>(m, 1, s, 1, n);
        else
            writeRow<0, 0>(m, mapStep, s, statusStep, n);
    }
    addChanged(c.changedBox, box);
}

} // namespace classification

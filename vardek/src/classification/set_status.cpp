// Writing a rectangle of caller-supplied status bytes into a status view.
#include "classification/set_status.h"

#include <memory>

namespace classification {

void setStatusRect(Segmentation<6, 0>& c, ByteArray& destination, const ByteArray& source) {
    if (destination.size() == 0 || source.size() == 0) return;
    const Box box = Box::intersection(boxOf(destination), boxOf(source));
    if (box.isEmpty()) return;

    // The step is built before any byte changes, so running out of memory here
    // leaves the status as it was.
    c.undoQueue.add(std::make_unique<IiUndoModifyStatus>(box, source, destination));

    // destination = source where both are non-zero; a 0 on either side means
    // "no class" and is never changed or written
    const std::ptrdiff_t sourceStep = source.stride(1), destinationStep = destination.stride(1);
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const unsigned char* in = &source(r, box.lower.column);
        unsigned char* out = &destination(r, box.lower.column);
        for (int k = 0; k < box.columns(); ++k) {
            const unsigned char s = in[k * sourceStep];
            unsigned char& d = out[k * destinationStep];
            if (s != 0 && d != 0) d = s;
        }
    }
    addChanged(c.changedBox, box);
    c.dirtyBox = Box::empty();
}

} // namespace classification

// Labels of the progress checkpoints that mark where a long stage is. The path
// in a label is part of the report's fixed text: it stays as it is when files
// move.
#ifndef VARDEK_CORE_CHECKPOINT_H
#define VARDEK_CORE_CHECKPOINT_H

#include <string>

namespace classification {

// "<path>: <line>:\n(before [<stage>]): "
inline std::string checkpointLabel(const char* path, int line, const char* stage) {
    return std::string(path) + ": " + std::to_string(line) + ":\n(before [" + stage + "]): ";
}

} // namespace classification

#endif

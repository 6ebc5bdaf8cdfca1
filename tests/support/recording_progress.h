// A progress parent that records every fraction reported to it.
#ifndef TESTS_SUPPORT_RECORDING_PROGRESS_H
#define TESTS_SUPPORT_RECORDING_PROGRESS_H

#include "core/progress.h"

#include <string>
#include <vector>

struct RecordingProgress : orsine::utility::IiUI {
    std::vector<float> fractions;
    void report(float fraction, const std::string&) override { fractions.push_back(fraction); }
};

#endif

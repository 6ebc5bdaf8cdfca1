// Axis values of the colour workspace and their bins. Every axis runs over
// the 8-bit values 0..255; the workspace's resolution in colour bits (4 to 8)
// groups them into 256 >> shift bins of 2^shift values each, with
// shift = 8 - colour bits. The arithmetic is 8-bit, as the bins have always
// been computed.
#ifndef APP_COLOUR_WORKSPACE_COLOUR_QUANTISATION_H
#define APP_COLOUR_WORKSPACE_COLOUR_QUANTISATION_H

#include "colour_channel.h"

#include <QColor>

#include <cstdint>

// The colour bits the workspace starts with, and their range.
constexpr int kDefaultColourBits = 5;
constexpr int kMinColourBits = 4;
constexpr int kMaxColourBits = 8;

// The shift for a number of colour bits, and the number of bins per axis.
inline int shiftForColourBits(int colourBits) {
    return 8 - colourBits;
}
inline int binsPerAxis(int shift) {
    return 256 >> shift;
}

// The bin an 8-bit axis value lies in.
inline int binIndex(int value, int shift) {
    return value >> shift;
}

// The 8-bit values of the bin `value` lies in: low and high inclusive, high
// always low + 2^shift - 1.
struct BinRange {
    int low;
    int high;
};
inline BinRange binRange(int value, int shift) {
    const std::uint8_t index = std::uint8_t(value >> shift);
    const std::uint8_t low = std::uint8_t(index << shift);
    const std::uint8_t high = std::uint8_t(std::uint8_t((index + 1) << shift) - 1);
    return {low, high};
}

// The 8-bit value that stands for bin `index` when it is drawn: the index's
// bits repeated down to bit 0, so that bin 0 is 0 and the last bin 255.
// Shifts 0 to 7; any other returns the index unchanged.
int replicateBits(int index, int shift);

// The colour's 8-bit value on `channel`: hue, lightness or saturation as the
// colour-space functions compute them, or its red, green or blue byte. Any
// other channel (the "Non RGB" axis among them) gives the red byte.
int channelValue(const QColor& colour, Bx::colour::channel channel);

#endif

// Plain references of the first matting pass and of the palette solver, with
// everything they call (distances, nearest colours and membrane, class colour
// pyramid, colour clusters, palette pyramid, pair search, medians): slow,
// obvious loops over plain vectors, written from the formulas alone and
// sharing no code with the engine. The tests compare the engine with them pixel
// for pixel.
//
// Where the engine mends a fault of the formulas, the reference does the same,
// each marked "Mended:" below:
// - a class colour lookup that counts nothing gives the pixel's own colour;
// - a membrane pixel with no neighbour to average keeps its colour;
// - a pair search that chose no pair gives the pixel's own colour for both;
// - the arc-cosine argument of the cubic is kept within [-1, 1], and a double
//   root that rounding pushed into the one-real-root branch is not lost;
// - a colour penalty is never above 0.
#ifndef TESTS_ENGINE_MATTING_MATTING_REFERENCE_H
#define TESTS_ENGINE_MATTING_MATTING_REFERENCE_H

#include <array>
#include <cstdint>
#include <vector>

namespace matting_reference {

// Four channels; images start at row 0, column 0.
using Pixel = std::array<int, 4>;

struct Image {
    int rows = 0, columns = 0;
    std::vector<Pixel> pixels;

    Image() = default;
    Image(int r, int c, Pixel fill = {0, 0, 0, 0})
        : rows(r), columns(c), pixels(static_cast<std::size_t>(r) * c, fill) {}
    Pixel& at(int r, int c) { return pixels[static_cast<std::size_t>(r) * columns + c]; }
    const Pixel& at(int r, int c) const {
        return pixels[static_cast<std::size_t>(r) * columns + c];
    }
};

struct Bytes {
    int rows = 0, columns = 0;
    std::vector<uint8_t> bytes;

    Bytes() = default;
    Bytes(int r, int c, uint8_t fill = 0)
        : rows(r), columns(c), bytes(static_cast<std::size_t>(r) * c, fill) {}
    uint8_t& at(int r, int c) { return bytes[static_cast<std::size_t>(r) * columns + c]; }
    uint8_t at(int r, int c) const { return bytes[static_cast<std::size_t>(r) * columns + c]; }
};

// Inclusive bounds.
struct Area {
    int firstRow, firstColumn, lastRow, lastColumn;
};

// Full scale and the alpha factors of a sample kind.
struct SampleKind {
    int fullScale;
    float firstPassAlpha; // S + 0.99
    float solverAlpha;
    float estimateScale; // 8-bit estimates to the kind's scale
};
extern const SampleKind kKind8, kKind16, kKind15;

// The 8-bit image with every channel times `scale`, truncated: the colour image
// of the 16-bit passes that read the analysis image.
Image widened(const Image& eightBit, float scale);

struct FirstPassInput {
    SampleKind kind;
    Image source;      // output resolution
    Image colourImage; // status resolution, the kind's samples (blend kind 2)
    Image analysis;    // status resolution, 8 bits (blend kind 1)
    Bytes status;      // receives the done marks
    Area box, estimationBox;
    float factors[2]; // output pixels per status pixel, rows then columns
    Bytes plane;      // 255 x blend ratio
    int blendKind;    // 1 membrane, 2 default
    float membraneValue;
};
void firstMattingPass(FirstPassInput& in, Image& output);

struct SolverInput {
    SampleKind kind;
    Image source;
    Bytes status;
    Area box;
    float scale[2];
    float keepSize, deleteSize;
};
// Returns 0, or 1 when a class has no colour (output untouched).
int solveMatting(const SolverInput& in, Image& output);

} // namespace matting_reference

#endif

// How the input fuzz damages files: where their readers look, as a hostile
// user would, and byte by byte. Every choice comes from one random source,
// so an input is made again exactly from its seed.
#ifndef TESTS_APP_INPUT_FUZZ_MUTATIONS_H
#define TESTS_APP_INPUT_FUZZ_MUTATIONS_H

#include <QByteArray>

#include <cstdint>
#include <random>

namespace mutations {

class Random {
public:
    explicit Random(uint64_t seed) : engine_(seed) {}
    uint64_t next() { return engine_(); }
    // A whole number in [0, n); 0 for n <= 0.
    int below(int n) { return n <= 0 ? 0 : int(next() % uint64_t(n)); }
    bool chance(double p) { return double(next() >> 11) * 0x1.0p-53 < p; }
    // Counts and sizes at and around the ends of their ranges.
    uint32_t extreme32(uint32_t near = 0);
    uint16_t extreme16(uint16_t near = 0);

private:
    std::mt19937_64 engine_;
};

// An APP1 Exif section with the orientation in its first directory.
QByteArray exifSection(int orientation);

// A project file (the program's own) with one to three damages.
QByteArray mutateProject(Random& random, const QByteArray& project);
// A JPEG, PNG, TIFF or other picture file with one to three damages.
QByteArray mutatePicture(Random& random, const QByteArray& picture);

} // namespace mutations

#endif

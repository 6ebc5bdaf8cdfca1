// Hue, lightness and saturation of a colour, each scaled to 0..255, from its
// red, green and blue bytes.
//
// The histogram counts a pixel with these functions and the highlight threads
// test the same pixel with them, so the two must agree on every colour: a
// pixel the histogram puts in a selected bin is a pixel that lights up. The
// arithmetic is therefore fixed exactly: each byte is multiplied by the
// single-precision constant 0.003921569f, everything after that is single
// precision (a division becomes a multiplication by one reciprocal where it
// always was), and each result is multiplied by 255 and truncated. A textbook
// formula in double precision differs on hundreds of thousands of colours.
// Whoever compiles this header must not let the compiler reassociate or fuse
// the arithmetic (no -ffast-math; -ffp-contract=off, which the application's
// libraries set).
//
// Everything here is inline, allocation-free and reentrant: the functions run
// once per pixel on the user-interface thread and on the highlight threads.
#ifndef BASE_INCLUDE_COLOUR_SPACE_H
#define BASE_INCLUDE_COLOUR_SPACE_H

#include <cmath>
#include <cstdint>
#include <cstdio>

#if defined(__FAST_MATH__)
#error "colour_space.h needs exact IEEE single-precision arithmetic; build without -ffast-math"
#endif

namespace Bx {
namespace colour {

namespace detail {

constexpr float kByteScale = 0.003921569f;
// Below this difference between the largest and smallest component a colour
// is grey: no hue and no saturation.
constexpr float kGreyLimit = 1.1920929e-7f;
// How close a component must come to the largest to give the hue its sector.
constexpr float kSectorTolerance = 0.001f;
constexpr float kSixth = 0.16666667f;

inline float scaled(std::uint32_t byte) {
    return static_cast<float>(byte) * kByteScale;
}

// A fraction 0..1 as a value 0..255, truncated toward zero.
inline int toByteValue(float fraction) {
    return static_cast<int>(fraction * 255.0f);
}

// No component within the tolerance of the largest: impossible for finite
// input, reported on standard error (never to the user) and taken as hue 0.
[[gnu::cold]] [[gnu::noinline]] inline void reportNoSector(int line, float r, float g, float b,
                                                           float max, float min,
                                                           const float* saturation = nullptr,
                                                           const float* lightness = nullptr) {
    std::fprintf(stderr, "Shouldn't have got here%s: %d\n", __FILE__, line);
    std::fflush(stderr);
    std::fprintf(stderr, "RGB: %g, %g, %g\n", double(r), double(g), double(b));
    std::fflush(stderr);
    std::fprintf(stderr, "Max: %g. Min: %g\n", double(max), double(min));
    std::fflush(stderr);
    if (saturation && lightness) {
        std::fprintf(stderr, "S: %g. L: %g\n", double(*saturation), double(*lightness));
        std::fflush(stderr);
    }
}

// The hue as a fraction of the colour circle times 6 (0 <= h < 6) for
// scaled components whose largest is `max` and whose spread d = max - min is
// above the grey limit. False when no sector was found.
inline bool hueSixths(float r, float g, float b, float max, float d, float* h) {
    const float k = 1.0f / d;
    const float rc = (max - r) * k;
    const float gc = (max - g) * k;
    const float bc = (max - b) * k;
    // Red before green before blue: a tie for the largest resolves that way.
    if (std::fabs(r - max) < kSectorTolerance)
        *h = bc - gc;
    else if (std::fabs(g - max) < kSectorTolerance)
        *h = rc + 2.0f - bc;
    else if (std::fabs(b - max) < kSectorTolerance)
        *h = gc + 4.0f - rc;
    else
        return false;
    if (*h < 0.0f) *h = *h + 6.0f;
    return true;
}

inline float saturationOf(float max, float min, float d) {
    const float l = (min + max) * 0.5f;
    return l < 0.5f ? d / (min + max) : d / (2.0f - max - min);
}

inline float maxOf(float r, float g, float b) {
    const float rg = r > g ? r : g;
    return rg > b ? rg : b;
}

inline float minOf(float r, float g, float b) {
    const float rg = r < g ? r : g;
    return rg < b ? rg : b;
}

// A colour's components scaled to 0..1, with the largest and the smallest.
struct Scaled {
    float r, g, b, max, min;
};

inline Scaled scaledComponents(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    Scaled c;
    c.r = scaled(red);
    c.g = scaled(green);
    c.b = scaled(blue);
    c.max = maxOf(c.r, c.g, c.b);
    c.min = minOf(c.r, c.g, c.b);
    return c;
}

// The same of a packed 0xAARRGGBB value (alpha ignored).
inline Scaled scaledComponents(std::uint32_t rgb) {
    return scaledComponents((rgb >> 16) & 0xFFu, (rgb >> 8) & 0xFFu, rgb & 0xFFu);
}

} // namespace detail

// The hue of a packed 0xAARRGGBB value (alpha ignored), 0..255.
inline int hue(std::uint32_t rgb) {
    const detail::Scaled c = detail::scaledComponents(rgb);
    const float d = c.max - c.min;
    if (std::fabs(d) <= detail::kGreyLimit) return 0;
    float h = 0.0f;
    if (!detail::hueSixths(c.r, c.g, c.b, c.max, d, &h)) {
        detail::reportNoSector(__LINE__, c.r, c.g, c.b, c.max, c.min);
        h = 0.0f;
    }
    return detail::toByteValue(h * detail::kSixth);
}

// The lightness of a packed 0xAARRGGBB value: the mean of its largest and
// smallest component, 0..255.
inline int lightness(std::uint32_t rgb) {
    const detail::Scaled c = detail::scaledComponents(rgb);
    return detail::toByteValue((c.min + c.max) * 0.5f);
}

// The HSL saturation of a packed 0xAARRGGBB value, 0..255.
inline int saturation(std::uint32_t rgb) {
    const detail::Scaled c = detail::scaledComponents(rgb);
    const float d = c.max - c.min;
    if (std::fabs(d) <= detail::kGreyLimit) return 0;
    return detail::toByteValue(detail::saturationOf(c.max, c.min, d));
}

// Converts three bytes red, green, blue in place into hue, lightness,
// saturation: afterwards byte i holds the value on channel i. The values are
// those of hue(), lightness() and saturation().
inline void rgbToHls(unsigned char* triple) {
    const detail::Scaled c = detail::scaledComponents(triple[0], triple[1], triple[2]);
    const float d = c.max - c.min;
    const float l = (c.min + c.max) * 0.5f;
    float h = 0.0f;
    float s = 0.0f;
    if (std::fabs(d) > detail::kGreyLimit) {
        s = detail::saturationOf(c.max, c.min, d);
        if (!detail::hueSixths(c.r, c.g, c.b, c.max, d, &h)) {
            detail::reportNoSector(__LINE__, c.r, c.g, c.b, c.max, c.min, &s, &l);
            h = 0.0f;
        }
    }
    triple[0] = static_cast<unsigned char>(detail::toByteValue(h * detail::kSixth));
    triple[1] = static_cast<unsigned char>(detail::toByteValue(l));
    triple[2] = static_cast<unsigned char>(detail::toByteValue(s));
}

} // namespace colour
} // namespace Bx

#endif

// The bits of a status byte, one byte per pixel of a status image. The call
// interface publishes the same values as VkStatus and VkPixelStatus.
#ifndef VARDEK_CORE_STATUS_BITS_H
#define VARDEK_CORE_STATUS_BITS_H

#include <cstdint>

namespace classification {

// The class of a pixel, one bit each in the low four bits. A byte of 0 has no
// class (its source pixel is not fully opaque), and no operation gives it one.
inline constexpr uint8_t kUnassigned = 0x01;
inline constexpr uint8_t kKeep = 0x02;
inline constexpr uint8_t kDelete = 0x04;
inline constexpr uint8_t kBlend = 0x08;
inline constexpr uint8_t kClassBits = 0x0F;

// Marks over the class: a forced edge runs through the pixel, or a patch
// protects it. Either pins the pixel: fills leave it alone.
inline constexpr uint8_t kForcedEdge = 0x10;
inline constexpr uint8_t kProtected = 0x20;
inline constexpr uint8_t kPinned = kForcedEdge | kProtected;

// Every bit a status byte keeps between engine calls: the class and the marks.
inline constexpr uint8_t kStatusBits = kClassBits | kPinned;

// The temporary marks of mask generation, both cleared before a run returns:
// the pixels of the pass about to run, and those already done or excluded.
inline constexpr uint8_t kPassMark = 0x80;
inline constexpr uint8_t kDoneMark = 0x40;
inline constexpr uint8_t kTemporaryMarks = kPassMark | kDoneMark;

} // namespace classification

#endif

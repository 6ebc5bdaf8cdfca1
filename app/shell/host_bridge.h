// The host bridge: a host program runs us as its worker ("--gp") and hands
// over its image in one shared-memory section and a second section that
// receives the cut-out, both as inherited file descriptors.
//
// Both sections hold width x height pixels, rows packed, each four samples
// red, green, blue, alpha of 8 or 16 bits; 16-bit samples are little-endian
// when the byte-order word is "little" and big-endian otherwise, and run from
// 0 to 32768. The bridge copies both into buffers of its own (blue, green,
// red, alpha; 16-bit samples in machine order) over which the document's
// images work, and copies the result buffer back, converted the same way,
// when the user applies. The source section is only ever read.
#ifndef APP_SHELL_HOST_BRIDGE_H
#define APP_SHELL_HOST_BRIDGE_H

#include "files/pixel_store.h"
#include "files/pixel_view.h"

#include <QString>

#include <cstdint>

// The seven arguments after "--gp": the result section's descriptor and the
// source section's (hexadecimal), width, height and bits per sample
// (decimal), the byte-order word and the image's name.
struct HostRequest {
    int resultFd = -1;
    int sourceFd = -1;
    int width = 0;
    int height = 0;
    int bits = 0;
    bool littleEndian = false;
    QString name;
};

// Reads argv[2] to argv[8]; a descriptor that is not wholly a hexadecimal
// number is -1, a size that is not wholly a decimal number is 0.
HostRequest hostRequestOf(int argc, const char* const* argv);

// The bytes a section must hold for the request: width x height x 4 samples
// of bits / 8 bytes. 0 for no valid image (a width or height not above 0,
// bits other than 8 and 16) and when the product does not fit in 64 bits.
std::uint64_t hostImageBytes(int width, int height, int bits);

class HostBridge {
public:
    explicit HostBridge(const HostRequest& request);

    // Checks the request, maps both sections read-only, checks that each
    // holds the image and copies them into the buffers. False, with `error`
    // set and no buffers, when any of that fails. Throws std::bad_alloc when
    // the buffers cannot be had.
    bool load(QString* error = nullptr);
    bool isLoaded() const { return loaded_; }

    const HostRequest& request() const { return request_; }

    // The buffers, empty unless loaded at the request's depth.
    PixelView8 sourceView8() const { return source8_.view(); }
    PixelView8 resultView8() const { return result8_.view(); }
    PixelView16 sourceView16() const { return source16_.view(); }
    PixelView16 resultView16() const { return result16_.view(); }

    // Copies the result buffer into the result section in the host's layout.
    // False, with `error` set and the section untouched, when nothing was
    // loaded or the section can no longer be mapped for writing or has shrunk.
    bool writeBack(QString* error = nullptr) const;

private:
    HostRequest request_;
    bool loaded_ = false;
    PixelStore8 source8_;
    PixelStore8 result8_;
    PixelStore16 source16_;
    PixelStore16 result16_;
};

#endif

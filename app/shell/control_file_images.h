// The two images of control-file mode: the input PNG read into a buffer of
// four 8-bit channels (blue, green, red, alpha), and a copy of it that
// receives the cut-out. When the user applies, the copy is written to the
// output path as an 8-bit PNG with alpha.
#ifndef APP_SHELL_CONTROL_FILE_IMAGES_H
#define APP_SHELL_CONTROL_FILE_IMAGES_H

#include "files/pixel_store.h"
#include "files/pixel_view.h"

#include <QString>

class ControlFileImages {
public:
    // Reads `inputPath` as a PNG of any colour type and depth, converted to
    // four 8-bit channels; the result buffer starts as a copy. False, with
    // `error` set and no buffers, when the file is no readable PNG. Throws
    // std::bad_alloc when the buffers cannot be had.
    bool load(const QString& inputPath, QString* error = nullptr);

    PixelView8 sourceView() const { return source_.view(); }
    PixelView8 resultView() const { return result_.view(); }

    // Writes the result buffer to `outputPath` as a PNG of colour type RGB
    // with alpha at 8 bits per sample, replacing the file only once the new
    // one is complete. Without a result buffer nothing is written (true).
    // False, with `error` set and any older file left as it was, on failure.
    bool writeOutput(const QString& outputPath, QString* error = nullptr) const;

private:
    PixelStore8 source_;
    PixelStore8 result_;
};

#endif

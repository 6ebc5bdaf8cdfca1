// A project's map of values in its data stream: written quickly, read
// without trusting a byte of it.
//
// A data stream writes an image inside a QVariant through Qt's PNG writer at
// its default compression, one image after the other; for the two photographs
// of a project that is most of the time a save takes. This writer lays out
// every byte as the data stream does (so any reader of the format reads it
// unchanged) but encodes the large four-channel images itself, as PNG at a
// fast compression level, all of them at the same time on threads of their
// own, before it writes anything.
//
// Reading takes the same layout (the data stream's own, so projects of
// every version read as before) but checks every count and length against
// the bytes that are left before anything is allocated for it, takes only
// the kinds of values a project holds, nests no deeper than a project does,
// and checks the values whose damage would harm the program later: pictures
// (files/png_check.h: within the pixel limit and held by their data),
// painter paths (elements in a valid order) and every coordinate of a point,
// rectangle, polygon or path (finite, within +-2^24 pixels). A colour of a
// kind Qt does not know reads as an invalid colour, which its reader
// replaces by its default. Qt's own stream operators then read each checked
// value from exactly its bytes.
#ifndef APP_FILES_PROJECT_STREAM_H
#define APP_FILES_PROJECT_STREAM_H

#include <QString>
#include <QVariant>

#include <cstddef>

class QDataStream;

namespace project_stream {

// Writes `value` into `stream` (data-stream version 11, Qt 4.5) as
// `stream << value` would. The stream's status tells whether it went out.
void write(QDataStream& stream, const QVariant& value);

// Reads one value from the `size` bytes at `data`, written as write() (or
// Qt's `stream << value` at version 11) writes it. On success answers true,
// with the value and the number of bytes it took; otherwise false with
// `problem` (for the log) saying what is wrong and where. Never throws.
bool read(const uchar* data, std::size_t size, QVariant* value, std::size_t* used,
          QString* problem);

} // namespace project_stream

#endif

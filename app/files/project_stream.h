// Writing a project's map of values into its data stream quickly.
//
// A data stream writes an image inside a QVariant through Qt's PNG writer at
// its default compression, one image after the other; for the two photographs
// of a project that is most of the time a save takes. This writer lays out
// every byte as the data stream does (so any reader of the format reads it
// unchanged) but encodes the large four-channel images itself, as PNG at a
// fast compression level, all of them at the same time on threads of their
// own, before it writes anything.
#ifndef APP_FILES_PROJECT_STREAM_H
#define APP_FILES_PROJECT_STREAM_H

#include <QVariant>

class QDataStream;

namespace project_stream {

// Writes `value` into `stream` (data-stream version 11, Qt 4.5) as
// `stream << value` would. The stream's status tells whether it went out.
void write(QDataStream& stream, const QVariant& value);

} // namespace project_stream

#endif

// Files built byte by byte for the tests of damaged input: PNG chunks with
// their CRCs, TIFF directories, project frames, and pictures encoded by Qt's
// own writers to start from.
#ifndef TESTS_APP_FILES_INPUT_BUILDERS_H
#define TESTS_APP_FILES_INPUT_BUILDERS_H

#include <QByteArray>
#include <QImage>
#include <QVariant>
#include <QVector>

namespace builders {

// One PNG chunk: length, type, data and the CRC over type and data.
QByteArray pngChunk(const char* type, const QByteArray& data);
// The header chunk of a picture of `width` x `height`.
QByteArray pngHeader(quint32 width, quint32 height, int depth, int colourType);
// `raw` deflated as one IDAT chunk.
QByteArray pngData(const QByteArray& raw);
// The signature, `chunks`, and the end chunk.
QByteArray pngFile(const QByteArray& chunks);
// The CRC of every chunk of the PNG at the start of `png` made right again
// (after a mutation); chunks that run past the data are left alone.
void fixPngCrcs(QByteArray& png);

// A little-endian TIFF: the header, one directory of `entries` at offset 8,
// then `tail` (whose offset tailOffset(entries.size()) tells).
struct TiffEntry {
    quint16 tag;
    quint16 type; // 3 short, 4 long
    quint32 count;
    quint32 value;
};
QByteArray tiffFile(const QVector<TiffEntry>& entries, const QByteArray& tail);
quint32 tailOffset(int entryCount);

// `image` as Qt writes it in `format` ("PNG", "JPEG", "BMP", ...).
QByteArray encoded(const QImage& image, const char* format, int quality = -1);

// A project file: magic, `version`, checksum 0 and `content` as Qt's stream
// writes it (data-stream version 11).
QByteArray projectFrame(const QVariant& content, qint32 version = 11);
// The frame alone, for content written by hand.
QByteArray projectHead(qint32 version = 11);

} // namespace builders

#endif

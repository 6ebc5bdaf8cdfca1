#include "mutations.h"

#include "input_builders.h"

#include <QVector>

#include <cmath>
#include <cstring>
#include <limits>

namespace mutations {

uint32_t Random::extreme32(uint32_t near) {
    static const uint32_t values[] = {
        0,        1,      2,        7,          255,        4096,        65535,       65536,
        1u << 20, 100000, 1u << 30, 0x7ffffff0, 0x7fffffff, 0x80000000u, 0xfffffff0u, 0xffffffffu};
    switch (below(4)) {
    case 0:
        return uint32_t(next());
    case 1:
        return near + uint32_t(below(5)) - 2;
    default:
        return values[below(int(sizeof values / sizeof values[0]))];
    }
}

uint16_t Random::extreme16(uint16_t near) {
    static const uint16_t values[] = {0, 1, 2, 8, 255, 256, 4096, 30000, 32767, 65535};
    switch (below(3)) {
    case 0:
        return uint16_t(next());
    case 1:
        return uint16_t(near + below(5) - 2);
    default:
        return values[below(int(sizeof values / sizeof values[0]))];
    }
}

namespace {

quint32 big32(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

void setBig32(QByteArray& b, int at, quint32 v) {
    if (at < 0 || at + 4 > b.size()) return;
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (24 - 8 * i));
}

void setBig16(QByteArray& b, int at, quint16 v) {
    if (at < 0 || at + 2 > b.size()) return;
    b[at] = char(v >> 8), b[at + 1] = char(v);
}

void setLittle(QByteArray& b, int at, quint32 v, int bytes) {
    if (at < 0 || at + bytes > b.size()) return;
    for (int i = 0; i < bytes; ++i)
        b[at + i] = char(v >> (8 * i));
}

// Damage anywhere: flipped bytes, a word set to an extreme, cut short, bytes inserted.
void mutateBytes(Random& random, QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    switch (random.below(4)) {
    case 0:
        for (int i = 0, n = 1 + random.below(8); i < n; ++i)
            bytes[random.below(bytes.size())] = char(random.next());
        break;
    case 1: {
        // Headers sit at the start: a word there, more often than elsewhere.
        const int span = random.chance(0.6) ? std::min(96, bytes.size()) : bytes.size();
        setBig32(bytes, random.below(span), random.extreme32());
        break;
    }
    case 2:
        bytes.truncate(random.below(bytes.size()));
        break;
    default:
        bytes.insert(random.below(bytes.size()),
                     QByteArray(1 + random.below(64), char(random.next())));
        break;
    }
}

// --- PNG -------------------------------------------------------------------

struct Chunk {
    int at;
    quint32 length;
    QByteArray type;
};

QVector<Chunk> chunksOf(const QByteArray& png) {
    QVector<Chunk> chunks;
    int at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = big32(png, at);
        if (length > quint32(png.size() - at - 12)) break;
        chunks.append({at, length, png.mid(at + 4, 4)});
        at += 12 + int(length);
    }
    return chunks;
}

// Text that unpacks to 32 MB: a compressed chunk that looks small.
const QByteArray& inflationBomb() {
    static const QByteArray bomb = qCompress(QByteArray(32 << 20, 'a'), 9).mid(4);
    return bomb;
}

void mutatePng(Random& random, QByteArray& png) {
    const QVector<Chunk> chunks = chunksOf(png);
    bool fixCrcs = random.chance(0.85);
    if (chunks.isEmpty()) {
        mutateBytes(random, png);
        return;
    }
    const Chunk& header = chunks.first();
    const Chunk& any = chunks[random.below(chunks.size())];
    switch (random.below(8)) {
    case 0: // the header's size
        setBig32(png, header.at + 8 + 4 * random.below(2),
                 random.extreme32(big32(png, header.at + 8)));
        break;
    case 1: { // depth, colour type, compression, filter, interlace
        static const char values[] = {0, 1, 2, 3, 4, 6, 7, 8, 16};
        png[header.at + 16 + random.below(5)] = values[random.below(int(sizeof values))];
        break;
    }
    case 2: // a chunk's length
        setBig32(png, any.at, random.extreme32(any.length));
        fixCrcs = false;
        break;
    case 3: { // an ancillary chunk after the header
        QByteArray chunk;
        switch (random.below(3)) {
        case 0:
            chunk = builders::pngChunk("zTXt", QByteArray("Comment\0\0", 9) + inflationBomb());
            break;
        case 1:
            chunk = builders::pngChunk("iCCP", QByteArray("icc\0\0", 5) + inflationBomb());
            break;
        default:
            chunk = builders::pngChunk("tEXt", QByteArray("Comment\0text", 12));
            setBig32(chunk, 0, random.extreme32());
            break;
        }
        png.insert(header.at + 12 + int(header.length), chunk);
        break;
    }
    case 4: // cut inside a chunk, or the end chunk gone
        png.truncate(any.at + random.below(int(any.length) + 12));
        break;
    case 5: // a chunk twice, or gone
        if (random.chance(0.5))
            png.insert(any.at, png.mid(any.at, int(any.length) + 12));
        else
            png.remove(any.at, int(any.length) + 12);
        break;
    case 6: // bytes of a chunk's data
        if (any.length > 0)
            for (int i = 0, n = 1 + random.below(4); i < n; ++i)
                png[any.at + 8 + random.below(int(any.length))] = char(random.next());
        break;
    default:
        mutateBytes(random, png);
        fixCrcs = random.chance(0.3);
        break;
    }
    if (fixCrcs) builders::fixPngCrcs(png);
}

// --- JPEG ------------------------------------------------------------------

struct Segment {
    int at; // the marker's 0xFF
    int marker;
    int length;
};

QVector<Segment> segmentsOf(const QByteArray& jpeg) {
    QVector<Segment> segments;
    int at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const int marker = uchar(jpeg[at + 1]);
        const int length = uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]);
        segments.append({at, marker, length});
        if (marker == 0xDA) break;
        at += 2 + length;
    }
    return segments;
}

// An Exif directory of random entries: tags that matter, formats and counts
// at their edges, offsets anywhere in the block and links back to itself.
QByteArray randomExif(Random& random) {
    QByteArray block("II*\0\x08\0\0\0", 8);
    const int directories = 1 + random.below(3);
    for (int d = 0; d < directories; ++d) {
        const int entries = random.chance(0.2) ? random.below(400) : random.below(12);
        const int start = block.size();
        block.append(char(entries)).append(char(entries >> 8));
        static const quint16 tags[] = {0x0112, 0x8769, 0xA005, 0x8825, 0x010F, 0x0132};
        for (int i = 0; i < entries; ++i) {
            QByteArray entry(12, 0);
            setLittle(entry, 0, tags[random.below(6)], 2);
            setLittle(entry, 2, random.chance(0.8) ? 3 + random.below(2) : random.below(14), 2);
            setLittle(entry, 4, random.chance(0.8) ? 1 : random.extreme32(), 4);
            // A value, or an offset: often a directory's own.
            const quint32 value = random.chance(0.5)   ? quint32(start)
                                  : random.chance(0.5) ? 8
                                                       : random.extreme32();
            setLittle(entry, 8, random.chance(0.3) ? 1 + random.below(9) : value, 4);
            block.append(entry);
        }
        QByteArray link(4, 0);
        setLittle(link, 0, random.chance(0.5) ? quint32(start) : quint32(block.size() + 4), 4);
        block.append(link);
    }
    QByteArray section("\xFF\xE1", 2);
    const int length = std::min(2 + 6 + block.size(), 0xFFFF);
    section.append(char(length >> 8)).append(char(length)).append("Exif\0\0", 6);
    return section + block.left(length - 8);
}

void mutateJpeg(Random& random, QByteArray& jpeg) {
    const QVector<Segment> segments = segmentsOf(jpeg);
    if (segments.isEmpty()) {
        mutateBytes(random, jpeg);
        return;
    }
    const Segment& any = segments[random.below(segments.size())];
    int frame = -1, scan = -1;
    for (const Segment& s : segments) {
        if (s.marker >= 0xC0 && s.marker <= 0xC2) frame = s.at;
        if (s.marker == 0xDA) scan = s.at;
    }
    switch (random.below(7)) {
    case 0: // the frame's size or components
        if (frame >= 0) setBig16(jpeg, frame + 5 + 2 * random.below(3), random.extreme16());
        break;
    case 1: // a segment's length
        setBig16(jpeg, any.at + 2, random.extreme16(quint16(any.length)));
        break;
    case 2: // an Exif section of random directories
        jpeg.insert(2, randomExif(random));
        break;
    case 3: // cut inside the scan, or the end marker gone
        if (scan >= 0 && scan < jpeg.size())
            jpeg.truncate(scan + random.below(jpeg.size() - scan));
        else
            jpeg.chop(2);
        break;
    case 4: // a scan again and again
        if (scan >= 0) {
            const QByteArray header = jpeg.mid(scan, 2 + any.length);
            for (int i = 0, n = 1 + random.below(200); i < n; ++i)
                jpeg.insert(jpeg.size() - 2, header + QByteArray(4, char(0x55)));
        }
        break;
    case 5: // padding before a marker
        jpeg.insert(any.at, QByteArray(1 + random.below(10), char(0xFF)));
        break;
    default:
        mutateBytes(random, jpeg);
        break;
    }
}

// --- TIFF ------------------------------------------------------------------

void mutateTiff(Random& random, QByteArray& tiff) {
    const bool little = tiff.startsWith("II");
    auto read = [&](int at, int bytes) {
        quint32 v = 0;
        for (int i = 0; i < bytes && at >= 0 && at + i < tiff.size(); ++i) {
            const quint32 byte = uchar(tiff[at + i]);
            v |= little ? byte << (8 * i) : byte << (8 * (bytes - 1 - i));
        }
        return v;
    };
    auto write = [&](int at, quint32 v, int bytes) {
        if (at < 0 || at + bytes > tiff.size()) return;
        for (int i = 0; i < bytes; ++i)
            tiff[at + i] = char(little ? v >> (8 * i) : v >> (8 * (bytes - 1 - i)));
    };
    const qint64 place = read(4, 4);
    const int directory = place + 2 <= tiff.size() ? int(place) : -1;
    const int entries = directory >= 0 ? int(read(directory, 2)) : 0;
    if (entries == 0 || directory + 2 + 12 * qint64(entries) > tiff.size()) {
        mutateBytes(random, tiff);
        return;
    }
    const int entry = directory + 2 + 12 * random.below(entries);
    static const quint16 tags[] = {256, 257, 258, 259, 262, 273, 277, 278,
                                   279, 284, 322, 323, 324, 325, 338, 339};
    switch (random.below(6)) {
    case 0: // the value (or its offset)
        write(entry + 8, random.extreme32(read(entry + 8, 4)), 4);
        break;
    case 1: // the count
        write(entry + 4, random.extreme32(read(entry + 4, 4)), 4);
        break;
    case 2: // the type
        write(entry + 2, quint32(random.below(19)), 2);
        break;
    case 3: // the tag
        write(entry, tags[random.below(int(sizeof tags / sizeof tags[0]))], 2);
        break;
    case 4: // the number of entries, or the directory's place
        if (random.chance(0.5))
            write(directory, random.extreme16(quint16(entries)), 2);
        else
            write(4, random.extreme32(quint32(directory)), 4);
        break;
    default:
        mutateBytes(random, tiff);
        break;
    }
}

// --- Projects --------------------------------------------------------------

enum class Field { Count, Type, Int, Double, Float, Picture, PictureBytes };

struct Place {
    Field field;
    int at;
    int end; // pictures: where their PNG ends
};

// Walks the project's stream as its reader does and notes where its counts,
// kinds, values and pictures lie. Stops where it does not understand.
class Walker {
public:
    explicit Walker(const QByteArray& bytes) : b_(bytes) {}
    QVector<Place> places;

    bool value(int depth) {
        if (depth > 40 || at_ + 5 > b_.size()) return false;
        places.append({Field::Type, at_, 0});
        quint32 type = big32(b_, at_);
        at_ += 5;
        if (type == 127) {
            const quint32 length = big32(b_, at_);
            if (length > 64 || at_ + 4 + int(length) > b_.size()) return false;
            const QByteArray name = b_.mid(at_ + 4, int(length) - 1);
            at_ += 4 + int(length);
            if (name == "QPolygonF") return counted(16, Field::Double);
            if (name == "QPainterPath") {
                const int n = int(big32(b_, at_));
                places.append({Field::Count, at_, 0});
                at_ += 4;
                if (n == 0) return true;
                for (int i = 0; i < n && at_ + 20 <= b_.size(); ++i) {
                    places.append({Field::Int, at_, 0});
                    places.append({Field::Double, at_ + 4, 0});
                    places.append({Field::Double, at_ + 12, 0});
                    at_ += 20;
                }
                at_ += 8;
                return at_ <= b_.size();
            }
            return false;
        }
        switch (type) {
        case 0:
        case 10:
            return counted(1, Field::Int);
        case 12: {
            const quint32 length = big32(b_, at_);
            const int start = at_ + 4;
            places.append({Field::Count, at_, 0});
            if (length == 0xffffffffu) return (at_ += 4, true);
            if (start + qint64(length) > b_.size()) return false;
            if (length >= 8 && b_.mid(start, 4) == "\x89PNG")
                places.append({Field::PictureBytes, start, start + int(length)});
            at_ = start + int(length);
            return true;
        }
        case 1:
            return fixed(1, Field::Int);
        case 2:
        case 3:
            return fixed(4, Field::Int);
        case 135:
            return fixed(4, Field::Float);
        case 6:
            return fixed(8, Field::Double);
        case 20:
            return fixed(8, Field::Double) && fixed(8, Field::Double) && fixed(8, Field::Double) &&
                   fixed(8, Field::Double);
        case 26:
            return fixed(8, Field::Double) && fixed(8, Field::Double);
        case 67:
            return fixed(1, Field::Int) && fixed(10, Field::Int);
        case 70:
        case 65:
        case 73: {
            if (at_ + 4 > b_.size()) return false;
            const quint32 present = big32(b_, at_);
            at_ += 4;
            if (!present) return true;
            const int start = at_;
            int end = start + 8;
            while (end + 12 <= b_.size()) {
                const quint32 length = big32(b_, end);
                if (length > quint32(b_.size() - end - 12)) return false;
                const bool last = b_.mid(end + 4, 4) == "IEND";
                end += 12 + int(length);
                if (last) break;
            }
            places.append({Field::Picture, start, end});
            at_ = end;
            return true;
        }
        case 8:
        case 9: {
            if (at_ + 4 > b_.size()) return false;
            const quint32 n = big32(b_, at_);
            places.append({Field::Count, at_, 0});
            at_ += 4;
            for (quint32 i = 0; i < n; ++i) {
                if (type == 8 && !counted(1, Field::Int)) return false;
                if (!value(depth + 1)) return false;
            }
            return true;
        }
        default:
            return false;
        }
    }

private:
    bool fixed(int bytes, Field field) {
        if (at_ + bytes > b_.size()) return false;
        places.append({field, at_, 0});
        at_ += bytes;
        return true;
    }
    // A count of elements of `size` bytes each (strings: of bytes).
    bool counted(int size, Field element) {
        if (at_ + 4 > b_.size()) return false;
        const quint32 n = big32(b_, at_);
        places.append({Field::Count, at_, 0});
        at_ += 4;
        if (n == 0xffffffffu) return true;
        const qint64 bytes = qint64(n) * size;
        if (at_ + bytes > b_.size()) return false;
        if (element == Field::Double)
            for (qint64 i = 0; i < bytes; i += 8)
                places.append({Field::Double, at_ + int(i), 0});
        at_ += int(bytes);
        return true;
    }

    const QByteArray& b_;
    int at_ = 10;
};

void mutateDouble(Random& random, QByteArray& bytes, int at) {
    static const double values[] = {std::nan(""),
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    1e300,
                                    -1e300,
                                    2147483648.0,
                                    -2147483649.0,
                                    16777217.0,
                                    0.0,
                                    -0.0,
                                    1e-310};
    const double v = values[random.below(int(sizeof values / sizeof values[0]))];
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    setBig32(bytes, at, quint32(bits >> 32));
    setBig32(bytes, at + 4, quint32(bits));
}

void mutateOnce(Random& random, QByteArray& project) {
    Walker walker(project);
    walker.value(0);
    const QVector<Place>& places = walker.places;
    auto pick = [&](Field field) -> const Place* {
        QVector<const Place*> found;
        for (const Place& p : places)
            if (p.field == field) found.append(&p);
        return found.isEmpty() ? nullptr : found[random.below(found.size())];
    };
    const int choice = random.below(10);
    const Field field = choice < 3   ? Field::Count
                        : choice < 4 ? Field::Type
                        : choice < 5 ? Field::Int
                        : choice < 6 ? (random.chance(0.7) ? Field::Double : Field::Float)
                        : choice < 8 ? (random.chance(0.5) ? Field::Picture : Field::PictureBytes)
                                     : Field::Count;
    const Place* place = choice < 9 ? pick(field) : nullptr;
    if (!place) {
        mutateBytes(random, project);
        return;
    }
    switch (place->field) {
    case Field::Count:
        setBig32(project, place->at, random.extreme32(big32(project, place->at)));
        break;
    case Field::Type: {
        static const quint32 kinds[] = {0,  1,  2,  3,  6,  8,  9,  10, 11, 12,  13,  19,  20,
                                        25, 26, 28, 65, 67, 70, 71, 73, 86, 127, 135, 999, 1024};
        setBig32(project, place->at,
                 random.chance(0.9) ? kinds[random.below(int(sizeof kinds / 4))]
                                    : random.extreme32());
        break;
    }
    case Field::Int:
        if (place->at + 4 <= project.size() && random.chance(0.5))
            setBig32(project, place->at, random.extreme32(big32(project, place->at)));
        else
            project[place->at] = char(random.next());
        break;
    case Field::Double:
        mutateDouble(random, project, place->at);
        break;
    case Field::Float: {
        static const float values[] = {std::nanf(""), std::numeric_limits<float>::infinity(), -1.0f,
                                       1e30f, 2.0f};
        quint32 bits;
        std::memcpy(&bits, &values[random.below(5)], 4);
        setBig32(project, place->at, bits);
        break;
    }
    case Field::Picture:
    case Field::PictureBytes: {
        QByteArray png = project.mid(place->at, place->end - place->at);
        mutatePng(random, png);
        project = project.left(place->at) + png + project.mid(place->end);
        // A byte array's length comes just before it.
        if (place->field == Field::PictureBytes)
            setBig32(project, place->at - 4, quint32(png.size()));
        break;
    }
    }
}

} // namespace

QByteArray exifSection(int orientation) {
    QByteArray block("II*\0\x08\0\0\0", 8);
    QByteArray directory(2 + 12 + 4, 0);
    setLittle(directory, 0, 1, 2);
    setLittle(directory, 2, 0x0112, 2);
    setLittle(directory, 4, 3, 2);
    setLittle(directory, 6, 1, 4);
    setLittle(directory, 10, quint32(orientation), 2);
    block += directory;
    QByteArray section("\xFF\xE1", 2);
    const int length = 2 + 6 + block.size();
    section.append(char(length >> 8)).append(char(length)).append("Exif\0\0", 6);
    return section + block;
}

QByteArray mutateProject(Random& random, const QByteArray& project) {
    QByteArray bytes = project;
    for (int i = 0, n = 1 + (random.chance(0.3) ? random.below(3) : 0); i < n; ++i)
        mutateOnce(random, bytes);
    return bytes;
}

QByteArray mutatePicture(Random& random, const QByteArray& picture) {
    QByteArray bytes = picture;
    for (int i = 0, n = 1 + (random.chance(0.3) ? random.below(3) : 0); i < n; ++i) {
        if (random.chance(0.15))
            mutateBytes(random, bytes);
        else if (bytes.startsWith("\xFF\xD8"))
            mutateJpeg(random, bytes);
        else if (bytes.startsWith("\x89PNG"))
            mutatePng(random, bytes);
        else if (bytes.startsWith("II") || bytes.startsWith("MM"))
            mutateTiff(random, bytes);
        else
            mutateBytes(random, bytes);
    }
    return bytes;
}

} // namespace mutations

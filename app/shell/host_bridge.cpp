#include "shell/host_bridge.h"

#include "shell/mapped_section.h"

#include <QtEndian>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// The whole text as a number in `base`; `fallback` when it is not one or does not fit an int.
int wholeNumber(const char* text, int base, int fallback) {
    if (!text || !*text) return fallback;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, base);
    if (errno != 0 || *end != '\0' || value < INT_MIN || value > INT_MAX) return fallback;
    return int(value);
}

// Host pixels (r, g, b, a) to ours (b, g, r, a) and back: the same exchange.
void exchangeRedBlue8(const uchar* from, uchar* to, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, from += 4, to += 4) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = from[3];
    }
}

template <bool Little> quint16 readSample(const uchar* bytes) {
    return Little ? qFromLittleEndian<quint16>(bytes) : qFromBigEndian<quint16>(bytes);
}

template <bool Little> void writeSample(quint16 sample, uchar* bytes) {
    if (Little)
        qToLittleEndian<quint16>(sample, bytes);
    else
        qToBigEndian<quint16>(sample, bytes);
}

template <bool Little> void copyIn16(const uchar* from, quint16* to, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, from += 8, to += 4) {
        to[0] = readSample<Little>(from + 4);
        to[1] = readSample<Little>(from + 2);
        to[2] = readSample<Little>(from);
        to[3] = readSample<Little>(from + 6);
    }
}

template <bool Little> void copyOut16(const quint16* from, uchar* to, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, from += 4, to += 8) {
        writeSample<Little>(from[2], to);
        writeSample<Little>(from[1], to + 2);
        writeSample<Little>(from[0], to + 4);
        writeSample<Little>(from[3], to + 6);
    }
}

void copyIn16(bool little, const uchar* from, quint16* to, std::size_t pixels) {
    if (little)
        copyIn16<true>(from, to, pixels);
    else
        copyIn16<false>(from, to, pixels);
}

void copyOut16(bool little, const quint16* from, uchar* to, std::size_t pixels) {
    if (little)
        copyOut16<true>(from, to, pixels);
    else
        copyOut16<false>(from, to, pixels);
}

bool fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

// Maps `fd` and checks that it holds `bytes`.
bool mapHolding(MappedSection& section, int fd, MappedSection::Access access, std::uint64_t bytes,
                const char* role, QString* error) {
    QString why;
    if (!section.map(fd, access, &why))
        return fail(error, QStringLiteral("The %1 section: %2").arg(QLatin1String(role), why));
    if (section.size() < bytes)
        return fail(error, QStringLiteral("The %1 section holds %2 bytes, the image needs %3")
                               .arg(QLatin1String(role))
                               .arg(qulonglong(section.size()))
                               .arg(qulonglong(bytes)));
    return true;
}

} // namespace

HostRequest hostRequestOf(int argc, const char* const* argv) {
    HostRequest request;
    if (argc < 9 || !argv) return request;
    request.resultFd = wholeNumber(argv[2], 16, -1);
    request.sourceFd = wholeNumber(argv[3], 16, -1);
    request.width = wholeNumber(argv[4], 10, 0);
    request.height = wholeNumber(argv[5], 10, 0);
    request.bits = wholeNumber(argv[6], 10, 0);
    request.littleEndian = qstrcmp(argv[7], "little") == 0;
    request.name = QString::fromLocal8Bit(argv[8]);
    return request;
}

std::uint64_t hostImageBytes(int width, int height, int bits) {
    if (width <= 0 || height <= 0 || (bits != 8 && bits != 16)) return 0;
    const std::uint64_t pixelBytes = std::uint64_t(bits / 8) * 4;
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    if (pixels > UINT64_MAX / pixelBytes) return 0;
    return pixels * pixelBytes;
}

HostBridge::HostBridge(const HostRequest& request) : request_(request) {}

bool HostBridge::load(QString* error) {
    loaded_ = false;
    source8_.clear();
    result8_.clear();
    source16_.clear();
    result16_.clear();

    const HostRequest& r = request_;
    const std::uint64_t bytes = hostImageBytes(r.width, r.height, r.bits);
    if (bytes == 0)
        return fail(error, QStringLiteral("No image of %1 x %2 pixels at %3 bits per sample")
                               .arg(r.width)
                               .arg(r.height)
                               .arg(r.bits));

    MappedSection source;
    MappedSection result;
    if (!mapHolding(source, r.sourceFd, MappedSection::ReadOnly, bytes, "source", error) ||
        !mapHolding(result, r.resultFd, MappedSection::ReadOnly, bytes, "result", error))
        return false;

    const std::size_t pixels = std::size_t(r.width) * std::size_t(r.height);
    if (r.bits == 8) {
        source8_.allocate(r.width, r.height);
        result8_.allocate(r.width, r.height);
        exchangeRedBlue8(source.data(), source8_.data(), pixels);
        exchangeRedBlue8(result.data(), result8_.data(), pixels);
    } else {
        source16_.allocate(r.width, r.height);
        result16_.allocate(r.width, r.height);
        copyIn16(r.littleEndian, source.data(), source16_.data(), pixels);
        copyIn16(r.littleEndian, result.data(), result16_.data(), pixels);
    }
    loaded_ = true;
    return true;
}

bool HostBridge::writeBack(QString* error) const {
    if (!loaded_) return fail(error, QStringLiteral("No host image was loaded"));
    const HostRequest& r = request_;
    MappedSection result;
    if (!mapHolding(result, r.resultFd, MappedSection::ReadWrite,
                    hostImageBytes(r.width, r.height, r.bits), "result", error))
        return false;
    const std::size_t pixels = std::size_t(r.width) * std::size_t(r.height);
    if (r.bits == 8)
        exchangeRedBlue8(result8_.data(), result.data(), pixels);
    else
        copyOut16(r.littleEndian, result16_.data(), result.data(), pixels);
    return true;
}

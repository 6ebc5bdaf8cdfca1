#include "files/zt_source_image.h"

#include "files/average_reduce.h"
#include "files/image_limits.h"
#include "files/main_window_hooks.h"
#include "files/named_image.h"
#include "files/pixel_memory.h"
#include "files/png_io.h"
#include "files/sample_conversion.h"
#include "files/tiff_io.h"
#include "files/upright_image.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"

#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <new>

namespace {

template <typename Sample>
void copyRows(const PixelView<Sample>& from, const PixelView<Sample>& to) {
    const int width = std::min(from.width, to.width), height = std::min(from.height, to.height);
    if (!from.pixels || !to.pixels || width <= 0) return;
    for (int y = 0; y < height; ++y)
        std::memcpy(to.row(y), from.row(y), std::size_t(width) * PixelView<Sample>::pixelBytes);
}

// The image's own pixels, wherever copies of the image share them: bits()
// would give a shared image pixels of its own, elsewhere, while an engine
// command may hold the address of these.
PixelView8 viewOf(const QImage& image) {
    if (image.isNull()) return PixelView8();
    return PixelView8{image.width(), image.height(), const_cast<uchar*>(image.constBits()),
                      image.bytesPerLine()};
}

int fullScaleOf(int format) {
    return format == ZtSourceImage::FormatHost16 ? 32768 : 65535;
}

// The image with pixels no other image shares: those of a master must stay
// where they are, and change only when the master does.
QImage withOwnPixels(QImage image) {
    if (image.isNull() || image.isDetached()) return image;
    return image.copy();
}

// The image in Format_ARGB32. An RGB32 image becomes one in place: its pixels
// are 0xffRRGGBB already, the alpha set once more for safety, as Qt's own
// conversion does (which would copy pixels that are not Qt's own).
QImage toArgb32(QImage image) {
    if (image.format() != QImage::Format_RGB32)
        return std::move(image).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            pixel[x] |= 0xff000000u;
    }
    image.reinterpretAsFormat(QImage::Format_ARGB32);
    return image;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

ZtSourceImage::ZtSourceImage(const QString& fileName) : filename_(fileName) {
    load();
}

ZtSourceImage::ZtSourceImage(const NamedImage& image) : filename_(image.name()) {
    if (image.isNull()) return;
    // The receivers check what they decode; an image handed over in memory
    // is held to the same limit.
    if (!image_limits::fitsPixelLimit(image.width(), image.height())) {
        logStream() << "ZtSourceImage: " << filename_ << ": " << image.width() << " x "
                    << image.height() << " pixels are beyond the limit" << endLogLine;
        return;
    }
    try {
        // Whatever the image's own format (indexed, premultiplied, 64-bit), the
        // pixels are read as 8-bit blue, green, red, alpha from here on.
        takeDisplayImage(image.convertToFormat(QImage::Format_ARGB32));
        valid_ = true;
    } catch (const std::bad_alloc&) {
        clearPixels();
        reportInternalError(tr("Loading file %1", "[all]").arg(filename_),
                            tr("Out of memory", "[all]"));
    }
}

ZtSourceImage::ZtSourceImage(const PixelView8& pixels, const QString& name) : filename_(name) {
    view8_ = pixels;
    imageMaster_ = Master8;
    externalBuffer_ = true;
    format_ = Format8;
    init();
    valid_ = true;
}

ZtSourceImage::ZtSourceImage(const PixelView16& pixels, const QString& name) : filename_(name) {
    view16_ = pixels;
    imageMaster_ = Master16;
    externalBuffer_ = true;
    format_ = FormatHost16;
    init();
    valid_ = true;
}

ZtSourceImage::ZtSourceImage(const QVariant& map) {
    readMap(map.toMap());
}

ZtSourceImage::ZtSourceImage(const ZtSourceImage& other)
    : QObject(), filename_(other.filename_), imageMaster_(other.imageMaster_),
      format_(other.format_), fileType_(other.fileType_) {
    switch (imageMaster_) {
    case DisplayMaster:
        if (!other.displayImage_.isNull()) {
            displayImage_ = newPixelImage(other.displayImage_.size(), other.displayImage_.format());
            if (displayImage_.isNull()) throw std::bad_alloc();
        }
        view8_ = viewOf(displayImage_);
        break;
    case Master8:
        buffer8_.allocate(other.view8_.width, other.view8_.height);
        view8_ = buffer8_.view();
        break;
    case Master16:
        buffer16_.allocate(other.view16_.width, other.view16_.height);
        view16_ = buffer16_.view();
        break;
    default:
        break;
    }
    copyPixelsFrom(other);
}

ZtSourceImage::ZtSourceImage(const ZtSourceImage& other, Format format)
    : QObject(), filename_(other.filename_), imageMaster_(Master16), format_(other.format_),
      fileType_(other.fileType_) {
    buffer16_.allocate(other.view16_.width, other.view16_.height);
    view16_ = buffer16_.view();
    convertFormat(format, &other);
    // Anything but a host's samples is copied as it is.
    if (format_ != format) copyRows(other.view16_, view16_);
    init();
    valid_ = other.valid_ && !view16_.isEmpty();
}

ZtSourceImage::~ZtSourceImage() = default;

void ZtSourceImage::clearPixels() {
    displayPixmap_ = QPixmap();
    workspacePixmap_ = QPixmap();
    displayImage_ = QImage();
    workspaceImage_ = QImage();
    workspaceView_ = PixelView8();
    view8_ = PixelView8();
    view16_ = PixelView16();
    buffer8_.clear();
    buffer16_.clear();
    imageMaster_ = DisplayMaster;
    externalBuffer_ = false;
    workspaceFactor_ = 0;
}

// ---------------------------------------------------------------------------
// Loading a file
// ---------------------------------------------------------------------------

void ZtSourceImage::load() {
    clearPixels();
    valid_ = false;
    displayStale_ = true;
    fileType_ = NoFileType;
    if (filename_.isEmpty()) return;
    // A stage that fails for any reason but lack of memory hands over to the next.
    auto attempt = [this](Stage (ZtSourceImage::*stage)()) {
        try {
            return (this->*stage)();
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& error) {
            logStream() << "ZtSourceImage: " << filename_ << ": " << error.what() << endLogLine;
        }
        clearPixels();
        valid_ = false;
        return NextStage;
    };
    try {
        Stage stage = attempt(&ZtSourceImage::loadPng16);
        if (stage == NextStage) stage = attempt(&ZtSourceImage::loadTiff16);
        if (stage == NextStage) {
            loadGeneral();
        } else if (stage == Refused) {
            clearPixels();
            valid_ = false;
            warnCannotOpen();
        }
    } catch (const std::bad_alloc&) {
        clearPixels();
        valid_ = false;
        reportInternalError(tr("Loading file %1", "[all]").arg(filename_),
                            tr("Out of memory", "[all]"));
    }
}

ZtSourceImage::Stage ZtSourceImage::stageOutcome(const ImageReadResult& result) {
    if (result.ok()) {
        takeBuffer16(Format16);
        return Loaded;
    }
    // A file of the stage's own kind that it cannot read is damaged: no other
    // reader may guess at its pixels.
    if (result.status != ImageReadResult::Failed) return NextStage;
    logStream() << "ZtSourceImage: " << filename_ << ": " << result.error << endLogLine;
    return Refused;
}

ZtSourceImage::Stage ZtSourceImage::loadPng16() {
    const ImageReadResult result = png_io::readRgb16(filename_, buffer16_);
    if (result.headerRead()) fileType_ = PngFile;
    return stageOutcome(result);
}

ZtSourceImage::Stage ZtSourceImage::loadTiff16() {
    const ImageReadResult result = tiff_io::readRgb16(filename_, buffer16_);
    if (result.headerRead()) fileType_ = TiffFile;
    return stageOutcome(result);
}

bool ZtSourceImage::loadGeneral() {
    QImage image;
    QString error;
    if (!readUprightImage(filename_, &image, &error)) {
        logStream() << "ZtSourceImage: " << filename_ << ": " << error << endLogLine;
        warnCannotOpen();
        return false;
    }
    takeDisplayImage(toArgb32(std::move(image)));
    valid_ = true;
    return true;
}

void ZtSourceImage::warnCannotOpen() const {
    promptService()->message(
        dialogParent(), PromptService::Kind::Warning, productName(),
        tr("Sorry - could not open file %1", "%1 is filename").arg(filename_) +
            tr("\n\nIf you have Adobe Photoshop you could try loading the file into it, and "
               "applying the %1 filter there.")
                .arg(productName()),
        PromptService::Ok);
}

void ZtSourceImage::takeDisplayImage(QImage image) {
    image = withOwnPixels(std::move(image));
    if (image.isNull()) throw std::bad_alloc();
    displayImage_ = std::move(image);
    imageMaster_ = DisplayMaster;
    externalBuffer_ = false;
    format_ = Format8;
    init();
}

void ZtSourceImage::takeBuffer16(int format) {
    view16_ = buffer16_.view();
    imageMaster_ = Master16;
    externalBuffer_ = false;
    format_ = format;
    valid_ = true;
    init();
}

// ---------------------------------------------------------------------------
// The display image
// ---------------------------------------------------------------------------

void ZtSourceImage::init() {
    switch (imageMaster_) {
    case DisplayMaster:
        view8_ = viewOf(displayImage_);
        break;
    case Master16:
        if (buffer8_.width() != view16_.width || buffer8_.height() != view16_.height)
            buffer8_.allocate(view16_.width, view16_.height);
        view8_ = buffer8_.view();
        convert16To8();
        Q_FALLTHROUGH();
    case Master8:
        displayImage_ = view8_.isEmpty() ? QImage()
                                         : QImage(view8_.pixels, view8_.width, view8_.height,
                                                  view8_.rowBytes, QImage::Format_ARGB32);
        break;
    default:
        break;
    }
    // The display was just built from the master, so it is not stale. Its
    // pixmap is made when it is first asked for: a 24-megapixel pixmap costs
    // as much as decoding a JPEG, and the workspace tab does not show it.
    displayPixmap_ = QPixmap();
    displayStale_ = false;
    logInit();
}

void ZtSourceImage::convert16To8() {
    if (format_ == Format16 || format_ == FormatHost16) {
        convertTo8Bits(view16_, fullScaleOf(format_), view8_);
    } else if (!buffer8_.isEmpty()) {
        // No known scale: show black rather than whatever the memory held.
        std::memset(buffer8_.data(), 0, buffer8_.sampleCount());
    }
}

void ZtSourceImage::logInit() const {
    logStream() << "ZtSourceImage::init " << filename_ << ", (width, height) = ("
                << displayImage_.width() << ", " << displayImage_.height() << ")" << endLogLine;
}

void ZtSourceImage::refreshPixmap() {
    if (!displayStale_ || imageMaster_ != Master16) return;
    if (format_ == Format16 || format_ == FormatHost16) {
        convertTo8Bits(view16_, fullScaleOf(format_), view8_);
        displayPixmap_ = QPixmap(); // made again when asked for
    }
    displayStale_ = false;
}

void ZtSourceImage::markPixelsChanged() {
    displayStale_ = true;
    displayPixmap_ = QPixmap();
}

const QImage& ZtSourceImage::displayImage() {
    refreshPixmap();
    return displayImage_;
}

const QPixmap& ZtSourceImage::displayPixmap() {
    refreshPixmap();
    if (displayPixmap_.isNull() && !displayImage_.isNull())
        displayPixmap_ = QPixmap::fromImage(displayImage_);
    return displayPixmap_;
}

// ---------------------------------------------------------------------------
// The workspace copy
// ---------------------------------------------------------------------------

const QImage& ZtSourceImage::image(int resolutionFactor) {
    refreshPixmap();
    updateWorkingImage(resolutionFactor);
    return workspaceImage_;
}

void ZtSourceImage::updateWorkingImage(int resolutionFactor) {
    refreshPixmap();
    const int factor = std::max(1, resolutionFactor);
    // An engine session may be reading the copy's pixels: a copy that is
    // already there for this factor stays.
    if (!workspaceImage_.isNull() && factor == workspaceFactor_) return;
    if (displayImage_.isNull()) return;
    // A session may still read the copy being replaced.
    if (!workspaceImage_.isNull()) retiredWorkspaces_.append(workspaceImage_);
    if (factor == 1) {
        workspacePixmap_ = displayPixmap();
        workspaceImage_ = displayImage_;
        workspaceView_ = view8_;
    } else {
        reduceWorkspace(factor);
        if (workspaceImage_.isNull()) return;
    }
    workspaceFactor_ = factor;
}

void ZtSourceImage::releaseRetiredWorkspaces() {
    retiredWorkspaces_.clear();
}

void ZtSourceImage::reduceWorkspace(int factor) {
    // width' = ceil(width x (1 / factor)), in double precision, rounded to the nearest integer
    const double scale = 1.0 / factor;
    const int width = qRound(std::ceil(displayImage_.width() * scale));
    const int height = qRound(std::ceil(displayImage_.height() * scale));
    QImage reduced(width, height, displayImage_.format());
    if (reduced.isNull()) {
        logStream() << "ZtSourceImage: no memory for the workspace copy of " << filename_
                    << endLogLine;
        workspaceImage_ = QImage();
        workspacePixmap_ = QPixmap();
        workspaceView_ = PixelView8();
        return;
    }
    const VkResult result = VkScaleImage(imageViewOf(reduced), imageViewOf(displayImage_));
    if (result != VkOk) {
        // The engine reduces only by 1, 2, 4 and 8 of its own reckoning (a
        // 10 x 10 image at factor 8 asks it for 5) and writes nothing otherwise.
        logStream() << "ZtSourceImage: scaling by " << factor << " gave " << result
                    << "; averaging instead" << endLogLine;
        averageReduce(displayImage_, reduced, factor);
    }
    workspaceImage_ = std::move(reduced);
    workspacePixmap_ = QPixmap::fromImage(workspaceImage_);
    workspaceView_ = viewOf(workspaceImage_);
}

// ---------------------------------------------------------------------------
// The engine's view and the checksum
// ---------------------------------------------------------------------------

VkImage ZtSourceImage::engineView() {
    refreshPixmap();
    if ((imageMaster_ == DisplayMaster || imageMaster_ == Master8) && !view8_.isEmpty())
        return VkImage{view8_.width, view8_.height, view8_.rowBytes, VkKindRgba8, view8_.pixels};
    if (imageMaster_ == Master16 && !view16_.isEmpty() &&
        (format_ == Format16 || format_ == FormatHost16))
        return VkImage{view16_.width, view16_.height, view16_.rowBytes,
                       format_ == Format16 ? VkKindRgba16 : VkKindRgba15,
                       reinterpret_cast<unsigned char*>(view16_.pixels)};
    return VkImage{0, 0, 0, 0, nullptr};
}

quint16 ZtSourceImage::checksum() const {
    if (!valid_) return 0;
    const bool wide = imageMaster_ == Master16;
    const int width = wide ? view16_.width : view8_.width;
    const int height = wide ? view16_.height : view8_.height;
    const char* first = wide ? reinterpret_cast<const char*>(view16_.pixels)
                             : reinterpret_cast<const char*>(view8_.pixels);
    if (!first) return 0;
    // Only the start of the first row: `width` bytes, not `width` pixels.
    const quint16 sum = qChecksum(first, uint(width));
    return quint16(sum ^ width ^ height);
}

// ---------------------------------------------------------------------------
// Project map
// ---------------------------------------------------------------------------

QVariant ZtSourceImage::toVariant() const {
    QVariantMap map;
    map.insert(QStringLiteral("valid_"), valid_);
    map.insert(QStringLiteral("filename_"), filename_);
    map.insert(QStringLiteral("format_"), format_);
    map.insert(QStringLiteral("imageMaster_"), imageMaster_);
    QVariant pixels;
    QByteArray bytes;
    QString error;
    switch (imageMaster_) {
    case DisplayMaster:
        pixels = displayImage_;
        break;
    case Master16:
        // A host's samples go in as they are: the project keeps format 3.
        if (png_io::encode(view16_, &bytes, &error)) pixels = bytes;
        break;
    case Master8:
        if (png_io::encode(view8_, &bytes, &error)) pixels = bytes;
        break;
    default:
        break;
    }
    if (!error.isEmpty())
        logStream() << "ZtSourceImage: could not store the pixels of " << filename_ << ": " << error
                    << endLogLine;
    map.insert(QStringLiteral("imageImage_"), pixels);
    return map;
}

void ZtSourceImage::readMap(const QVariantMap& map) {
    filename_ = map.value(QStringLiteral("filename_")).toString();
    valid_ = map.value(QStringLiteral("valid_")).toBool();
    imageMaster_ = map.value(QStringLiteral("imageMaster_"), int(DisplayMaster)).toInt();
    format_ = map.value(QStringLiteral("format_"), int(Format8)).toInt();
    externalBuffer_ = false;
    fileType_ = NoFileType;
    const QVariant pixels = map.value(QStringLiteral("imageImage_"));
    ImageReadResult read = ImageReadResult::success();
    try {
        switch (imageMaster_) {
        case DisplayMaster: {
            QImage image = pixels.value<QImage>();
            if (!image.isNull())
                displayImage_ =
                    withOwnPixels(std::move(image).convertToFormat(QImage::Format_ARGB32));
            break;
        }
        case Master16:
            read = png_io::decodeRgba16(pixels.toByteArray(), buffer16_);
            view16_ = buffer16_.view();
            break;
        case Master8:
            read = png_io::decodeRgba8(pixels.toByteArray(), buffer8_);
            view8_ = buffer8_.view();
            break;
        default:
            break;
        }
    } catch (const std::bad_alloc&) {
        clearPixels();
        read = ImageReadResult::failure(ImageReadResult::Failed, QStringLiteral("Out of memory"));
    }
    if (!read.ok()) {
        // A damaged project: the image stays without pixels, and invalid.
        logStream() << "ZtSourceImage: could not read the pixels of " << filename_ << ": "
                    << read.error << endLogLine;
    }
    try {
        init();
    } catch (const std::bad_alloc&) {
        // No memory for the 8-bit copy of 16-bit pixels.
        clearPixels();
        init();
    }
    if (view8_.isEmpty()) valid_ = false;
}

// ---------------------------------------------------------------------------
// Saving and copying pixels
// ---------------------------------------------------------------------------

bool ZtSourceImage::save() const {
    QString error;
    bool written = false;
    try {
        if (format_ == Format8) {
            if (fileType_ == TiffFile)
                written = tiff_io::write(filename_, view8_, &error);
            else if (fileType_ == PngFile)
                written = png_io::write(filename_, view8_, &error);
        } else if (format_ == Format16 || format_ == FormatHost16) {
            // A host's samples are written with full scale 65535.
            PixelStore16 converted;
            PixelView16 pixels = view16_;
            if (format_ == FormatHost16 && (fileType_ == PngFile || fileType_ == TiffFile)) {
                converted.allocate(view16_.width, view16_.height);
                convertHostScaleTo16Bits(view16_, converted.view());
                pixels = converted.view();
            }
            if (fileType_ == PngFile)
                written = png_io::write(filename_, pixels, &error);
            else if (fileType_ == TiffFile)
                written = tiff_io::write(filename_, pixels, &error);
        }
    } catch (const std::exception& exception) {
        written = false;
        error = QString::fromLocal8Bit(exception.what());
    } catch (...) {
        written = false;
    }
    if (!written && !error.isEmpty())
        logStream() << "ZtSourceImage::save " << filename_ << ": " << error << endLogLine;
    return written;
}

void ZtSourceImage::copyPixelsFrom(const ZtSourceImage& other) {
    if (imageMaster_ == Master16)
        copyRows(other.view16_, view16_);
    else
        copyRows(other.view8_, view8_);
    workspaceImage_ = QImage();
    workspacePixmap_ = QPixmap();
    workspaceView_ = PixelView8();
    workspaceFactor_ = 0;
    init();
    filename_ = other.filename_;
    valid_ = other.valid_;
    displayStale_ = false;
}

void ZtSourceImage::convertFormat(int format, const ZtSourceImage* other) {
    const ZtSourceImage& source = other ? *other : *this;
    if (format == source.format_ || format != Format16 || source.format_ != FormatHost16) return;
    convertHostScaleTo16Bits(source.view16_, view16_);
    displayStale_ = true;
    format_ = Format16;
}

VkImage imageViewOf(const QImage& image) {
    int kind;
    switch (image.format()) {
    case QImage::Format_Indexed8:
        kind = VkKindStatus;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        kind = VkKindRgba8;
        break;
    default:
        return VkImage{0, 0, 0, 0, nullptr};
    }
    // The engine takes a writable pointer; it writes only into images it is meant to fill.
    return VkImage{image.width(), image.height(), image.bytesPerLine(), kind,
                   const_cast<uchar*>(image.constBits())};
}

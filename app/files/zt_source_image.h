// One image of the document: the photograph being cut out, or the working
// image that receives the cut-out.
//
// The pixels live in one master store, four channels in the order blue,
// green, red, alpha:
//   0  the display image itself (8 bits, the image owns it);
//   1  16-bit samples (view16()), with an 8-bit copy behind the display image;
//   2  8-bit samples (view8()) that the display image shows without a copy.
// Masters 1 and 2 may point into memory someone else owns (the host bridge,
// the control file): the image then never copies or frees it. format() tells
// the samples' scale: 1 8 bits, 2 16 bits with full scale 65535 (files,
// projects), 3 16 bits with full scale 32768 (a host's samples).
//
// Beside the full-resolution display image the image keeps a workspace copy
// reduced by the document's resolution factor, built on demand. The engine
// reads the workspace copy's pixels during a session, so it is rebuilt only
// when it is missing or the factor changed, and a copy it replaces stays
// alive until the model, once the sessions over it have ended, releases it.
//
// Files are read in three stages: a 16-bit RGB or RGBA PNG, a 16-bit RGB TIFF
// (both kept at 16 bits), then any format Qt reads (files/checked_image.h),
// turned upright by its JPEG orientation and held at 8 bits. Every stage
// checks what the file announces before it allocates: a picture beyond the
// pixel limit (files/image_limits.h) or one its data cannot hold is refused.
// A file no stage reads, or one a 16-bit stage recognised as its own and
// refused, warns "Sorry - could not open file" through the prompt service;
// running out of memory for a picture within the limit goes to the main
// window's internal-error handler (files/main_window_hooks.h).
//
// User-interface thread only. Engine commands take engineView() in their
// prepare step, so the pixels stay where they are while a command runs: the
// master's pixels are the image's own from the start (no other QImage shares
// them when they are taken) and are never detached, whoever shares the
// display image later.
#ifndef APP_FILES_ZT_SOURCE_IMAGE_H
#define APP_FILES_ZT_SOURCE_IMAGE_H

#include "files/image_read_result.h"
#include "files/pixel_store.h"
#include "files/pixel_view.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QVariant>

#include "vardek.h"

class NamedImage;

class ZtSourceImage : public QObject {
    Q_OBJECT
public:
    enum Master { DisplayMaster = 0, Master16 = 1, Master8 = 2 };
    enum Format { NoFormat = 0, Format8 = 1, Format16 = 2, FormatHost16 = 3 };
    enum FileType { NoFileType = 0, PngFile = 1, TiffFile = 2 };

    // Loads the file; isValid() tells whether that worked. An empty name gives
    // an invalid image without a word.
    explicit ZtSourceImage(const QString& fileName);
    // A copy of a dropped or downloaded image, named after its address, in
    // Format_ARGB32 whatever its own format.
    explicit ZtSourceImage(const NamedImage& image);
    // Works on the caller's pixels without copying them (host bridge, control
    // file): master 2, format 1, or master 1, format 3. The pixels must
    // outlive the image.
    ZtSourceImage(const PixelView8& pixels, const QString& name);
    ZtSourceImage(const PixelView16& pixels, const QString& name);
    // The image of a project's map (toVariant()).
    explicit ZtSourceImage(const QVariant& map);
    // A copy with pixels of its own: same name, master, format, file type and size.
    ZtSourceImage(const ZtSourceImage& other);
    // A copy of a format-3 image converted to format 2 (full scale 65535).
    ZtSourceImage(const ZtSourceImage& other, Format format);
    ~ZtSourceImage() override;
    ZtSourceImage& operator=(const ZtSourceImage&) = delete;

    bool isValid() const { return valid_; }
    QString filename() const { return filename_; }
    void setFilename(const QString& name) { filename_ = name; }
    int imageMaster() const { return imageMaster_; }
    int format() const { return format_; }
    // The format read, and the one save() writes.
    int fileType() const { return fileType_; }
    void setFileType(int type) { fileType_ = type; }
    bool externalBuffer() const { return externalBuffer_; }
    int width() const { return view8_.width; }
    int height() const { return view8_.height; }

    // Whether the 8-bit display pixels must be rebuilt from a 16-bit master;
    // set by whoever rewrote the master's pixels.
    bool displayStale() const { return displayStale_; }
    void setDisplayStale(bool stale) { displayStale_ = stale; }

    // The full-resolution 8-bit image and its pixmap, refreshed first (the
    // pixmap is made on first use).
    const QImage& displayImage();
    const QPixmap& displayPixmap();

    // The workspace copy at `resolutionFactor` (building it when needed).
    const QImage& image(int resolutionFactor);
    // Builds the workspace copy when it is missing or was built for another
    // factor; otherwise leaves it (and the pixels an engine session reads) alone.
    void updateWorkingImage(int resolutionFactor);
    // Frees the workspace copies replaced since the last call; no engine
    // session may read them any more.
    void releaseRetiredWorkspaces();
    // The workspace copy as it is (null until built), its pixmap, pixels and factor.
    const QImage& workspaceImage() const { return workspaceImage_; }
    const QPixmap& workspacePixmap() const { return workspacePixmap_; }
    const PixelView8& workspaceView() const { return workspaceView_; }
    int workspaceFactor() const { return workspaceFactor_; }

    const PixelView8& view8() const { return view8_; }
    const PixelView16& view16() const { return view16_; }

    // Rebuilds the 8-bit display pixels (and, when next asked for, the pixmap)
    // of a stale 16-bit master.
    void refreshPixmap();
    // The master's pixels were rewritten in place (the engine wrote the
    // cut-out): the display pixels and the pixmap are made again when next
    // asked for.
    void markPixelsChanged();
    // The master's pixels for the engine (kind 1, 2 or 3), refreshed first;
    // all zero for an image without pixels.
    VkImage engineView();
    // Builds the display image and pixmap from the master.
    void init();

    // Ties a project to its image: CRC-16 of the master's first `width` bytes,
    // XOR width, XOR height; 0 for an invalid image.
    quint16 checksum() const;

    // The project map: "valid_", "filename_", "format_", "imageMaster_" and
    // "imageImage_" (a QImage for master 0, the bytes of a 16-bit or 8-bit
    // RGBA PNG for masters 1 and 2; a host's samples are stored unscaled).
    QVariant toVariant() const;

    // Writes filename() as PNG or TIFF (by fileType()) at 8 or 16 bits (by
    // format(); a host's samples are written with full scale 65535). False
    // when nothing was written.
    bool save() const;

    // Takes `other`'s pixels (same size and master), clears the workspace
    // copy, rebuilds the display and takes `other`'s name.
    void copyPixelsFrom(const ZtSourceImage& other);
    // Writes `other`'s (or, when null, this image's) format-3 samples into
    // this image's 16-bit pixels at full scale 65535; only from format 3 to 2.
    void convertFormat(int format, const ZtSourceImage* other = nullptr);

private:
    void clearPixels();
    // What a loading stage made of the file: read, not of its kind (the next
    // stage tries), or of its kind but damaged (refused).
    enum Stage { Loaded, NextStage, Refused };
    void load();
    Stage stageOutcome(const ImageReadResult& result);
    Stage loadPng16();
    Stage loadTiff16();
    bool loadGeneral();
    void warnCannotOpen() const;
    void readMap(const QVariantMap& map);
    void takeDisplayImage(QImage image);
    void takeBuffer16(int format);
    void convert16To8();
    void reduceWorkspace(int resolutionFactor);
    void logInit() const;

    QString filename_;
    bool valid_ = false;
    bool displayStale_ = true;
    QPixmap displayPixmap_;
    QPixmap workspacePixmap_;
    QImage displayImage_;
    QImage workspaceImage_;
    QList<QImage> retiredWorkspaces_;
    PixelView8 workspaceView_;
    PixelView8 view8_;
    PixelView16 view16_;
    PixelStore8 buffer8_;
    PixelStore16 buffer16_;
    int imageMaster_ = DisplayMaster;
    bool externalBuffer_ = false;
    int format_ = Format8;
    int fileType_ = NoFileType;
    int workspaceFactor_ = 0; // the factor the workspace copy was built for; 0 before
};

// The engine's record of a QImage: kind 0 for Format_Indexed8, 1 for
// Format_RGB32 and Format_ARGB32. The engine must not get other formats.
VkImage imageViewOf(const QImage& image);

#endif

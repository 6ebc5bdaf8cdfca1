// The project file: a whole piece of work (images, statuses, settings,
// patches and forced edges) in one data stream.
//
// The frame, big-endian, data-stream version 11 (Qt 4.5):
//   qint32   magic 0x08E11602
//   qint32   version, 11 when written; 8 to 11 are read
//   quint16  checksum of the document's source image (0 without one)
//   QVariant the model's map of values
// Nothing follows the map.
//
// Writing goes to a QSaveFile, committed only when every byte went out, so a
// full disk or a vanished folder never leaves a half-written project in
// place of a good one. Reading takes the whole file in (a file is mapped)
// and checks it before anything of the current document is touched: a
// damaged project is refused with the document intact and one message.
//
// QPolygonF and QPainterPath values travel inside the map; both functions
// register the painter path's stream operators before they stream.
// User-interface thread only.
#ifndef APP_FILES_PROJECT_FILE_H
#define APP_FILES_PROJECT_FILE_H

#include <QString>
#include <QVariant>
#include <QVariantMap>

class QIODevice;
class QSaveFile;
class ZtSourceImage;

namespace project_file {

constexpr qint32 Magic = 0x08E11602;
constexpr qint32 Version = 11;
constexpr qint32 OldestVersion = 8;

// "oztp", and the description of such files for the file dialogs.
QString extension();
QString description();

// Writes the frame and `content`; false when the device did not take every byte.
bool write(QIODevice& device, quint16 checksum, const QVariant& content);

// Writes into `file` (opened by the caller) and commits it; on failure the
// file is left as it was and the user is told why. Shows the wait cursor
// while it writes. Answers whether the project was saved.
bool save(QSaveFile& file, quint16 checksum, const QVariant& content);

// What was read, and why a file was refused.
struct ReadResult {
    enum Status { Read, NotAProject, UnsupportedVersion, Damaged };
    Status status = Damaged;
    qint32 version = 0;
    quint16 checksum = 0;
    QVariantMap content;
    // For a damaged file: what is wrong, for the log.
    QString problem;
};

// Reads the frame and the content and checks the content: the stream must
// hold all of it and is read without trusting a count in it
// (project_stream.h), every map must carry its required keys
// (project_keys.h) and every value must be one the program can take
// (project_values.h). Whatever the stream or a check throws refuses the
// file as damaged.
ReadResult read(QIODevice& device);

// Which image a project must belong to. In standalone mode any project
// loads; when a host or a control file gave the image, only a project saved
// from that same image does (same checksum).
struct ImageRule {
    bool mustMatch = false;
    // The document's source image; null when there is none (nothing matches).
    const ZtSourceImage* image = nullptr;
};

// Reads `device` (the project at `path`) and answers its content when the
// project can be loaded; otherwise tells the user why over the main window,
// titled with the product name, and answers an invalid QVariant. Nothing of
// the document is touched either way: the caller then closes the current
// image and hands the content to the model.
QVariant load(QIODevice& device, const QString& path, const ImageRule& rule);

} // namespace project_file

#endif

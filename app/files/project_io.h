// Saving the document as a project and loading a project into it: the two
// operations the file handler calls around the files it chooses and opens.
//
// Saving writes the model's whole map (images, statuses, settings, patches
// and forced edges) with the checksum of its source image. Loading reads and
// checks the whole project first; only a project that can be loaded closes
// the current document and is handed to the model, which rebuilds every
// patch and forced edge and starts the engine for it. A project refused for
// any reason (not a project, another version, damaged, or in the host modes
// made from another image) leaves the current document as it was.
// User-interface thread only.
#ifndef APP_FILES_PROJECT_IO_H
#define APP_FILES_PROJECT_IO_H

#include <QString>

class QIODevice;
class QSaveFile;

namespace project_io {

// Writes the document into `file` (opened by the caller) and commits it.
// A failure is reported to the user and answered false: the caller must not
// then record the document as saved.
bool saveProject(QSaveFile& file);

// Loads the project read from `file` (opened by the caller), whose path
// `path` the messages show. True when the model took the project; false when
// it was refused (the user has been told why) and nothing was touched.
bool loadProject(QIODevice& file, const QString& path);

} // namespace project_io

#endif

// The values a project may hold. A project whose keys are all there
// (project_keys.h) may still carry values that no run of the program wrote
// and that would harm it later: a status image of another size than the
// workspace (the marks outside the overlap lost), a status byte of no known
// class, images of a storage the program never writes or of two sizes (the
// cut-out could not be made), an edge-finding value outside its range (the
// analysis computes with it), a blending value that is no number, a shape
// of the wrong kind of value or without a point. Coordinates and the
// structure of paths are checked while the stream is read
// (project_stream.h); this checks the rest, before anything of the current
// document is touched.
//
// Accepted as they are, because the program reads them safely: status bytes
// with the cut-out's temporary marks (they are cleared before the statuses
// go to the engine), entries of an unknown target type (skipped), a colour
// of an unknown kind (its default is taken).
#ifndef APP_FILES_PROJECT_VALUES_H
#define APP_FILES_PROJECT_VALUES_H

#include <QString>
#include <QVariantMap>

namespace project_values {

// The first value of the model's map `content` (whose keys were checked)
// that the program cannot take, as a text that names where; empty when every
// value may be loaded. Decodes the images stored as PNG bytes to know them
// readable; throws only what running out of memory throws.
QString problem(const QVariantMap& content);

} // namespace project_values

#endif

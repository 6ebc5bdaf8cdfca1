// The keys every map of a project carries. A project lacking one of them was
// not written whole (or not by this program), and its values cannot be
// trusted: reading it would turn what is missing into zeros, an entry without
// its "type" into a rectangle patch. Only the keys that older projects may
// lack are left out here; their readers give them defaults:
//   source and working image   "imageMaster_", "format_"
//   blending options           "isChoices_", "choices1F_", "choices2F_",
//                              "isMembrane_", "membrane1F_", "isUniformBg_"
//   rectangle                  "snap_"
// Entries of the target list with a type this program does not know are
// skipped by the model, so only their "type" is required.
#ifndef APP_FILES_PROJECT_KEYS_H
#define APP_FILES_PROJECT_KEYS_H

#include <QString>
#include <QVariantMap>

namespace project_keys {

// The first required key the model's map `content` lacks, as a text that
// names where ("arrowTargetList[1].GmRegion.smeg_: no \"edos_\""), or an
// empty text when every required key is there.
QString missingKey(const QVariantMap& content);

} // namespace project_keys

#endif

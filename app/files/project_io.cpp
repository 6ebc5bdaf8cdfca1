#include "files/project_io.h"

#include "files/main_window_hooks.h"
#include "files/project_file.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"

#include <QSaveFile>

namespace project_io {

bool saveProject(QSaveFile& file) {
    GmModel* model = GmModel::instance();
    const ZtSourceImage* source = model->sourceImage();
    // An invalid image has the checksum 0.
    const quint16 checksum = source ? source->checksum() : 0;
    return project_file::save(file, checksum, model->toVariant());
}

bool loadProject(QIODevice& file, const QString& path) {
    GmModel* model = GmModel::instance();
    project_file::ImageRule rule;
    // A host's or a control file's image takes only a project made from it.
    rule.mustMatch = runMode() != StandaloneMode;
    rule.image = model->sourceImage();
    const QVariant content = project_file::load(file, path, rule);
    if (!content.isValid()) return false;
    model->closeImage();
    model->fromVariant(content);
    return true;
}

} // namespace project_io

#include "patch_tool_fixture.h"

#include "model/gm_model.h"

#include <QSettings>

void PatchToolFixture::SetUp() {
    ToolFixture::SetUp();
    QSettings().remove(QStringLiteral("ToolOptions"));
    engine_ = std::make_unique<CommandRecorder>();
    openImage(QSize(64, 48));
}

void PatchToolFixture::TearDown() {
    model()->clearPreviewRectangle();
    // Patches go with their end-session commands, which the recorder deletes.
    model()->deleteAllArrowTargets();
    engine_.reset();
    model()->setResolutionFactor(1);
    ToolFixture::TearDown();
}

GmModel* PatchToolFixture::model() {
    return GmModel::instance();
}

#include "option_panels_fixture.h"

#include "engine_bridge/vardek_command.h"
#include "model/blending_options.h"
#include "model/blending_stuff.h"
#include "model/edos.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "panels/pipette_hooks.h"

#include <QSettings>
#include <QWidget>

OptionPanelsFixture::OptionPanelsFixture() : prefs_(std::make_unique<ZtAppPrefs>()) {
    // An earlier test's preferences were written when they went.
    prefs_->setPersistOptions(false);
    QSettings settings;
    settings.remove(QStringLiteral("EdgeDetectionOptions"));
    settings.remove(QStringLiteral("BlendingOptions"));
    // The model outlives every test; its image records start afresh.
    imageBlending() = BlendingOptions();
    model()->imageSmeg()->edos().copyValues(EDOs());
    QObject::connect(&thread(), &VardekThread::commandStarted, &thread(),
                     [this](VardekCommand* command) { started_ << command->description(); });
}

OptionPanelsFixture::~OptionPanelsFixture() {
    setPipetteFactory(nullptr);
    QObject::disconnect(&thread(), &VardekThread::commandStarted, &thread(), nullptr);
}

BlendingOptions& OptionPanelsFixture::imageBlending() const {
    return model()->imageBlendage()->options();
}

RectRegion* OptionPanelsFixture::addPatch(const QRectF& area) {
    auto* patch = new RectRegion(area.topLeft());
    patch->rectangle()->dragCorner(area.bottomRight());
    patch->beginSubSession(nullptr);
    waitIdle();
    return patch;
}

bool enabledFlag(const QWidget* widget) {
    return !widget->testAttribute(Qt::WA_ForceDisabled);
}

#include "panels/blend_opts_widget.h"

#include "model/blending_options.h"
#include "model/blending_stuff.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/zt_app_prefs.h"

#include <QPainter>
#include <QStyleOption>
#include <QVBoxLayout>

BlendOptsWidget::BlendOptsWidget(bool isImage, QWidget* parent)
    : QWidget(parent), isImage_(isImage) {}

BlendOptsWidget::~BlendOptsWidget() = default;

void BlendOptsWidget::ensureBuilt() {
    if (layout()) return;
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    setLayout(column);
    buildForm(column);
    BlendingOptions* record = targetRecord();
    if (persistsControls())
        storeOptions(record);
    else
        loadOptions(record);
}

BlendingOptions* BlendOptsWidget::targetRecord() const {
    if (BlendingOptions* patch = activePatchRecord()) return patch;
    return imageRecord();
}

BlendingOptions* BlendOptsWidget::imageRecord() {
    return &GmModel::instance()->imageBlendage()->options();
}

BlendingOptions* BlendOptsWidget::activePatchRecord() {
    GmRegion* patch = GmModel::instance()->activeRegion();
    return patch ? &patch->blendage().options() : nullptr;
}

bool BlendOptsWidget::persistsControls() const {
    return isImage_ && ZtAppPrefs::instance() && ZtAppPrefs::instance()->persistOptions();
}

void BlendOptsWidget::paintEvent(QPaintEvent*) {
    // Style sheets reach the widget's background this way.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

#include "tools/select_tool.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vk_cmd_select.h"
#include "model/arrow_target.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"
#include "panels/persistent_widget.h"
#include "shell/services/whats_this_text.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>

SelectTool::SelectTool(int status, int scope, const QString& name, const QString& translatedName,
                       const QIcon& icon, const QString& shortcut, const QString& whatsThis,
                       QActionGroup* actionGroup, QWidget* actionWidget, QWidget* actionHolder,
                       QWidget* optionsParent)
    : BrushingTool(name, translatedName, icon, shortcut, whatsThis, actionGroup, actionWidget,
                   actionHolder, optionsParent),
      status_(status), scope_(scope) {
    addOptionsPage();
    // The base decided while this brush's own rule was not in place yet.
    setEnabledSlot();
}

SelectTool::~SelectTool() {
    restoreDeactivatedPatch();
}

QCheckBox* SelectTool::makeProtectBox(QWidget* parent, const QString& keyName,
                                      const QString& statusName, bool checkedByDefault) {
    auto* box = new PersistentWidget<QCheckBox, bool>(QStringLiteral("ToolOptions/") + name(),
                                                      keyName, checkedByDefault, true, parent);
    const QString tip = tr("Protect any existing %1 Mask").arg(statusName);
    box->setText(statusName);
    box->setToolTip(tip);
    box->setStatusTip(tip);
    box->setWhatsThis(tr("<p><b>Protect %1 Mask</b></p><p>Checking this prevents any existing "
                         "<b>%1 Mask</b> from being changed when using this brush.</p>")
                          .arg(statusName) +
                      learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Brush_Tools.htm")));
    return box;
}

QWidget* SelectTool::createOptionsWidget() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Protect Mask: "), row));
    protectKeep_ = makeProtectBox(row, QStringLiteral("Keep"), tr("Keep"), protectKeepDefault());
    protectDelete_ =
        makeProtectBox(row, QStringLiteral("Delete"), tr("Delete"), protectDeleteDefault());
    protectBlend_ =
        makeProtectBox(row, QStringLiteral("Blend"), tr("Blend"), protectBlendDefault());
    connect(protectKeep_, &QCheckBox::stateChanged, this, &SelectTool::protectKeepChangedSlot);
    connect(protectDelete_, &QCheckBox::stateChanged, this, &SelectTool::protectDeleteChangedSlot);
    connect(protectBlend_, &QCheckBox::stateChanged, this, &SelectTool::protectComplexChangedSlot);
    layout->addWidget(protectKeep_);
    layout->addWidget(protectDelete_);
    layout->addWidget(protectBlend_);
    return row;
}

Brushing* SelectTool::beginStroke(const QPointF& point) {
    GmModel* model = GmModel::instance();
    GmRegion* active = model->activeRegion();
    if (active && active->shape() && !active->shape()->contains(point)) {
        // Outside a patch analysed on its own, a local or global brush needs
        // the image's analysis: without it the brush could not be used once
        // the patch is let go, so the press is refused and the patch stays.
        if (needsSegmentation() && !segmentationReady(model->imageSmeg())) {
            QApplication::beep();
            return nullptr;
        }
        model->setActiveRegion(nullptr, 0);
        deactivatedPatch_ = active;
    }
    if (GmBrushing* existing = stroke())
        existing->brushing()->clear();
    else
        setStroke(new GmBrushing(strokeColour()));
    return stroke()->brushing();
}

void SelectTool::endStroke() {
    if (GmBrushing* painted = stroke()) {
        const QRectF bounds = painted->brushing()->boundingRect();
        if (bounds.width() > 0 && bounds.height() > 0)
            command_support::submit(new VkCmdSelect(GmModel::instance(), takeStroke(),
                                                    overwriteSet(), maskStatus(), scope(), 0));
        else
            deleteStroke();
    }
    restoreDeactivatedPatch();
}

void SelectTool::restoreDeactivatedPatch() {
    GmRegion* patch = deactivatedPatch_;
    deactivatedPatch_ = nullptr;
    // A patch the model let go of (deleted, or waiting for its session to
    // end) stays inactive.
    GmModel* model = GmModel::instance();
    if (patch && model->containsRegion(patch)) model->setActiveRegion(patch, 2);
}

GmRegion* SelectTool::deactivatedPatch() const {
    return deactivatedPatch_;
}

bool SelectTool::usesStrength() const {
    return scope_ != Exact;
}

bool SelectTool::mayOverwriteKeep() const {
    return !(protectKeep_ && protectKeep_->isChecked());
}

bool SelectTool::mayOverwriteDelete() const {
    return !(protectDelete_ && protectDelete_->isChecked());
}

bool SelectTool::mayOverwriteBlend() const {
    return !(protectBlend_ && protectBlend_->isChecked());
}

int SelectTool::overwriteSet() const {
    int set = 1;
    if (mayOverwriteKeep()) set |= 2;
    if (mayOverwriteDelete()) set |= 4;
    if (mayOverwriteBlend()) set |= 8;
    return set;
}

bool SelectTool::needsSegmentation() const {
    return scope_ != Exact;
}

bool SelectTool::protectKeepDefault() const {
    return false;
}

bool SelectTool::protectDeleteDefault() const {
    return false;
}

bool SelectTool::protectBlendDefault() const {
    return false;
}

bool SelectTool::segmentationReady(const SegmentationStuff* record) {
    return record && (record->hasSegmentation() || record->hasPendingAnalysis());
}

bool SelectTool::isAvailable() const {
    GmModel* model = GmModel::instance();
    if (!model->sourceImage()) return false;
    if (!needsSegmentation()) return true;
    GmRegion* active = model->activeRegion();
    return segmentationReady(active && active->smeg().isChecked() ? &active->smeg()
                                                                  : model->imageSmeg());
}

int SelectTool::targetDrawMode(const ArrowTarget* target) const {
    return target && target->isActive() ? 4 : 3;
}

void SelectTool::deactivate(GmTool* next) {
    BrushingTool::deactivate(next);
    restoreDeactivatedPatch();
}

void SelectTool::protectKeepChangedSlot(int) {}
void SelectTool::protectDeleteChangedSlot(int) {}
void SelectTool::protectComplexChangedSlot(int) {}

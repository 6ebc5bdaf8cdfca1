#include "panels/regional_properties.h"

#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/segmentation_stuff.h"
#include "panels/common_blend_opts_widget.h"
#include "panels/edge_detection_options.h"
#include "panels/region_blend_opts_widget.h"
#include "shell/panel_framework/view_tabs.h"
#include "shell/services/whats_this_text.h"
#include "workspace/canvas_hooks.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const kHelpPage = "4-Zeltran_Tools/Working_with_Regions.htm";

// The panel whose toggle the canvas's context menu offers.
QPointer<RegionalProperties> thePanel;

QAction* panelToggle() {
    return thePanel ? thePanel->toggleViewAction() : nullptr;
}

} // namespace

RegionalProperties::RegionalProperties(QWidget* actionHolder, const QString& shortcut,
                                       QWidget* parent)
    : GmSubWindow(QStringLiteral("Patch Properties"), tr("Patch Properties"), actionHolder,
                  shortcut, parent) {
    pages_ = new QStackedWidget;
    pages_->addWidget(buildNoPatchPage());
    pages_->addWidget(buildPatchPage());
    setWidget(pages_);

    GmModel* model = GmModel::instance();
    connect(protectBox_, &QCheckBox::clicked, this,
            &RegionalProperties::protectionCheckBoxClickedSlot);
    connect(analyseGroup_, &QGroupBox::clicked, this,
            &RegionalProperties::regSmegCheckBoxStateChangedSlot);
    connect(model, &GmModel::protectionChanged, this, &RegionalProperties::protectionChangedSlot);
    connect(model, &GmModel::activeRegionReady, this, &RegionalProperties::updateVisibilitySlot);
    connect(model, &GmModel::activeRegionChanged, this,
            &RegionalProperties::activeRegionChangedSlot);
    connect(model, &GmModel::imageBlendRatioChanged, standardBlending_,
            &CommonBlendOptsWidget::imageBlendRatioChangedSlot);
    connect(complexBlending_, &RegionBlendOptsWidget::enableStandardBlending, standardBlending_,
            &CommonBlendOptsWidget::enableStandardBlendingSlot);
    standardBlending_->ensureBuilt();
    complexBlending_->ensureBuilt();
    activeRegionChangedSlot(model->activeRegion());

    thePanel = this;
    canvasHooks().patchPropertiesToggle = &panelToggle;
}

RegionalProperties::~RegionalProperties() {
    if (thePanel == this) {
        thePanel = nullptr;
        canvasHooks().patchPropertiesToggle = nullptr;
    }
}

int RegionalProperties::enabledViewTabs() const {
    return ViewTabs::Workspace;
}

QWidget* RegionalProperties::buildNoPatchPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    row->addStretch();
    row->addWidget(new QLabel(tr("No Active Patch"), page));
    row->addStretch();
    return page;
}

QWidget* RegionalProperties::buildPatchPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    tabs_ = new QTabWidget(page);
    column->addWidget(tabs_);

    auto* edgeTab = new QWidget;
    auto* edgeColumn = new QVBoxLayout(edgeTab);
    analyseGroup_ = new QGroupBox(tr("Analyze Patch Separately"), edgeTab);
    analyseGroup_->setCheckable(true);
    analyseGroup_->setChecked(false);
    analyseGroup_->setToolTip(tr("Modify Edge Finding settings for this Patch"));
    analyseGroup_->setWhatsThis(
        tr("<p><b>Analyze Patch Separately</b></p><p>Applies a separate set of <b>Edge "
           "Finding</b> settings to a Patch&mdash;rather than those for the whole image.</p>",
           "[tip]") +
        learnMoreParagraph(QString::fromLatin1(kHelpPage)));
    auto* groupColumn = new QVBoxLayout(analyseGroup_);
    edgeOptions_ = new EdgeDetectionOptions(false, analyseGroup_);
    groupColumn->addWidget(edgeOptions_);
    edgeColumn->addWidget(analyseGroup_);
    edgeColumn->addStretch();
    tabs_->addTab(edgeTab, tr("Edge Finding", "[zt3]"));

    auto* blendTab = new QWidget;
    auto* blendColumn = new QVBoxLayout(blendTab);
    blendColumn->setSpacing(9);
    standardBlending_ = new CommonBlendOptsWidget(false, false, blendTab);
    complexBlending_ = new RegionBlendOptsWidget(blendTab);
    blendColumn->addWidget(standardBlending_);
    blendColumn->addWidget(complexBlending_);
    blendColumn->addStretch();
    tabs_->addTab(blendTab, tr("Edge Blending", "[zt3]"));

    protectBox_ = new QCheckBox(tr("Protect Patch"), page);
    protectBox_->setToolTip(tr("Check to prevent mask(s) being changed in this Patch"));
    protectBox_->setWhatsThis(
        tr("<p><b>Protect Patch</b></p><p>Check the Protect Patch check box to prevent any "
           "further masking in that Patch. To edit a protected Patch uncheck the check "
           "box.</p><p><b><i>Consider:</i></b> Turning on Protect Patch once you are satisfied "
           "with masking inside a Patch. Otherwise masking <b>Local</b> and <b>Global</b> masks "
           "outside the Patch will affect your mask selections in the Patch.</p>",
           "[tip]") +
        learnMoreParagraph(QString::fromLatin1(kHelpPage)));
    column->addWidget(protectBox_);
    return page;
}

void RegionalProperties::loadPatch(GmRegion* patch) {
    standardBlending_->loadOptions(&patch->blendage().options());
    complexBlending_->loadOptions(&patch->blendage().options());
    SegmentationStuff& record = patch->smeg();
    edgeOptions_->attachToRecord(&record);
    edgeOptions_->setOptions(&record.edos());
    analyseGroup_->setChecked(record.isChecked());
    protectBox_->setChecked(patch->isProtected());
}

bool RegionalProperties::canShowVectorEdges() const {
    return edgeOptions_ && edgeOptions_->canShowVectorEdges();
}

// ---------------------------------------------------------------------------
// Slots
// ---------------------------------------------------------------------------

void RegionalProperties::resolutionChangedSlot(int oldRes, int newRes) {
    edgeOptions_->resolutionChangedSlot(oldRes, newRes);
}

void RegionalProperties::updateVisibilitySlot() {
    setWantedVisible(!isClosed() && GmModel::instance()->activeRegion());
    updateVisibility();
}

void RegionalProperties::activeRegionChangedSlot(GmRegion* region) {
    if (!region) {
        pages_->setCurrentIndex(NoActivePatchPage);
        return;
    }
    pages_->setCurrentIndex(PatchPage);
    loadPatch(region);
}

void RegionalProperties::protectionChangedSlot(GmRegion* region) {
    if (region && region == GmModel::instance()->activeRegion()) loadPatch(region);
}

void RegionalProperties::regSmegCheckBoxStateChangedSlot() {
    GmModel* model = GmModel::instance();
    GmRegion* patch = model->activeRegion();
    SegmentationStuff* target = patch ? &patch->smeg() : model->imageSmeg();
    target->setChecked(analyseGroup_->isChecked());
    edgeOptions_->attachToRecord(target);
    edgeOptions_->setOptions(&target->edos());
    analyseGroup_->setChecked(target->isChecked());
    emit model->ownSmegStatusChanged(target->owner());
    if (target->isChecked()) edgeOptions_->applyValuesSlot();
    model->signalDirtyImageSlot(KeepPatchPreview);
}

void RegionalProperties::protectionCheckBoxClickedSlot(bool on) {
    if (GmRegion* patch = GmModel::instance()->activeRegion()) patch->setProtected(on);
}

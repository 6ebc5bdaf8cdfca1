#include "panels/region_blend_opts_widget.h"

#include "files/main_window_hooks.h"
#include "model/blending_options.h"
#include "model/gm_color.h"
#include "model/gm_model.h"
#include "panels/pipette_hooks.h"
#include "shell/services/prompt_service.h"
#include "shell/services/whats_this_text.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kHelpPage = "4-Zeltran_Tools/Working_with_Regions.htm";
constexpr int kSliderMost = 99;
// 1/99 as a single-precision constant: 99 steps reach exactly 1.
constexpr float kStep = 1.0f / 99.0f;

float sliderFraction(int value) {
    return float(value) * kStep;
}

int sliderOf(float fraction) {
    return qBound(0, int(fraction * float(kSliderMost) + 0.5f), kSliderMost);
}

} // namespace

RegionBlendOptsWidget::RegionBlendOptsWidget(QWidget* parent) : BlendOptsWidget(false, parent) {
    featherName_ = tr("Feather");
    keepPaletteName_ = tr("Keep Mask Color Palette Size");
    deletePaletteName_ = tr("Delete Mask Color Palette Size");
    smoothnessName_ = tr("Edge Smoothness");
    choicesName_ = tr("Complex Hair Blending");
    membraneName_ = tr("Complex Edge Blending");
}

RegionBlendOptsWidget::~RegionBlendOptsWidget() {
    for (const QPointer<QObject>& pipette : pipettes_)
        delete pipette.data();
}

// ---------------------------------------------------------------------------
// Form
// ---------------------------------------------------------------------------

void RegionBlendOptsWidget::buildForm(QBoxLayout* layout) {
    layout->addWidget(buildMembraneGroup());
    layout->addWidget(buildChoicesGroup());
    layout->addWidget(buildPreviewRow());
    buildOverrideGroup();
}

QSlider* RegionBlendOptsWidget::addSliderRow(QBoxLayout* column, const QString& left,
                                             const QString& right, const QString& toolTip) {
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    QWidget* owner = column->parentWidget();
    auto* slider = new QSlider(Qt::Horizontal, owner);
    slider->setRange(0, kSliderMost);
    slider->setSingleStep(1);
    slider->setToolTip(toolTip);
    row->addWidget(new QLabel(left, owner));
    row->addWidget(slider, 1);
    row->addWidget(new QLabel(right, owner));
    return slider;
}

QGroupBox* RegionBlendOptsWidget::buildMembraneGroup() {
    membraneGroup_ = new QGroupBox(membraneName_, this);
    membraneGroup_->setCheckable(true);
    membraneGroup_->setChecked(false);
    membraneGroup_->setToolTip(tr("Check to use %1").arg(membraneName_));
    membraneGroup_->setWhatsThis(
        tr("<p><b>%1</b></p><p>Should be used when there are many contrasting colors at an "
           "edge.</p><p>Normal <b>%2</b> performs badly when color changes are at right angles "
           "to the edge (absurd example = zebra stripes, a more normal one is for a head shot "
           "where the edge transitions from the collar to skin).</p><p>Increasing <b>%3</b> "
           "irons out large contrasts but loses edge detail (sharpness).</p>",
           "[tip]")
            .arg(membraneName_, tr("Edge Blending", "[zt3]"), smoothnessName_) +
        learnMoreParagraph(QString::fromLatin1(kHelpPage)));
    auto* column = new QVBoxLayout(membraneGroup_);
    smoothnessLabel_ = new QLabel(smoothnessName_, membraneGroup_);
    column->addWidget(smoothnessLabel_);
    smoothnessSlider_ = addSliderRow(column, tr("Sharp  "), tr("  Smooth"),
                                     tr("Adjust the smoothness for %1").arg(membraneName_));
    connect(membraneGroup_, &QGroupBox::clicked, this, &RegionBlendOptsWidget::membraneClickedSlot);
    connect(smoothnessSlider_, &QSlider::valueChanged, this,
            &RegionBlendOptsWidget::membrane1ChangedSlot);
    return membraneGroup_;
}

QGroupBox* RegionBlendOptsWidget::buildChoicesGroup() {
    choicesGroup_ = new QGroupBox(choicesName_, this);
    choicesGroup_->setCheckable(true);
    choicesGroup_->setChecked(false);
    choicesGroup_->setToolTip(tr("Check to use %1").arg(choicesName_));
    choicesGroup_->setWhatsThis(
        tr("<p><b>%1</b></p><p>To be used in areas normal blending doesn't work such as when "
           "hair is both lighter and darker than a background.</p><p>It works best against a "
           "clean background, and takes much longer to calculate than the other types of "
           "blending.</p><p><b>%2</b> and <b>%3</b> set how many colors are gathered from the "
           "Keep and the Delete masks: larger palettes follow more varied colors but take "
           "longer.</p><p>Select the masks carefully around the hair, and start with a small "
           "test area before using it on a larger one.</p>",
           "[tip]")
            .arg(choicesName_, keepPaletteName_, deletePaletteName_) +
        learnMoreParagraph(QString::fromLatin1(kHelpPage)));
    auto* column = new QVBoxLayout(choicesGroup_);
    const QString small = tr("Small") + QStringLiteral("  ");
    const QString large = QStringLiteral("  ") + tr("Large");
    keepLabel_ = new QLabel(keepPaletteName_, choicesGroup_);
    column->addWidget(keepLabel_);
    keepSlider_ =
        addSliderRow(column, small, large,
                     tr("Set the number of colors in keep palette of %1").arg(choicesName_));
    deleteLabel_ = new QLabel(deletePaletteName_, choicesGroup_);
    column->addWidget(deleteLabel_);
    deleteSlider_ =
        addSliderRow(column, small, large,
                     tr("Set the number of colors in delete palette of %1").arg(choicesName_));
    connect(choicesGroup_, &QGroupBox::clicked, this, &RegionBlendOptsWidget::choicesClickedSlot);
    connect(keepSlider_, &QSlider::valueChanged, this, &RegionBlendOptsWidget::choices1ChangedSlot);
    connect(deleteSlider_, &QSlider::valueChanged, this,
            &RegionBlendOptsWidget::choices2ChangedSlot);
    return choicesGroup_;
}

QWidget* RegionBlendOptsWidget::buildPreviewRow() {
    auto* rowWidget = new QWidget(this);
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch();
    previewButton_ = new QToolButton(rowWidget);
    previewButton_->setText(tr("Preview"));
    previewButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* preview = GmModel::instance()->previewPatchAction();
    previewButton_->setIcon(preview->icon());
    previewButton_->setToolTip(preview->toolTip());
    previewButton_->setWhatsThis(preview->whatsThis());
    connect(previewButton_, &QToolButton::clicked, preview, &QAction::trigger);
    row->addWidget(previewButton_);
    return rowWidget;
}

void RegionBlendOptsWidget::buildOverrideGroup() {
    // Never placed in the form: the override colours follow "Complex Edge
    // Blending" and the loaded record.
    overrideGroup_ = new QGroupBox(tr("Override Colors"));
    cleanupHandler().add(overrideGroup_);
    auto* grid = new QGridLayout(overrideGroup_);
    grid->setColumnStretch(0, 99);

    struct Side {
        QString boxText;
        QString editText;
        const char* pipetteName;
        QString pipetteText;
        QCheckBox** box;
        QAction** edit;
        void (RegionBlendOptsWidget::*checked)();
        void (RegionBlendOptsWidget::*clicked)();
        const char* pipetteColourSlot;
        const char* pipetteSelectedSlot;
    };
    const Side sides[] = {
        {tr("Use foreground override"), tr("Edit the foreground override color"),
         "Foreground Picker", tr("Pick the foreground override color"), &fgBox_, &fgEdit_,
         &RegionBlendOptsWidget::fgCheckedSlot, &RegionBlendOptsWidget::fgClickedSlot,
         SLOT(fgColourChangedByPipetteSlot(QColor)), SLOT(fgPipetteToolSelectedSlot(bool))},
        {tr("Use background override"), tr("Edit the background override color"),
         "Background Picker", tr("Pick the background override color"), &bgBox_, &bgEdit_,
         &RegionBlendOptsWidget::bgCheckedSlot, &RegionBlendOptsWidget::bgClickedSlot,
         SLOT(bgColourChangedByPipetteSlot(QColor)), SLOT(bgPipetteToolSelectedSlot(bool))}};
    int row = 0;
    for (const Side& side : sides) {
        auto* box = new QCheckBox(side.boxText, overrideGroup_);
        box->setToolTip(side.boxText);
        connect(box, &QCheckBox::stateChanged, this, side.checked);
        *side.box = box;
        grid->addWidget(box, row, 0);

        auto* bar = new QToolBar(overrideGroup_);
        auto* edit = new QAction(side.editText, bar);
        connect(edit, &QAction::triggered, this, side.clicked);
        bar->addAction(edit);
        *side.edit = edit;
        const Pipette pipette =
            createPipette(QString::fromLatin1(side.pipetteName), side.pipetteText);
        if (pipette.tool) {
            pipettes_ << pipette.tool;
            connect(pipette.tool, SIGNAL(pipetteToolColourSelected(QColor)), this,
                    side.pipetteColourSlot);
            connect(pipette.tool, SIGNAL(pipetteToolSelected(bool)), this,
                    side.pipetteSelectedSlot);
        }
        if (pipette.action) bar->addAction(pipette.action);
        grid->addWidget(bar, row, 1);
        ++row;
    }
}

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

void RegionBlendOptsWidget::syncGroups(const BlendingOptions& record) {
    membraneGroup_->setChecked(record.isMembrane_);
    choicesGroup_->setChecked(record.isChoices_);
    emit enableStandardBlending(!record.isMembrane_ && !record.isChoices_);
}

void RegionBlendOptsWidget::setSliderLabel(QLabel* label, const QString& name, int value) {
    label->setText(QStringLiteral("%1:    %2").arg(name).arg(value + 1));
}

void RegionBlendOptsWidget::loadOptions(BlendingOptions* record) {
    ensureBuilt();
    if (!record) return;
    syncGroups(*record);
    emit setFeather(record->feather_);
    choicesGroup_->setChecked(record->isChoices_);
    // Each slider shows its record value and writes it back snapped to a step.
    const struct {
        QSlider* slider;
        float fraction;
        void (RegionBlendOptsWidget::*changed)(int);
    } sliders[] = {
        {keepSlider_, record->choices1F_, &RegionBlendOptsWidget::choices1ChangedSlot},
        {deleteSlider_, record->choices2F_, &RegionBlendOptsWidget::choices2ChangedSlot},
        {smoothnessSlider_, record->membrane1F_, &RegionBlendOptsWidget::membrane1ChangedSlot}};
    for (const auto& s : sliders) {
        {
            const QSignalBlocker blocker(s.slider);
            s.slider->setValue(sliderOf(s.fraction));
        }
        (this->*s.changed)(s.slider->value());
    }
    membraneGroup_->setChecked(record->isMembrane_);
    {
        const QSignalBlocker fg(fgBox_);
        const QSignalBlocker bg(bgBox_);
        fgBox_->setChecked(record->fgChecked_);
        bgBox_->setChecked(record->bgChecked_);
    }
    bindColours(*record);
}

void RegionBlendOptsWidget::bindColours(BlendingOptions& record) {
    if (boundFg_)
        disconnect(boundFg_, &GmColor::colorChanged, this,
                   &RegionBlendOptsWidget::fgColourChangedByColorPickerSlot);
    if (boundBg_)
        disconnect(boundBg_, &GmColor::colorChanged, this,
                   &RegionBlendOptsWidget::bgColourChangedByColorPickerSlot);
    boundFg_ = &record.fgOverride();
    boundBg_ = &record.bgOverride();
    connect(boundFg_, &GmColor::colorChanged, this,
            &RegionBlendOptsWidget::fgColourChangedByColorPickerSlot);
    connect(boundBg_, &GmColor::colorChanged, this,
            &RegionBlendOptsWidget::bgColourChangedByColorPickerSlot);
    fgEdit_->setIcon(boundFg_->changeAction()->icon());
    bgEdit_->setIcon(boundBg_->changeAction()->icon());
}

void RegionBlendOptsWidget::storeOptions(BlendingOptions* record) {
    if (!record || !membraneGroup_) return;
    record->fgChecked_ = fgBox_->isChecked();
    record->bgChecked_ = bgBox_->isChecked();
    record->isChoices_ = choicesGroup_->isChecked();
    record->choices1F_ = sliderFraction(keepSlider_->value());
    record->choices2F_ = sliderFraction(deleteSlider_->value());
    record->isMembrane_ = membraneGroup_->isChecked();
    record->membrane1F_ = sliderFraction(smoothnessSlider_->value());
}

// ---------------------------------------------------------------------------
// Speed warning
// ---------------------------------------------------------------------------

QString RegionBlendOptsWidget::speedWarningKey(const QString& name) {
    return QStringLiteral("BlendingOptions/") + name + QStringLiteral("SpeedWarning");
}

void RegionBlendOptsWidget::speedWarning(const QString& name) {
    const QString key = speedWarningKey(name);
    if (!QSettings().value(key, true).toBool()) return;
    bool dontTellAgain = false;
    promptService()->messageWithCheckBox(
        dialogParent(), PromptService::Kind::Information, name,
        tr("<p>%1 is much slower than the other types of blending.</p><p>We suggest working with "
           "the other types first and only use %1 locally where the quality of the mask is "
           "poor.</p>")
            .arg(name),
        tr("Don't tell me again."), &dontTellAgain, PromptService::Ok);
    QSettings().setValue(key, !dontTellAgain);
}

// ---------------------------------------------------------------------------
// Slots
// ---------------------------------------------------------------------------

void RegionBlendOptsWidget::featherChangedSlot(int feather) {
    if (BlendingOptions* record = targetRecord()) record->feather_ = feather;
}

void RegionBlendOptsWidget::choicesClickedSlot(bool on) {
    if (BlendingOptions* record = targetRecord()) {
        record->isChoices_ = on;
        if (on) record->isMembrane_ = false;
    }
    if (on) speedWarning(choicesName_);
    // The warning waited for the user; the record is looked up again.
    if (BlendingOptions* record = targetRecord()) syncGroups(*record);
}

void RegionBlendOptsWidget::membraneClickedSlot(bool on) {
    BlendingOptions* record = targetRecord();
    if (!record) return;
    record->isMembrane_ = on;
    if (on) record->isChoices_ = false;
    syncGroups(*record);
    record->fgChecked_ = on;
    record->bgChecked_ = on;
}

void RegionBlendOptsWidget::choices1ChangedSlot(int value) {
    setSliderLabel(keepLabel_, keepPaletteName_, value);
    if (BlendingOptions* record = targetRecord()) record->choices1F_ = sliderFraction(value);
}

void RegionBlendOptsWidget::choices2ChangedSlot(int value) {
    setSliderLabel(deleteLabel_, deletePaletteName_, value);
    if (BlendingOptions* record = targetRecord()) record->choices2F_ = sliderFraction(value);
}

void RegionBlendOptsWidget::membrane1ChangedSlot(int value) {
    setSliderLabel(smoothnessLabel_, smoothnessName_, value);
    if (BlendingOptions* record = targetRecord()) record->membrane1F_ = sliderFraction(value);
}

void RegionBlendOptsWidget::uniformBgClickedSlot(bool on) {
    if (BlendingOptions* record = targetRecord()) record->isUniformBg_ = on;
}

void RegionBlendOptsWidget::fgClickedSlot() {
    if (boundFg_) boundFg_->changeAction()->trigger();
}

void RegionBlendOptsWidget::bgClickedSlot() {
    if (boundBg_) boundBg_->changeAction()->trigger();
}

void RegionBlendOptsWidget::fgCheckedSlot() {
    if (BlendingOptions* record = targetRecord()) record->fgChecked_ = fgBox_->isChecked();
}

void RegionBlendOptsWidget::bgCheckedSlot() {
    if (BlendingOptions* record = targetRecord()) record->bgChecked_ = bgBox_->isChecked();
}

void RegionBlendOptsWidget::fgColourChangedByPipetteSlot(QColor colour) {
    BlendingOptions* record = targetRecord();
    if (!record) return;
    record->fgOverride().setColor(colour);
    fgEdit_->setIcon(record->fgOverride().changeAction()->icon());
    fgBox_->setChecked(true);
}

void RegionBlendOptsWidget::bgColourChangedByPipetteSlot(QColor colour) {
    BlendingOptions* record = targetRecord();
    if (!record) return;
    record->bgOverride().setColor(colour);
    bgEdit_->setIcon(record->bgOverride().changeAction()->icon());
    bgBox_->setChecked(true);
}

void RegionBlendOptsWidget::fgColourChangedByColorPickerSlot(QColor) {
    if (boundFg_) fgEdit_->setIcon(boundFg_->changeAction()->icon());
    fgBox_->setChecked(true);
}

void RegionBlendOptsWidget::bgColourChangedByColorPickerSlot(QColor) {
    if (boundBg_) bgEdit_->setIcon(boundBg_->changeAction()->icon());
    bgBox_->setChecked(true);
}

void RegionBlendOptsWidget::fgPipetteToolSelectedSlot(bool) {}

void RegionBlendOptsWidget::bgPipetteToolSelectedSlot(bool) {}

#include "panels/common_blend_opts_widget.h"

#include "model/blending_options.h"
#include "model/blending_stuff.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "files/zt_source_image.h"
#include "shell/services/shell_functions.h"
#include "shell/services/whats_this_text.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace {

const char* const kGroup = "BlendingOptions";
const char* const kHelpPage = "4-Zeltran_Tools/Rendering_Options.htm";
constexpr float kWidths[] = {0.0f, 0.15f, 0.75f, 1.5f};
constexpr int kWidthCount = 4;
const char* const kRatioLabels[] = {"5:0", "4:1", "3:1", "2:1", "1:1", "1:2", "1:3", "1:4", "0:5"};
constexpr int kLastStep = 8;

// Set while the image's widget changes the image's ratio, so that a patch
// widget reacting to it does not take the change for the user's.
bool imageRatioUpdating = false;

} // namespace

CommonBlendOptsWidget::CommonBlendOptsWidget(bool isImage, bool editsImage, QWidget* parent)
    : BlendOptsWidget(isImage, parent), editsImage_(editsImage) {
    widthNames_ = QStringList{tr("None"), tr("Thin"), tr("Medium"), tr("Thick")};
    setEnabled(false);
    connect(GmModel::instance(), &GmModel::tellImageChanged, this,
            &CommonBlendOptsWidget::imageChangedSlot);
    ensureBuilt();
}

CommonBlendOptsWidget::~CommonBlendOptsWidget() {
    // The preference in force now decides whether the controls are written.
    refreshPersistFlags();
}

void CommonBlendOptsWidget::refreshPersistFlags() {
    if (!widthBox_) return;
    widthBox_->setPersist(persistsControls());
    ratioSlider_->setPersist(persistsControls());
}

float CommonBlendOptsWidget::widthValue(BlendWidths width) {
    return kWidths[qBound(0, int(width), kWidthCount - 1)];
}

float CommonBlendOptsWidget::ratioOfStep(int step) {
    return 1.0f - float(step) / float(kLastStep);
}

QString CommonBlendOptsWidget::ratioLabel(int step) {
    return QString::fromLatin1(kRatioLabels[qBound(0, step, kLastStep)]);
}

BlendingOptions* CommonBlendOptsWidget::targetRecord() const {
    return editsImage_ ? imageRecord() : BlendOptsWidget::targetRecord();
}

// ---------------------------------------------------------------------------
// Form
// ---------------------------------------------------------------------------

void CommonBlendOptsWidget::buildForm(QBoxLayout* layout) {
    layout->addWidget(buildWidthRow());
    buildRatioGroup();
    layout->addWidget(ratioGroup_);
}

QWidget* CommonBlendOptsWidget::buildWidthRow() {
    const QString name = tr("Blend Mask Width");
    widthRow_ = new QWidget(this);
    widthRow_->setToolTip(tr("Thickness of automatically created blend mask"));
    widthRow_->setWhatsThis(
        QStringLiteral("<p><b>%1&mdash;%2</b></p>%3")
            .arg(tr("Edge Blending", "[zt3]"), name, QString()) +
        tr("<p>Determines the thickness of the blend mask automatically created whenever a "
           "masking operation results in a border between a Keep and a Delete mask.</p>",
           "[tip]") +
        tr("<p>Use the drop down menu to select one of the following options:</p><ul><li><b>None"
           "</b>: No blend mask will be applied.</li><li><b>Thin</b>: A narrow blend mask, for "
           "sharp, well-defined edges.</li><li><b>Medium</b>: A blend mask of moderate width, "
           "suitable for most edges.</li><li><b>Thick</b>: A wide blend mask, for soft or "
           "out-of-focus edges.</li></ul><p><b><i>Consider:</i></b> A thicker blend mask where "
           "edges are noisy or fuzzy, and a thinner one (or none) where they are clean and "
           "crisp.</p>",
           "[tip]") +
        learnMoreParagraph(QString::fromLatin1(kHelpPage)));
    auto* row = new QHBoxLayout(widthRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(name + QStringLiteral(": "), widthRow_));
    widthBox_ = new PersistentWidget<QComboBox, QString>(
        QString::fromLatin1(kGroup), QStringLiteral("Blend Mask Width"), widthNames_.at(Thin),
        persistsControls(), widthRow_);
    row->addWidget(widthBox_);

    // The persistent box put the stored name first; the four names replace it.
    const QString stored = widthBox_->currentText();
    const int storedIndex = widthBox_->findText(stored, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (storedIndex >= 0) widthBox_->removeItem(storedIndex);
    for (int i = 0; i < kWidthCount; ++i)
        widthBox_->addItem(widthNames_.at(i), i);
    // A name of another language (or an edited file) falls back to the
    // default rather than to no blend mask at all.
    const int index = widthNames_.indexOf(stored);
    widthBox_->setCurrentIndex(index >= 0 ? index : int(Thin));
    connect(widthBox_, QOverload<int>::of(&QComboBox::activated), this,
            &CommonBlendOptsWidget::autoBlueWidthChangedSlot);
    return widthRow_;
}

void CommonBlendOptsWidget::buildRatioGroup() {
    const QString name = tr("Intelligent Blending");
    ratioGroup_ = new QGroupBox(this);
    ratioGroup_->setToolTip(tr("Ratio of Feather and Smart blending across the edge"));
    ratioGroup_->setWhatsThis(
        QStringLiteral("<p><b>%1&mdash;%2</b></p>").arg(tr("Edge Blending", "[zt3]"), name) +
        tr("<p>%1 has two methods for blending the edges along the cut-out border:</p><ul><li>"
           "<b>Feather</b> blending fades the edge smoothly from the foreground into the "
           "background.</li><li><b>Smart</b> blending works out the colors of the foreground "
           "and of the background across the edge, so that the background's color leaves the "
           "edge.</li></ul><p>Move the slider to mix the two: all the way left for Feather "
           "blending alone, all the way right for Smart blending alone.</p><p>Feather blending "
           "is the better choice where the foreground and the background have similar colors, "
           "or where the edge is noisy.</p>",
           "[tip]")
            .arg(productName()) +
        tr("<p>You can <b><i>localize your blending</i></b> using <b>Patches</b> and the "
           "settings in the Edge Blending tab of <b>Patch Properties</b>.</p>",
           "[tip]") +
        learnMoreParagraph(QString::fromLatin1(kHelpPage)));
    auto* column = new QVBoxLayout(ratioGroup_);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    row->addWidget(new QLabel(tr("Feather  "), ratioGroup_));
    ratioSlider_ = new PersistentWidget<QSlider, int>(QString::fromLatin1(kGroup),
                                                      QStringLiteral("Intelligent Blending"), 0,
                                                      persistsControls(), ratioGroup_);
    ratioSlider_->setOrientation(Qt::Horizontal);
    ratioSlider_->setRange(0, kLastStep);
    ratioSlider_->setSingleStep(1);
    ratioSlider_->setPageStep(1);
    ratioSlider_->setTickPosition(QSlider::TicksBelow);
    row->addWidget(ratioSlider_, 1);
    row->addWidget(new QLabel(tr("  Smart"), ratioGroup_));
    ratioGroup_->setTitle(QStringLiteral("%1:    %2").arg(name, ratioLabel(ratioSlider_->value())));
    connect(ratioSlider_, &QSlider::valueChanged, this,
            &CommonBlendOptsWidget::blendRatioChangedBySliderSlot);

    lockBox_ = new QCheckBox(tr("Use setting from entire image"));
    lockBox_->setToolTip(tr("Lock Patch %1 to whole image Intelligent Blending").arg(name));
    connect(lockBox_, &QCheckBox::clicked, this,
            &CommonBlendOptsWidget::useBlendRatioFromImageSlot);
    if (editsImage_) {
        // The image has nothing to follow; the box exists but is never shown.
        cleanupHandler().add(lockBox_);
        return;
    }
    auto* lockRow = new QHBoxLayout;
    column->addLayout(lockRow);
    lockRow->addStretch();
    lockBox_->setParent(ratioGroup_);
    lockRow->addWidget(lockBox_);
    lockRow->addStretch();
}

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

void CommonBlendOptsWidget::loadOptions(BlendingOptions* record) {
    ensureBuilt();
    if (!record) return;
    const bool wasLoading = loading_;
    loading_ = true;

    int nearest = 0;
    float distance = 9999.0f;
    for (int i = 0; i < kWidthCount; ++i) {
        const float d = std::fabs(kWidths[i] - record->autoBlueWidthF_);
        if (d < distance) {
            distance = d;
            nearest = i;
        }
    }
    widthBox_->setCurrentIndex(nearest);
    record->autoBlueWidthF_ = kWidths[nearest];

    const int step =
        qBound(0, int(float(kLastStep) * (1.0f - record->blendRatioF_) + 0.5f), kLastStep);
    ratioSlider_->setValue(step);
    lockBox_->setChecked(record->isPatchBlendRatioTrackingImage_);
    updateRatio(step);

    loading_ = wasLoading;
}

void CommonBlendOptsWidget::storeOptions(BlendingOptions* record) {
    if (!record || !widthBox_) return;
    record->autoBlueWidthF_ = kWidths[qBound(0, widthBox_->currentData().toInt(), kWidthCount - 1)];
    record->blendRatioF_ = ratioOfStep(ratioSlider_->value());
    record->isPatchBlendRatioTrackingImage_ = lockBox_->isChecked();
}

void CommonBlendOptsWidget::updateRatio(int step) {
    ratioGroup_->setTitle(
        QStringLiteral("%1:    %2").arg(tr("Intelligent Blending"), ratioLabel(step)));
    const float ratio = ratioOfStep(step);
    if (editsImage_) {
        imageRecord()->blendRatioF_ = ratio;
        emit GmModel::instance()->imageBlendRatioChanged(ratio);
    } else if (BlendingOptions* record = targetRecord()) {
        record->blendRatioF_ = ratio;
    }
}

// ---------------------------------------------------------------------------
// Slots
// ---------------------------------------------------------------------------

void CommonBlendOptsWidget::setAutoBlueWidthToChoice(CommonBlendOptsWidget::BlendWidths w) {
    autoBlueWidthChangedSlot(int(w));
}

void CommonBlendOptsWidget::setBinaryBlendRatio(bool soften) {
    blendRatioChangedBySliderSlot(soften ? 0 : kLastStep);
}

void CommonBlendOptsWidget::autoBlueWidthChangedSlot(int index) {
    if (index < 0 || index >= kWidthCount) return;
    if (BlendingOptions* record = targetRecord()) record->autoBlueWidthF_ = kWidths[index];
}

void CommonBlendOptsWidget::blendRatioChangedBySliderSlot(int step) {
    step = qBound(0, step, kLastStep);
    if (editsImage_) {
        const bool was = imageRatioUpdating;
        imageRatioUpdating = true;
        updateRatio(step);
        imageRatioUpdating = was;
        return;
    }
    updateRatio(step);
    if (!imageRatioUpdating && !loading_ && lockBox_->isChecked()) {
        // The user set the patch's own ratio: it stops following the image's,
        // or the next change of the image's ratio would overwrite it.
        lockBox_->setChecked(false);
        if (BlendingOptions* record = targetRecord())
            record->isPatchBlendRatioTrackingImage_ = false;
    }
}

void CommonBlendOptsWidget::useBlendRatioFromImageSlot(bool on) {
    BlendingOptions* record = targetRecord();
    if (!record) return;
    if (on) record->blendRatioF_ = imageRecord()->blendRatioF_;
    record->isPatchBlendRatioTrackingImage_ = on;
    loadOptions(record);
}

void CommonBlendOptsWidget::imageBlendRatioChangedSlot(float value) {
    for (ArrowTarget* target : GmModel::instance()->regions()) {
        GmRegion* patch = target->asRegion();
        if (patch && patch->blendage().options().isPatchBlendRatioTrackingImage_)
            patch->blendage().options().blendRatioF_ = value;
    }
    loadOptions(targetRecord());
}

void CommonBlendOptsWidget::enableStandardBlendingSlot(bool enable) {
    ratioGroup_->setEnabled(enable);
}

void CommonBlendOptsWidget::imageChangedSlot(const ZtSourceImage* image) {
    setEnabled(image != nullptr);
    // The patch page stays on the active patch (a new resolution reopens the
    // session with the patch still active); only the image's widget shows
    // the image's record.
    loadOptions(targetRecord());
}

#include "panels/edge_detection_options.h"

#include "files/zt_source_image.h"
#include "model/edos.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/segmentation_stuff.h"
#include "model/zt_app_prefs.h"
#include "panels/double_arrow_icon.h"
#include "panels/tool_palette_button.h"
#include "shell/services/shell_functions.h"
#include "shell/services/whats_this_text.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyleOption>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kGroup = "EdgeDetectionOptions";
const char* const kHelpPage = "4-Zeltran_Tools/Edge_Detection.htm";
constexpr int kLeastWidth = 1;
constexpr int kMostWidth = 32;
constexpr int kLeastSensitivity = 1;
constexpr int kMostSensitivity = 100;
// Shown when nothing is stored (the records' own defaults differ: 3 and 50).
constexpr int kStoredWidthDefault = 8;
constexpr int kStoredSensitivityDefault = 10;

bool persistOptions() {
    return ZtAppPrefs::instance() && ZtAppPrefs::instance()->persistOptions();
}

QString learnMore() {
    return learnMoreParagraph(QString::fromLatin1(kHelpPage));
}

QString considerParagraph() {
    return EdgeDetectionOptions::tr(
        "<p><b><i>Consider:</i></b> Saving your settings from one image to the next for similar "
        "images (e.g., for a photo shoot using the same background and camera settings) by "
        "changing the settings in <b>Workspace Settings</b> in the <b>&lsquo;Edit&rsquo;</b> "
        "menu at the top of the screen.</p>",
        "[tip]");
}

QString titleParagraph(const QString& name) {
    return QStringLiteral("<p><b>") + EdgeDetectionOptions::tr("Edge Finding", "[zt3]") +
           QStringLiteral("&mdash;") + name + QStringLiteral("</b></p>");
}

QToolButton* makeButton(const QString& text, const QString& toolTip, const QString& whatsThis,
                        QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(toolTip);
    button->setWhatsThis(whatsThis);
    button->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    return button;
}

} // namespace

EdgeDetectionOptions::EdgeDetectionOptions(bool isImage, QWidget* parent)
    : QWidget(parent), isImage_(isImage) {
    buildControls();
    GmModel* model = GmModel::instance();
    attachToRecord(model->imageSmeg());
    if (isImage_ && persistOptions())
        copyControlsIntoRecord();
    else
        setOptions(&model->imageSmeg()->edos());
    setEnablednessOfButtons();

    connect(model, &GmModel::resolutionChanged, this, &EdgeDetectionOptions::resolutionChangedSlot);
    connect(model, &GmModel::tellImageChanged, this, &EdgeDetectionOptions::imageChangedSlot);
    connect(model, &GmModel::sessionHasBegun, this, &EdgeDetectionOptions::sessionHasBegunSlot);
    connect(model, &GmModel::activeRegionChanged, this,
            &EdgeDetectionOptions::activeRegionChangedSlot);
    connect(model, &GmModel::ownSmegStatusChanged, this,
            &EdgeDetectionOptions::activeRegionChangedSlot);
}

EdgeDetectionOptions::~EdgeDetectionOptions() {
    // The preference in force now decides whether the controls are written.
    refreshPersistFlags();
}

QAbstractButton* EdgeDetectionOptions::advancedButton() const {
    return advancedButton_;
}

void EdgeDetectionOptions::refreshPersistFlags() {
    const bool persist = isImage_ && persistOptions();
    widthSlider_->setPersist(persist);
    sensitivitySlider_->setPersist(persist);
    for (int id = 0; id < 3; ++id) {
        contrastRadios_[id]->setPersist(persist);
        textureRadios_[id]->setPersist(persist);
    }
}

// ---------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------

void EdgeDetectionOptions::buildControls() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(buildWidthGroup());
    column->addWidget(buildSensitivityGroup());

    const QString contrastGroup = QString::fromLatin1(kGroup) + QStringLiteral("/Edge Contrast");
    const RadioSpec contrast[3] = {
        {QT_TR_NOOP("High"), tr("Find only high contrasting edges"), false},
        {QT_TR_NOOP("Medium"), tr("Find normal or greater contrasting edges"), true},
        {QT_TR_NOOP("Low"), tr("Find low contrasting edges"), false}};
    contrastButtons_ = new QButtonGroup(this);
    contrastGroupBox_ = buildRadioGroup(contrastGroup, tr("Edge Contrast", "[zt3]"), contrast,
                                        contrastButtons_, contrastRadios_);
    contrastGroupBox_->setWhatsThis(
        titleParagraph(tr("Edge Contrast", "[zt3]")) +
        tr("<p>Sets the minimum color difference required to identify an edge.</p><p>Choose "
           "<b>Low</b> contrast to find edges between areas of similar color.</p><p>Choose "
           "<b>Medium</b> or <b>High</b> contrast when there is a clear distinction between the "
           "foreground and background colors.</p>",
           "[tip]") +
        learnMore());
    column->addWidget(contrastGroupBox_);

    const QString textureGroup = QString::fromLatin1(kGroup) + QStringLiteral("/Filtering");
    const RadioSpec texture[3] = {
        {QT_TR_NOOP("Coarse"), tr("Find only large variations in texture"), false},
        {QT_TR_NOOP("Medium"), tr("Find moderate variations in texture"), true},
        {QT_TR_NOOP("Fine"), tr("Find small variations in texture"), false}};
    textureButtons_ = new QButtonGroup(this);
    textureGroupBox_ = buildRadioGroup(textureGroup, tr("Filter-out Texture", "[zt3]"), texture,
                                       textureButtons_, textureRadios_);
    textureGroupBox_->setWhatsThis(
        titleParagraph(tr("Filter-out Texture", "[zt3]")) +
        tr("<p>Sets texture recognition.</p>Choose <b>Fine</b> to treat each object within a "
           "textured area separately; e.g., cutting out leaves against the sky. Choose "
           "<b>Coarse</b> to treat textured areas as a single area; e.g., classifying an area "
           "of grass as a single object with one edge, rather than blades of grass as single "
           "objects.</p><p>These options rarely need to be altered for normal images but are "
           "very useful in certain circumstances.</p>",
           "[tip]") +
        learnMore());
    column->addWidget(textureGroupBox_);
    contrastGroupBox_->hide();
    textureGroupBox_->hide();

    column->addWidget(buildButtonRow());

    // Each control writes its value through its change slot; the widget's
    // signals push values into the controls.
    connect(widthSlider_, &QSlider::valueChanged, widthBox_, &QSpinBox::setValue);
    connect(widthBox_, QOverload<int>::of(&QSpinBox::valueChanged), widthSlider_,
            &QSlider::setValue);
    connect(widthSlider_, &QSlider::valueChanged, this, &EdgeDetectionOptions::widthChangedSlot);
    connect(sensitivitySlider_, &QSlider::valueChanged, this,
            &EdgeDetectionOptions::sensitivityChangedSlot);
    connect(contrastButtons_, &QButtonGroup::idClicked, this,
            &EdgeDetectionOptions::contrastChanged);
    connect(textureButtons_, &QButtonGroup::idClicked, this,
            &EdgeDetectionOptions::textureFilterChanged);
    connect(this, &EdgeDetectionOptions::setSensitivity, sensitivitySlider_, &QSlider::setValue);
    connect(this, &EdgeDetectionOptions::setWidth, widthSlider_, &QSlider::setValue);
    connect(this, &EdgeDetectionOptions::setEdgeContrastHigh, contrastRadios_[2],
            &QRadioButton::setChecked);
    connect(this, &EdgeDetectionOptions::setEdgeContrastMedium, contrastRadios_[1],
            &QRadioButton::setChecked);
    connect(this, &EdgeDetectionOptions::setEdgeContrastLow, contrastRadios_[0],
            &QRadioButton::setChecked);
    connect(this, &EdgeDetectionOptions::setTextureFilterCoarse, textureRadios_[2],
            &QRadioButton::setChecked);
    connect(this, &EdgeDetectionOptions::setTextureFilterMedium, textureRadios_[1],
            &QRadioButton::setChecked);
    connect(this, &EdgeDetectionOptions::setTextureFilterFine, textureRadios_[0],
            &QRadioButton::setChecked);
    connect(defaultsButton_, &QToolButton::clicked, this, &EdgeDetectionOptions::setDefaultsSlot);
    connect(revertButton_, &QToolButton::clicked, this, &EdgeDetectionOptions::revertValuesSlot);
    connect(applyButton_, &QToolButton::clicked, this, &EdgeDetectionOptions::applyValuesSlot);
    connect(advancedButton_, &QToolButton::clicked, this, &EdgeDetectionOptions::toggleAdvanced);
}

QGroupBox* EdgeDetectionOptions::buildWidthGroup() {
    const QString name = tr("Edge Width Threshold", "[zt3]");
    auto* group = new QGroupBox(name, this);
    group->setToolTip(tr("Find edges of minimum width (pixels)"));
    group->setWhatsThis(
        titleParagraph(name) +
        tr("<p>Sets the minimum width in pixels of a color or texture transition that %1 will "
           "recognize as an edge.</p><p>If you set a small threshold, %1 will find many "
           "in-focus and sharp edges; if you set a larger threshold, %1 will find fewer but "
           "broader edges such as found with out-of-focus edges.</p>",
           "[tip]")
            .arg(productName()) +
        considerParagraph() + learnMore());
    auto* row = new QHBoxLayout(group);
    widthSlider_ = new PersistentWidget<QSlider, int>(
        QString::fromLatin1(kGroup), QStringLiteral("Edge Width Threshold"), kStoredWidthDefault,
        isImage_ && persistOptions(), group);
    widthSlider_->setOrientation(Qt::Horizontal);
    widthSlider_->setRange(kLeastWidth, kMostWidth);
    widthBox_ = new QSpinBox(group);
    widthBox_->setSuffix(QStringLiteral("px"));
    widthBox_->setRange(kLeastWidth, kMostWidth);
    widthBox_->setValue(widthSlider_->value());
    row->addWidget(widthSlider_, 1);
    row->addWidget(widthBox_);
    return group;
}

QGroupBox* EdgeDetectionOptions::buildSensitivityGroup() {
    auto* group = new QGroupBox(this);
    sensitivityGroup_ = group;
    group->setToolTip(tr("How finely the image is to be divided"));
    group->setWhatsThis(
        titleParagraph(tr("Number of Edges", "[zt3]")) +
        tr("<p>Sets how finely %1 divides an image into objects. The higher the setting, the "
           "more objects %1 will identify.</p><p>When working with fine detail such as tree "
           "leaves and branches, move the slider all the way to the right&mdash;this is the "
           "best setting for finding this kind of object. Note that the <b>%2</b> check box at "
           "the bottom of the screen has been turned off at this setting, because showing such "
           "fine objects is no longer useful.</p>",
           "[tip]")
            .arg(productName(), tr("Show Object Edges", "[zt3]")) +
        considerParagraph() + learnMore());
    auto* row = new QHBoxLayout(group);
    sensitivitySlider_ = new PersistentWidget<QSlider, int>(
        QString::fromLatin1(kGroup), QStringLiteral("Number of Edges"), kStoredSensitivityDefault,
        isImage_ && persistOptions(), group);
    sensitivitySlider_->setOrientation(Qt::Horizontal);
    sensitivitySlider_->setRange(kLeastSensitivity, kMostSensitivity);
    row->addWidget(new QLabel(tr("Fewer  "), group));
    row->addWidget(sensitivitySlider_, 1);
    row->addWidget(new QLabel(tr("  More"), group));
    setSensitivityTitle(sensitivitySlider_->value());
    return group;
}

QGroupBox*
EdgeDetectionOptions::buildRadioGroup(const QString& settingsGroup, const QString& title,
                                      const RadioSpec (&specs)[3], QButtonGroup* buttons,
                                      PersistentWidget<QRadioButton, bool>* (&radios)[3]) {
    auto* group = new QGroupBox(title, this);
    group->setFlat(true);
    auto* row = new QHBoxLayout(group);
    for (int i = 0; i < 3; ++i) {
        const int id = 2 - i;
        const QString keyName = QString::fromLatin1(specs[i].keyName);
        auto* radio = new PersistentWidget<QRadioButton, bool>(
            settingsGroup, keyName, specs[i].checkedByDefault, isImage_ && persistOptions(), group);
        radio->setText(tr(specs[i].keyName));
        radio->setToolTip(specs[i].toolTip);
        buttons->addButton(radio, id);
        radios[id] = radio;
        row->addWidget(radio);
    }
    return group;
}

QWidget* EdgeDetectionOptions::buildButtonRow() {
    auto* rowWidget = new QWidget(this);
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);
    const QString title = tr("Edge Finding", "[zt3]");
    defaultsButton_ = makeButton(
        tr("Defaults"), tr("Restore defaults for this image"),
        tr("<p><b>Edge Finding&mdash;Defaults</b></p><p>Restore the <b>Edge Finding</b> settings "
           "to their original values.</p>",
           "[tip]") +
            learnMore(),
        rowWidget);
    revertButton_ = makeButton(
        tr("Revert"), tr("Revert to settings last applied"),
        tr("<p><b>Edge Finding&mdash;Revert</b></p><p>Revert the <b>Edge Finding</b> settings to "
           "the last settings you applied in the workspace.</p>",
           "[tip]") +
            learnMore(),
        rowWidget);
    applyButton_ = makeButton(
        tr("Apply"), tr("Apply settings to Workspace"),
        tr("<p><b>Edge Finding&mdash;Apply</b></p><p>Apply the current <b>Edge Finding</b> "
           "settings and re-analyze the image.</p>",
           "[tip]") +
            learnMore(),
        rowWidget);
    row->addWidget(defaultsButton_, 1);
    row->addWidget(revertButton_, 1);
    row->addSpacing(10);
    row->addWidget(applyButton_, 1);
    row->addSpacing(5);
    auto* line = new QFrame(rowWidget);
    line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    row->addWidget(line);
    row->addSpacing(5);
    advancedButton_ = new ToolPaletteButton(rowWidget);
    advancedButton_->setAutoRaise(true);
    advancedButton_->setIcon(doubleArrowIcon(true));
    advancedButton_->setToolTip(tr("Show the advanced options"));
    advancedButton_->setWhatsThis(
        tr("<p><b>Edge Finding&mdash;Advanced</b></p><p>These options rarely need to be altered "
           "for normal images, but are very useful in certain circumstances.</p>",
           "[tip]") +
        learnMore());
    row->addWidget(advancedButton_);
    return rowWidget;
}

void EdgeDetectionOptions::setSensitivityTitle(int value) {
    sensitivityGroup_->setTitle(
        QStringLiteral("%1:    %2 %").arg(tr("Number of Edges", "[zt3]")).arg(value));
}

void EdgeDetectionOptions::paintEvent(QPaintEvent*) {
    // Style sheets reach the widget's background this way.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

// ---------------------------------------------------------------------------
// Record and values
// ---------------------------------------------------------------------------

void EdgeDetectionOptions::attachToRecord(SegmentationStuff* record) {
    if (record_ == record) return;
    disconnect(recordGone_);
    recordGone_ = QMetaObject::Connection();
    record_ = record;
    if (!record) {
        values_ = nullptr;
        return;
    }
    // A record that goes (its patch deleted, a project loaded) leaves the
    // widget detached; the buttons must not promise what can no longer happen.
    recordGone_ =
        connect(record, &QObject::destroyed, this, &EdgeDetectionOptions::setEnablednessOfButtons);
}

void EdgeDetectionOptions::copyControlsIntoRecord() {
    if (!record_) return;
    values_ = &record_->edos();
    EDOs& v = *values_;
    v.sensitivity_.setCurrent(sensitivitySlider_->value());
    v.width_.setCurrent(widthSlider_->value());
    if (contrastButtons_->checkedId() >= 0) v.contrast_.setCurrent(contrastButtons_->checkedId());
    if (textureButtons_->checkedId() >= 0) v.texture_.setCurrent(textureButtons_->checkedId());
}

void EdgeDetectionOptions::setOptions(EDOs* values) {
    if (!values) return;
    values_ = values;
    // Sliders that change call their change slots, which write the same
    // values back; checking a radio button from here clicks nothing.
    emit setSensitivity(values->sensitivity_.current());
    emit setWidth(values->width_.current());
    switch (values->contrast_.current()) {
    case 0:
        emit setEdgeContrastLow(true);
        break;
    case 1:
        emit setEdgeContrastMedium(true);
        break;
    case 2:
        emit setEdgeContrastHigh(true);
        break;
    default:
        break;
    }
    switch (values->texture_.current()) {
    case 0:
        emit setTextureFilterFine(true);
        break;
    case 1:
        emit setTextureFilterMedium(true);
        break;
    case 2:
        emit setTextureFilterCoarse(true);
        break;
    default:
        break;
    }
    setEnablednessOfButtons();
}

bool EdgeDetectionOptions::canShowVectorEdges() const {
    if (!values_) return false;
    return float(values_->sensitivity_.current() - 1) * (1.0f / 99.0f) < 1.0f;
}

// ---------------------------------------------------------------------------
// Slots
// ---------------------------------------------------------------------------

void EdgeDetectionOptions::setEnablednessOfButtons() {
    EDOs* values = values_;
    if (!values || !record_) {
        defaultsButton_->setEnabled(false);
        revertButton_->setEnabled(false);
        applyButton_->setEnabled(false);
        return;
    }
    const bool edited = values->anyEdited();
    defaultsButton_->setEnabled(values->anyNonDefault());
    applyButton_->setEnabled(edited ||
                             (!record_->hasSegmentation() && !record_->hasPendingAnalysis()));
    revertButton_->setEnabled(edited && record_->isChecked());
}

void EdgeDetectionOptions::applyValuesSlot() {
    if (!values_ || !record_) return;
    values_->storeAll();
    record_->analyse(this);
    setOptions(values_);
    setEnablednessOfButtons();
}

void EdgeDetectionOptions::resolutionChangedSlot(int oldRes, int newRes) {
    if (!values_ || newRes < 1) return;
    EDOs& v = *values_;
    if (v.widthInImageCoords_ < 1) v.widthInImageCoords_ = oldRes * v.width_.applied();
    v.width_.setCurrent(qBound(kLeastWidth, v.widthInImageCoords_ / newRes, kMostWidth));
    setOptions(values_);
}

void EdgeDetectionOptions::imageChangedSlot(const ZtSourceImage* image) {
    setEnabled(image != nullptr);
    if (!image) {
        attachToRecord(nullptr);
        setEnablednessOfButtons();
    }
}

void EdgeDetectionOptions::activeRegionChangedSlot(GmRegion* region) {
    // Only the image's widget on the image's record follows the active
    // patch; the patch page's widget starts on the image's record too, but
    // must not be switched off by a patch it is about to show.
    if (!isImage_ || !record_ || record_->owner()) return;
    const bool patchHasOwnValues = region && region->smeg().isChecked();
    setEnabled(GmModel::instance()->sourceImage() && !patchHasOwnValues);
}

void EdgeDetectionOptions::sessionHasBegunSlot() {
    // A patch's widget stays on the patch it shows (a new resolution reopens
    // the session with the patch still active); the image's widget analyses.
    if (!isImage_) return;
    SegmentationStuff* image = GmModel::instance()->imageSmeg();
    attachToRecord(image);
    setOptions(&image->edos());
    image->analyse(this);
}

void EdgeDetectionOptions::revertValuesSlot() {
    if (!values_) return;
    values_->revertAll();
    setOptions(values_);
    setEnablednessOfButtons();
}

void EdgeDetectionOptions::setDefaultsSlot() {
    if (!values_) return;
    values_->setAllToDefault();
    setOptions(values_);
    setEnablednessOfButtons();
}

void EdgeDetectionOptions::contrastChanged(int id) {
    if (!values_) return;
    values_->contrast_.setCurrent(id);
    setEnablednessOfButtons();
}

void EdgeDetectionOptions::textureFilterChanged(int id) {
    if (!values_) return;
    values_->texture_.setCurrent(id);
    setEnablednessOfButtons();
}

void EdgeDetectionOptions::widthChangedSlot(int value) {
    if (!values_) return;
    values_->width_.setCurrent(value);
    values_->widthInImageCoords_ = value * GmModel::instance()->resolutionFactor();
    setEnablednessOfButtons();
}

void EdgeDetectionOptions::sensitivityChangedSlot(int value) {
    setSensitivityTitle(value);
    if (!values_) return;
    values_->sensitivity_.setCurrent(value);
    setEnablednessOfButtons();
}

void EdgeDetectionOptions::toggleAdvanced() {
    const bool hide = !contrastGroupBox_->isHidden();
    contrastGroupBox_->setHidden(hide);
    textureGroupBox_->setHidden(hide);
    advancedButton_->setIcon(doubleArrowIcon(hide));
    advancedButton_->setToolTip(hide ? tr("Show the advanced options")
                                     : tr("Hide the advanced options"));
}

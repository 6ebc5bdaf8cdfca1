#include "panels/view_options.h"

#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/view_hooks.h"
#include "model/zt_app_prefs.h"
#include "shell/services/shell_functions.h"
#include "shell/services/whats_this_text.h"
#include "workspace/canvas_hooks.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include <initializer_list>

namespace {

QPointer<ViewOptions> theViewOptions;

const char* const kGroup = "ViewOptions";
constexpr int kLeastOpacity = 26;
constexpr int kMostOpacity = 255;
constexpr int kDefaultOpacity = 153;
const char* const kHelpPage = "4-Zeltran_Tools/Project_Window.htm";

// What the canvas and the document ask: the bar's edge box, through the one
// bar there is (none: no edges), so a hook never reaches a deleted bar.
bool objectEdgesShown() {
    return theViewOptions && theViewOptions->showsObjectEdges();
}

void installEdgeHooks() {
    canvasHooks().objectEdgesShown = &objectEdgesShown;
    setShowEdgesHook(&objectEdgesShown);
}

void removeEdgeHooks() {
    canvasHooks().objectEdgesShown = nullptr;
    setShowEdgesHook(nullptr);
}

bool persistOptions() {
    return ZtAppPrefs::instance() && ZtAppPrefs::instance()->persistOptions();
}

QString textOfFactor(int factor) {
    return QStringLiteral("1:%1").arg(factor);
}

// A label and its control explain themselves alike.
void setHelp(std::initializer_list<QWidget*> widgets, const QString& toolTip,
             const QString& whatsThis) {
    for (QWidget* widget : widgets) {
        widget->setToolTip(toolTip);
        widget->setWhatsThis(whatsThis);
    }
}

} // namespace

ViewOptions::ViewOptions(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this)) {
    resolutions_ = {
        {textOfFactor(1), 1}, {textOfFactor(2), 2}, {textOfFactor(4), 4}, {textOfFactor(8), 8}};
    layout_->setSpacing(10);
    layout_->setContentsMargins(0, 0, 0, 0);
    addObjectEdgeBox();
    addSeparator();
    addOpacityControls();
    addSeparator();
    addResolutionControls();
    theViewOptions = this;
    installEdgeHooks();
}

ViewOptions::~ViewOptions() {
    if (theViewOptions == this) removeEdgeHooks();
    resolutionBox_->setPersist(persistOptions());
    if (objectEdgeBox_) {
        // While no image is open the box shows the forced "off"; the user's
        // choice is what goes to the settings.
        if (!objectEdgeBox_->isEnabled() && edgeStateKnown_) {
            const QSignalBlocker blocker(objectEdgeBox_.data());
            objectEdgeBox_->setChecked(rememberedEdgeState_);
        }
        delete objectEdgeBox_.data();
    }
}

ViewOptions* ViewOptions::instance() {
    return theViewOptions;
}

int ViewOptions::factorOf(const QString& text) {
    for (int factor : {2, 4, 8})
        if (text == textOfFactor(factor)) return factor;
    return 1;
}

bool ViewOptions::showsObjectEdges() const {
    return objectEdgeBox_ && objectEdgeBox_->isChecked();
}

void ViewOptions::addSeparator() {
    auto* line = new QFrame(this);
    line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    layout_->addWidget(line);
}

void ViewOptions::addObjectEdgeBox() {
    auto* box = new PersistentWidget<QCheckBox, bool>(
        QString::fromLatin1(kGroup), QStringLiteral("Show Object Edges"), true, true, this);
    box->setText(tr("Show Object Edges", "[zt3]"));
    box->setToolTip(tr("Show edges found with current Edge Finding settings", "[zt3]"));
    box->setWhatsThis(
        tr("<p><b>%1</b> (F2)</p><p>Shows the edges of the objects found in the image.</p><p>"
           "Objects will be flood-filled to their edges when you use the %2. Check / uncheck the "
           "tick box to show / hide the <b>Object Edges</b>. Brushes work in the same manner "
           "independently of whether edges are being shown.</p><p><b><i>Consider:</i></b> Hiding "
           "the edges when working with lots of small objects.</p>%3",
           "[tip, zt3]")
            .arg(box->text(), tr("<b>Local</b> and <b>Global Brushes</b>", "[tip, zt3]"),
                 learnMoreParagraph(QString::fromLatin1(kHelpPage))));
    connect(box, &QCheckBox::clicked, this, [this](bool checked) {
        emit modified();
        showVectorEdgesSlot(checked);
    });
    objectEdgeBox_ = box;
    layout_->addWidget(box);
}

void ViewOptions::addOpacityControls() {
    opacityLabel_ = new QLabel(this);
    opacitySlider_ = new PersistentWidget<QSlider, int>(
        QString::fromLatin1(kGroup), QStringLiteral("Mask Opacity"), kDefaultOpacity, true, this);
    opacitySlider_->setOrientation(Qt::Horizontal);
    opacitySlider_->setRange(kLeastOpacity, kMostOpacity);
    opacitySlider_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(opacitySlider_, &QSlider::valueChanged, this, &ViewOptions::updateMaskLabel);
    connect(opacitySlider_, &QSlider::valueChanged, this, &ViewOptions::opacityChanged);

    // Sized for the widest text, so the bar does not jump as the value changes.
    updateMaskLabel(opacitySlider_->maximum());
    opacityLabel_->setMinimumSize(opacityLabel_->sizeHint());
    updateMaskLabel(opacitySlider_->value());

    const QString toolTip = tr("Adjust opacity of mask(s)", "[zt3, dazzo]");
    const QString whatsThis =
        tr("<p><b>%1</b></p><p>Lower the opacity to allow more of the underlying image to show "
           "through the mask.</p><p><b><i>Consider:</i></b> Using a nearly opaque mask can help "
           "you spot unmasked areas.</p>",
           "%1 is the label on the opacity slider[tip, zt3]")
            .arg(tr("Mask Opacity", "[zt3]")) +
        learnMoreParagraph(QString::fromLatin1(kHelpPage));
    setHelp({opacityLabel_, opacitySlider_}, toolTip, whatsThis);
    layout_->addWidget(opacityLabel_);
    layout_->addWidget(opacitySlider_);
    GmStatusArray::setOpacitySlider(opacitySlider_);
}

void ViewOptions::addResolutionControls() {
    const QString title = tr("Workspace Resolution");
    auto* label = new QLabel(title + QStringLiteral(":"), this);
    resolutionBox_ = new PersistentWidget<QComboBox, QString>(
        QString::fromLatin1(kGroup), QStringLiteral("Workspace Resolution"), textOfFactor(1),
        persistOptions(), this);
    const QString toolTip = title + tr(" (Workspace:Source)");
    const QString whatsThis =
        QStringLiteral("<p><b>") + title + QStringLiteral("</b></p>") +
        tr("<p>When loading the image into %1, the Workspace resolution (expressed as a "
           "ratio&mdash;workspace pixels : original image pixels) is set automatically to "
           "maintain good operational speeds.</p><p>",
           "[tip, zt3]")
            .arg(productName()) +
        tr("This may be manually overridden.", "[tip, zt3]") +
        tr("A lower working resolution / higher ratio (e.g., 1:4) can speed up many operations, "
           "at a small cost to the accuracy of object finding.</p>",
           "[tip, zt3]") +
        tr("<p><b><i>Consider: </i></b>When loading a very large image, cancel the loading "
           "process immediately and manually adjust the Workspace Resolution. This saves time "
           "waiting for the image to load and then adjusting the resolution.</p>",
           "[tip, zt3]") +
        tr("<p><b><i>Note:</i></b> The final cut-out always retains the resolution of the "
           "original image. If you change the workspace resolution any existing <b>Masks</b> %1 "
           "will <b><i>be deleted</i></b>.</p>",
           "[tip, zt3]")
            .arg(tr("and <b>Patches</b>", "[tip, zt3]")) +
        learnMoreParagraph(QString::fromLatin1(kHelpPage));
    setHelp({label, resolutionBox_}, toolTip, whatsThis);

    // The persistent box put the stored text first; the table replaces it.
    const QString stored = resolutionBox_->itemText(0);
    resolutionBox_->removeItem(0);
    for (auto it = resolutions_.cbegin(); it != resolutions_.cend(); ++it)
        resolutionBox_->addItem(it.key());
    if (persistOptions()) {
        // A stored text of no factor (an older or edited file) means 1:1.
        const QString text = resolutions_.contains(stored) ? stored : textOfFactor(1);
        resolutionBox_->setCurrentText(text);
        changeResolutionSlot(text);
    } else {
        resolutionBox_->setCurrentText(textOfFactor(GmModel::instance()->resolutionFactor()));
    }
    connect(resolutionBox_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) {
                if (!followingModel_) changeResolutionSlot(resolutionBox_->itemText(index));
            });
    resolutionBox_->setEnabled(true);
    layout_->addWidget(label);
    layout_->addWidget(resolutionBox_);
}

void ViewOptions::syncResolutionSlot(int, int newRes) {
    int index = 0;
    if (newRes == 2)
        index = 1;
    else if (newRes == 4)
        index = 2;
    else if (newRes == 8)
        index = 3;
    // Others (the main window's menu) still hear of the new item.
    followingModel_ = true;
    resolutionBox_->setCurrentIndex(index);
    followingModel_ = false;
}

void ViewOptions::setShowVectorEdges(bool show) {
    if (objectEdgeBox_) objectEdgeBox_->setChecked(show);
}

void ViewOptions::setShowVectorEdgesEnabled(bool enabled) {
    if (!objectEdgeBox_ || objectEdgeBox_->isEnabled() == enabled) return;
    if (!edgeStateKnown_) {
        rememberedEdgeState_ = objectEdgeBox_->isChecked();
        edgeStateKnown_ = true;
    }
    if (enabled) {
        objectEdgeBox_->setChecked(rememberedEdgeState_);
    } else {
        rememberedEdgeState_ = objectEdgeBox_->isChecked();
        objectEdgeBox_->setChecked(false);
    }
    objectEdgeBox_->setEnabled(enabled);
}

void ViewOptions::changeResolutionSlot(const QString& text) {
    GmModel::instance()->setResolution(factorOf(text));
    emit modified();
}

void ViewOptions::showVectorEdgesSlot(bool show) {
    emit showVectorEdges(show);
}

void ViewOptions::updateMaskLabel(int value) {
    const int maximum = opacitySlider_ ? opacitySlider_->maximum() : kMostOpacity;
    opacityLabel_->setText(
        QStringLiteral("%1: %2%").arg(tr("Mask Opacity", "[zt3]")).arg(value * 100 / maximum));
}

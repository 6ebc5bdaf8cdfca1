#include "tools/brushing_tool.h"

#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/tool_hooks.h"
#include "panels/parameter_stack.h"
#include "panels/persistent_widget.h"
#include "shell/services/whats_this_text.h"
#include "workspace/canvas_hooks.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kDefaultBrushSize = 10;
constexpr int kSmallestBrush = 1;
constexpr int kLargestBrush = 400;
constexpr int kSliderSteps = 100;
constexpr double kSizeStep = 1.03;
constexpr double kInverseSizeStep = 0.970873786407767;

// What every brush shares. The panel and its controls belong to the panel's
// window once it is shown there, so they are guarded.
struct SharedBrushState {
    int count = 0;
    QPointer<QWidget> panel;
    QPointer<QSpinBox> box;
    QPointer<QSlider> slider;
    QPointer<QStackedWidget> pages;
    bool pressureInUse = false;
    double pressure = 1.0;
};

SharedBrushState& shared() {
    static SharedBrushState state;
    return state;
}

void showSizeOnSlider(int size) {
    if (!shared().slider) return;
    const QSignalBlocker blocker(shared().slider);
    shared().slider->setValue(BrushingTool::sliderForSize(size));
}

void showSliderInBox(int slider) {
    if (!shared().box) return;
    const QSignalBlocker blocker(shared().box);
    shared().box->setValue(BrushingTool::sizeForSlider(slider));
}

bool brushSizeSliderHeld() {
    return shared().slider && shared().slider->isSliderDown();
}

void installHooks() {
    Brushing::setBrushSizeHook(&BrushingTool::brushSize);
    toolHooks().setBrushSize = &BrushingTool::setBrushSize;
    toolHooks().brushStrength = &BrushingTool::strength;
    canvasHooks().penPressure = &BrushingTool::setTabletPressure;
    canvasHooks().brushSizeSliderHeld = &brushSizeSliderHeld;
}

void removeHooks() {
    Brushing::setBrushSizeHook(nullptr);
    toolHooks().setBrushSize = nullptr;
    toolHooks().brushStrength = nullptr;
    canvasHooks().penPressure = nullptr;
    canvasHooks().brushSizeSliderHeld = nullptr;
}

} // namespace

BrushingTool::BrushingTool(const QString& name, const QString& translatedName, const QIcon& icon,
                           const QString& shortcut, const QString& whatsThis,
                           QActionGroup* actionGroup, QWidget* actionWidget, QWidget* actionHolder,
                           QWidget* optionsParent)
    : GmTool(name, translatedName, icon, shortcut, whatsThis, actionGroup, actionWidget,
             actionHolder, optionsParent) {
    if (shared().count++ == 0) installHooks();
    if (!shared().panel) buildSharedPanel();
    setOptionsWidget(shared().panel);
    connect(this, &BrushingTool::brushSizeSliderMoved, GmModel::instance(),
            &GmModel::brushSizeSliderMoved);
}

BrushingTool::~BrushingTool() {
    stroke_.reset();
    // The page's boxes write their settings as they go.
    delete page_.data();
    if (--shared().count > 0) {
        // The other brushes still show the panel.
        setOptionsWidget(nullptr);
    } else {
        removeHooks();
        shared().pressureInUse = false;
    }
}

void BrushingTool::buildSharedPanel() {
    GmModel* model = GmModel::instance();
    auto* panel = new QWidget;
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* stack =
        new ParameterStack(ParameterStack::Horizontal,
                           ParameterStack::SliderBetween | ParameterStack::SunkenSeparators, panel);
    stack->setSettingsGroup(QStringLiteral("ToolOptions/Common"));
    ParameterStack::setCommonStack(stack);

    auto* sizeGroup = new QWidget(panel);
    sizeGroup->setObjectName(QStringLiteral("BrushSizeWidget"));
    sizeGroup->setToolTip(tr("Brush size for painting masks %1").arg(QStringLiteral("( [, ] )")));
    sizeGroup->setWhatsThis(
        tr("<p><b>Brush Size</b> ( [ ] )</p><p>The diameter of the mask brushes in workspace "
           "pixels. Press <b>[</b> to make the brush smaller and <b>]</b> to make it "
           "larger.</p>",
           "[tip]") +
        learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Brush_Tools.htm")));
    auto* sizeLayout = new QHBoxLayout(sizeGroup);
    sizeLayout->setObjectName(QStringLiteral("BrushSizeLayout"));
    sizeLayout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(tr("Size"), sizeGroup);
    label->setObjectName(QStringLiteral("BrushSizeLabel"));
    auto* box = new PersistentWidget<QSpinBox, int>(QStringLiteral("ToolOptions/Common"),
                                                    QStringLiteral("Size"), 0, true, sizeGroup);
    box->setSuffix(tr("px"));
    box->setRange(kSmallestBrush, kLargestBrush);
    auto* slider = new QSlider(Qt::Horizontal, sizeGroup);
    slider->setObjectName(QStringLiteral("BrushSizeSlider"));
    slider->setRange(0, kSliderSteps);
    slider->setValue(sliderForSize(box->value()));
    sizeLayout->addWidget(label);
    sizeLayout->addWidget(slider);
    sizeLayout->addWidget(box);

    shared().panel = panel;
    shared().box = box;
    shared().slider = slider;

    connect(slider, &QSlider::sliderPressed, model, &GmModel::brushSizeSliderMoved);
    connect(slider, &QSlider::sliderReleased, model,
            QOverload<>::of(&GmModel::signalDirtyImageSlot));
    // The outline shown at the centre of the view while the slider was held goes.
    connect(slider, &QSlider::sliderReleased, panel, [] {
        ImageView* const view = GmTool::imageView();
        if (GmZoomWidget* const canvas = view ? view->canvas() : nullptr)
            canvas->endPointerShownForSlider();
    });
    // Not to this brush: the panel outlives every brush but the last.
    connect(box, QOverload<int>::of(&QSpinBox::valueChanged), panel, &showSizeOnSlider);
    connect(slider, &QSlider::valueChanged, panel, [model](int value) {
        showSliderInBox(value);
        emit model->brushSizeSliderMoved();
    });

    // Read at start, never written: persist off.
    stack->addParameter(QStringLiteral("Strength"), tr("Strength"), 0, 7, 0, QString(), this,
                        SLOT(strengthChangedSlot(int)), false);
    stack->setParameterToolTips(
        QStringLiteral("Strength"), tr("Determines how far your mask selections will grow"),
        tr("<p><b>Brush Strength</b></p><p>How far the local and global brushes grow a selection "
           "beyond the regions they touch. The exact brushes paint only the pixels under the "
           "brush.</p>",
           "[tip]") +
            learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Brush_Tools.htm")));

    auto* line = new QFrame(panel);
    line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    auto* pages = new QStackedWidget(panel);
    pages->setObjectName(QStringLiteral("BrushPages"));
    shared().pages = pages;

    layout->addWidget(sizeGroup);
    layout->addWidget(stack);
    layout->addWidget(line);
    layout->addWidget(pages);
    layout->addStretch();
}

void BrushingTool::addOptionsPage() {
    if (page_ || !shared().pages) return;
    page_ = createOptionsWidget();
    if (page_) shared().pages->addWidget(page_);
}

bool BrushingTool::usesStrength() const {
    return true;
}

QCursor BrushingTool::cursor() const {
    return QCursor(Qt::BlankCursor);
}

void BrushingTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton) return;
    if (Brushing* brushing = beginStroke(point)) brushing->startAt(point);
}

void BrushingTool::mouseDoubleClick(QMouseEvent* event, const QPointF& point) {
    mousePress(event, point);
}

void BrushingTool::mouseMove(QMouseEvent* event, const QPointF& point) {
    if (!(event->buttons() & Qt::LeftButton) || !stroke_) return;
    if (event->modifiers() & Qt::ShiftModifier)
        stroke_->brushing()->setStraightEnd(point);
    else
        stroke_->brushing()->lineTo(point);
}

void BrushingTool::mouseRelease(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton) return;
    if (stroke_) {
        stroke_->brushing()->lineTo(point);
        endStroke();
    }
    shared().pressureInUse = false;
}

void BrushingTool::escape() {
    if (!stroke_) {
        GmTool::escape();
        return;
    }
    stroke_->brushing()->clear();
    endStroke();
    resetButtonState();
}

bool BrushingTool::isBrush() const {
    return true;
}

bool BrushingTool::isAvailable() const {
    return true;
}

void BrushingTool::activate(GmTool*) {
    if (shared().pages && page_) shared().pages->setCurrentWidget(page_);
    ParameterStack::setCommonStrengthEnabled(usesStrength());
    resetButtonState();
}

void BrushingTool::deactivate(GmTool*) {
    deleteStroke();
    resetButtonState();
}

GmBrushing* BrushingTool::takeStroke() {
    return stroke_.release();
}

void BrushingTool::setStroke(GmBrushing* stroke) {
    stroke_.reset(stroke);
}

void BrushingTool::deleteStroke() {
    stroke_.reset();
}

// ----- The brushes together -----

int BrushingTool::brushSize() {
    if (!shared().box) return kDefaultBrushSize;
    const int size = shared().box->value();
    if (!shared().pressureInUse) return size;
    return std::max(1, int(std::ceil(size * shared().pressure)));
}

void BrushingTool::setBrushSize(int size) {
    if (shared().box) shared().box->setValue(size);
    emit GmModel::instance()->cursorChanged(nullptr);
}

int BrushingTool::sliderForSize(int size) {
    const double fraction = double(size - kSmallestBrush) / (kLargestBrush - kSmallestBrush);
    return int(kSliderSteps * std::sqrt(std::max(0.0, fraction)));
}

int BrushingTool::sizeForSlider(int slider) {
    const double fraction = double(slider) / kSliderSteps;
    return kSmallestBrush + int(std::floor((kLargestBrush - kSmallestBrush) * fraction * fraction));
}

void BrushingTool::setTabletPressure(double pressure) {
    // A pen that only hovers (no pressure) leaves the brush at its size.
    if (pressure != 0) shared().pressureInUse = true;
    shared().pressure = pressure;
}

bool BrushingTool::tabletPressureInUse() {
    return shared().pressureInUse;
}

int BrushingTool::strength() {
    ParameterStack* stack = ParameterStack::commonStack();
    QSpinBox* row = stack ? stack->spinBox(QStringLiteral("Strength")) : nullptr;
    return row ? row->value() : 0;
}

QWidget* BrushingTool::optionsPanel() {
    return shared().panel;
}

QSpinBox* BrushingTool::brushSizeBox() {
    return shared().box;
}

QSlider* BrushingTool::brushSizeSlider() {
    return shared().slider;
}

QStackedWidget* BrushingTool::pageStack() {
    return shared().pages;
}

int BrushingTool::brushCount() {
    return shared().count;
}

// ----- Slots -----

void BrushingTool::increaseBrushSizeSlot() {
    setBrushSize(int((brushSize() + 1) * kSizeStep + 0.5));
}

void BrushingTool::decreaseBrushSizeSlot() {
    setBrushSize(int(brushSize() * kInverseSizeStep - 0.5));
}

void BrushingTool::syncBrushSizeToSlider(int size) {
    showSizeOnSlider(size);
}

void BrushingTool::syncBrushSizeFromSlider(int slider) {
    showSliderInBox(slider);
    emit brushSizeSliderMoved();
}

void BrushingTool::strengthChangedSlot(int) {}

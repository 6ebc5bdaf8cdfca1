#include "panels/parameter_stack.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLayoutItem>
#include <QSlider>

namespace {

QPointer<ParameterStack> theCommonStack;

constexpr int kSliderPlacements =
    ParameterStack::SliderAbove | ParameterStack::SliderBetween | ParameterStack::SliderBelow;
// Layouts in which label and box take two columns of a row, not three.
constexpr int kTwoColumnRows =
    ParameterStack::NoSlider | ParameterStack::SliderAbove | ParameterStack::SliderBelow;

} // namespace

ParameterStack::ParameterStack(int orientation, int flags, QWidget* parent)
    : QWidget(parent), orientation_(orientation), flags_(flags), grid_(new QGridLayout(this)) {
    grid_->setContentsMargins(0, 0, 0, 0);
}

void ParameterStack::addSeparator() {
    auto* line = new QFrame(this);
    line->setFrameShape(isVertical() ? QFrame::HLine : QFrame::VLine);
    if (flags_ & PlainSeparators)
        line->setFrameShadow(QFrame::Plain);
    else if (flags_ & RaisedSeparators)
        line->setFrameShadow(QFrame::Raised);
    else if (flags_ & SunkenSeparators)
        line->setFrameShadow(QFrame::Sunken);
    else
        line->setFrameShape(QFrame::NoFrame);

    const bool twoColumns = flags_ & kTwoColumnRows;
    if (isVertical()) {
        grid_->addWidget(line, row_, column_, 1, twoColumns ? 2 : 3);
        ++row_;
    } else {
        grid_->addWidget(line, row_, column_, twoColumns ? 2 : 1, 1);
        ++column_;
    }
}

bool ParameterStack::addParameter(const QString& name, const QString& labelText, int minimum,
                                  int maximum, int defaultValue, const QString& suffix,
                                  QObject* receiver, const char* slot, bool persist) {
    if (boxes_.value(name)) return false;

    auto* label = new QLabel(labelText, this);
    auto* box = new SpinBox(settingsGroup_, name, defaultValue, persist, this);
    box->setRange(minimum, maximum);
    box->setSuffix(suffix);

    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setRange(minimum, maximum);
    slider->setValue(box->value());
    connect(box, QOverload<int>::of(&QSpinBox::valueChanged), slider, &QSlider::setValue);
    connect(slider, &QSlider::valueChanged, box, &QSpinBox::setValue);

    if (!(flags_ & NoSeparators) && !boxes_.isEmpty()) addSeparator();

    // "No slider" wins over the placements, so that the widgets in the grid
    // are always the ones parameterWidgetIndexes names.
    const int placement = (flags_ & NoSlider) ? 0 : (flags_ & kSliderPlacements);
    if (placement & SliderAbove) {
        grid_->addWidget(slider, row_, column_, 1, 2);
        grid_->setColumnStretch(column_, 1);
        ++row_;
    }
    const int labelColumn = column_;
    grid_->addWidget(label, row_, column_);
    grid_->setColumnMinimumWidth(column_, label->minimumSizeHint().width() + 50);
    ++column_;
    if (!(placement & SliderAbove) && (placement & SliderBetween)) {
        grid_->addWidget(slider, row_, column_);
        grid_->setColumnStretch(column_, 1);
        ++column_;
    }
    grid_->addWidget(box, row_, column_);
    if (flags_ & HideSpinBox) box->hide();
    ++row_;
    if (isVertical()) column_ = 0;

    boxes_.insert(name, box);
    connectParameter(name, receiver, slot);

    if (!(placement & (SliderAbove | SliderBetween)) && (placement & SliderBelow)) {
        // Under the label and the box: in a horizontal stack the column has
        // moved on to the box by now.
        ++row_;
        grid_->addWidget(slider, row_, labelColumn, 1, 2);
        grid_->setColumnStretch(labelColumn, 1);
    }
    if (!placement) slider->hide();

    if (isVertical()) {
        ++row_;
    } else {
        ++column_;
        row_ = 0;
    }
    return true;
}

bool ParameterStack::connectParameter(const QString& name, QObject* receiver, const char* slot) {
    SpinBox* box = boxes_.value(name);
    if (!box) return false;
    if (!receiver || !slot) return true;
    return bool(connect(box, SIGNAL(valueChanged(int)), receiver, slot));
}

bool ParameterStack::parameterWidgetIndexes(const QString& name, QList<int>& indexes) const {
    SpinBox* box = boxes_.value(name);
    if (!box) return false;
    const int b = grid_->indexOf(box);
    if (b < 0) return false;
    indexes.clear();
    if (flags_ & NoSlider)
        indexes << b - 1 << b;
    else if (flags_ & (SliderAbove | SliderBetween))
        indexes << b - 2 << b - 1 << b;
    else if (flags_ & SliderBelow)
        indexes << b - 1 << b << b + 1;
    return true;
}

bool ParameterStack::setParameterToolTips(const QString& name, const QString& toolTip,
                                          const QString& whatsThis) {
    QList<int> indexes;
    if (!parameterWidgetIndexes(name, indexes)) return false;
    for (int index : indexes) {
        if (QWidget* widget = grid_->itemAt(index)->widget()) {
            widget->setToolTip(toolTip);
            widget->setWhatsThis(whatsThis);
        }
    }
    return true;
}

ParameterStack::SpinBox* ParameterStack::spinBox(const QString& name) const {
    return boxes_.value(name);
}

ParameterStack* ParameterStack::commonStack() {
    return theCommonStack;
}

void ParameterStack::setCommonStack(ParameterStack* stack) {
    theCommonStack = stack;
}

void ParameterStack::setCommonStrengthEnabled(bool enabled) {
    if (!theCommonStack) return;
    QList<int> indexes;
    if (!theCommonStack->parameterWidgetIndexes(QStringLiteral("Strength"), indexes)) return;
    for (int index : indexes)
        if (QWidget* widget = theCommonStack->grid_->itemAt(index)->widget())
            widget->setEnabled(enabled);
}

#include "workspace/slider.h"

#include <QBoxLayout>
#include <QIcon>
#include <QMetaMethod>
#include <QPixmap>
#include <QSlider>
#include <QToolButton>

Slider::Slider(QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)),
      layout_(new QBoxLayout(QBoxLayout::LeftToRight, this)) {
    layout_->setObjectName(QStringLiteral("Slider::layout_"));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->addWidget(slider_, 1);
}

QToolButton* Slider::makeButton(const QPixmap& icon, const QString& toolTip) {
    auto* button = new QToolButton(this);
    button->setIcon(QIcon(icon));
    button->setAutoRaise(true);
    button->setAutoRepeat(true);
    button->setToolTip(toolTip);
    return button;
}

void Slider::setNudgeIcons(const QPixmap& down, const QPixmap& up) {
    // Taking the items out of the layout leaves the buttons alive, still
    // connected to the nudges: they go with their items.
    if (layout_->count() == 3) {
        for (int index : {2, 0}) {
            QLayoutItem* item = layout_->takeAt(index);
            delete item->widget();
            delete item;
        }
    }
    downButton_ = makeButton(down, downTip_);
    layout_->insertWidget(0, downButton_);
    connect(downButton_, &QToolButton::clicked, this, &Slider::nudgeDown);
    upButton_ = makeButton(up, upTip_);
    layout_->insertWidget(2, upButton_);
    connect(upButton_, &QToolButton::clicked, this, &Slider::nudgeUp);
}

void Slider::setToolTips(const QString& sliderTip, const QString& downTip, const QString& upTip) {
    slider_->setToolTip(sliderTip);
    downTip_ = downTip;
    upTip_ = upTip;
    if (downButton_) downButton_->setToolTip(downTip);
    if (upButton_) upButton_->setToolTip(upTip);
}

void Slider::nudgeUp() {
    if (isSignalConnected(QMetaMethod::fromSignal(&Slider::requestNudgeUp))) {
        emit requestNudgeUp();
        return;
    }
    slider_->setValue(slider_->value() + slider_->singleStep());
}

void Slider::nudgeDown() {
    if (isSignalConnected(QMetaMethod::fromSignal(&Slider::requestNudgeDown))) {
        emit requestNudgeDown();
        return;
    }
    slider_->setValue(slider_->value() - slider_->singleStep());
}

#include "colour_workspace/colour_workspace_form.h"

#include "colour_workspace/axis_widget.h"
#include "colour_workspace/colour_display.h"
#include "colour_workspace/colour_workspace_icons.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpacerItem>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QFrame* line(QWidget* parent, const char* name, QFrame::Shape shape) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameShape(shape);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

QToolButton* button(QWidget* parent, const char* name, const QPixmap& picture, QSize iconSize,
                    bool autoRaise) {
    auto* tool = new QToolButton(parent);
    tool->setObjectName(QString::fromLatin1(name));
    tool->setIcon(QIcon(picture));
    tool->setIconSize(iconSize);
    tool->setAutoRaise(autoRaise);
    return tool;
}

QToolButton* toggle(QWidget* parent, const char* name, const QPixmap& picture, bool autoRaise) {
    QToolButton* tool = button(parent, name, picture, QSize(16, 16), autoRaise);
    tool->setCheckable(true);
    tool->setChecked(true);
    return tool;
}

QLabel* label(QWidget* parent, const char* name) {
    auto* text = new QLabel(parent);
    text->setObjectName(QString::fromLatin1(name));
    return text;
}

// The text that is both the button's text and its tool tip.
void setTextAndTip(QToolButton* tool, const QString& text) {
    tool->setText(text);
    tool->setToolTip(text);
}

} // namespace

void Ui_ColourWorkspace::setupUi(QWidget* form) {
    if (form->objectName().isEmpty()) form->setObjectName(QStringLiteral("ColourWorkspace"));
    form->resize(479, 295);
    auto* outer = new QVBoxLayout(form);
    outer->setSpacing(0);
    outer->setContentsMargins(1, 1, 1, 1);

    // The buckets, the display between its axes.
    auto* top = new QHBoxLayout;
    auto* buckets = new QVBoxLayout;
    const QSize bucketSize(22, 19);
    toKeep_ = button(form, "toKeep_", bucketPicture(2), bucketSize, true);
    toDrop_ = button(form, "toDrop_", bucketPicture(4), bucketSize, true);
    toBlend_ = button(form, "toBlend_", bucketPicture(8), bucketSize, true);
    line_3 = line(form, "line_3", QFrame::HLine);
    toUnassigned_ = button(form, "toUnassigned_", bucketPicture(1), bucketSize, true);
    buckets->addWidget(toKeep_);
    buckets->addWidget(toDrop_);
    buckets->addWidget(toBlend_);
    buckets->addWidget(line_3);
    buckets->addWidget(toUnassigned_);
    buckets->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
    top->addLayout(buckets);
    line_4 = line(form, "line_4", QFrame::VLine);
    top->addWidget(line_4);

    auto* grid = new QGridLayout;
    grid->setSpacing(0);
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    verticalAxisChooser_ = new QToolButton(form);
    verticalAxisChooser_->setObjectName(QStringLiteral("verticalAxisChooser_"));
    verticalAxisChooser_->setIconSize(QSize(9, 9));
    verticalAxis_ = new AxisWidget(form);
    verticalAxis_->setObjectName(QStringLiteral("verticalAxis_"));
    verticalAxis_->setMinimumSize(0, 100);
    left->addWidget(verticalAxisChooser_);
    left->addWidget(verticalAxis_, 1);
    grid->addLayout(left, 0, 0);

    colourDisplayFrame_ = new QFrame(form);
    colourDisplayFrame_->setObjectName(QStringLiteral("colourDisplayFrame_"));
    colourDisplayFrame_->setFrameShape(QFrame::NoFrame);
    auto* frameLayout = new QVBoxLayout(colourDisplayFrame_);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    colourDisplay_ = new ColourDisplay(colourDisplayFrame_);
    colourDisplay_->setObjectName(QStringLiteral("colourDisplay_"));
    QSizePolicy expanding(QSizePolicy::Expanding, QSizePolicy::Expanding);
    expanding.setHorizontalStretch(1);
    expanding.setVerticalStretch(1);
    colourDisplay_->setSizePolicy(expanding);
    colourDisplay_->setFrameShape(QFrame::NoFrame);
    frameLayout->addWidget(colourDisplay_);
    grid->addWidget(colourDisplayFrame_, 0, 1);

    auto* bottomAxis = new QHBoxLayout;
    bottomAxis->setSpacing(0);
    horizontalAxis_ = new AxisWidget(form);
    horizontalAxis_->setObjectName(QStringLiteral("horizontalAxis_"));
    horizontalAxisChooser_ = new QToolButton(form);
    horizontalAxisChooser_->setObjectName(QStringLiteral("horizontalAxisChooser_"));
    horizontalAxisChooser_->setIconSize(QSize(9, 9));
    bottomAxis->addWidget(horizontalAxis_, 1);
    bottomAxis->addWidget(horizontalAxisChooser_);
    grid->addLayout(bottomAxis, 1, 1);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);
    top->addLayout(grid, 1);
    outer->addLayout(top, 1);

    mainHDivider_ = line(form, "mainHDivider_", QFrame::HLine);
    outer->addWidget(mainHDivider_);

    // Mode, resolution and views.
    auto* controls = new QHBoxLayout;
    histogramMode_ = button(form, "histogramMode_", histogramModePicture(), QSize(32, 16), true);
    histogramMode_->setCheckable(true);
    histogramMode_->setChecked(true);
    histogramMode_->setAutoExclusive(true);
    colourMapMode_ = button(form, "colourMapMode_", colourMapModePicture(), QSize(32, 16), true);
    colourMapMode_->setCheckable(true);
    colourMapMode_->setAutoExclusive(true);
    controls->addWidget(histogramMode_);
    controls->addWidget(colourMapMode_);
    vLine1 = line(form, "vLine1", QFrame::VLine);
    controls->addWidget(vLine1);
    resolutionLabel_ = label(form, "resolutionLabel_");
    controls->addWidget(resolutionLabel_);
    controls->addItem(new QSpacerItem(8, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
    coarseLabel_ = label(form, "coarseLabel_");
    controls->addWidget(coarseLabel_);
    colourBits_ = new QSlider(Qt::Horizontal, form);
    colourBits_->setObjectName(QStringLiteral("colourBits_"));
    colourBits_->setRange(4, 8);
    colourBits_->setPageStep(2);
    colourBits_->setValue(5);
    colourBits_->setTracking(false);
    colourBits_->setTickPosition(QSlider::TicksBelow);
    colourBits_->setTickInterval(1);
    colourBits_->setMinimumWidth(45);
    colourBits_->setMaximumWidth(400);
    QSizePolicy stretching(QSizePolicy::Preferred, QSizePolicy::Fixed);
    stretching.setHorizontalStretch(1);
    colourBits_->setSizePolicy(stretching);
    controls->addWidget(colourBits_, 1);
    fineLabel = label(form, "fineLabel");
    controls->addWidget(fineLabel);
    vLine2 = line(form, "vLine2", QFrame::VLine);
    controls->addWidget(vLine2);
    viewLabel_ = label(form, "viewLabel_");
    controls->addWidget(viewLabel_);
    viewUnassigned_ = toggle(form, "viewUnassigned_", eyePicture(1), true);
    viewKeep_ = toggle(form, "viewKeep_", eyePicture(2), false);
    viewDrop_ = toggle(form, "viewDrop_", eyePicture(4), false);
    viewBlend_ = toggle(form, "viewBlend_", eyePicture(8), false);
    controls->addWidget(viewUnassigned_);
    controls->addWidget(viewKeep_);
    controls->addWidget(viewDrop_);
    controls->addWidget(viewBlend_);
    controls->addItem(new QSpacerItem(0, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    outer->addLayout(controls);

    autoBlend = new QCheckBox(form);
    autoBlend->setObjectName(QStringLiteral("autoBlend"));
    autoBlend->setChecked(false);
    outer->addWidget(autoBlend);

    retranslateUi(form);
}

void Ui_ColourWorkspace::retranslateUi(QWidget*) {
    setTextAndTip(toKeep_, QCoreApplication::translate("ColourWorkspace",
                                                       "Add Keep Mask to selected colors"));
    setTextAndTip(toDrop_, QCoreApplication::translate("ColourWorkspace",
                                                       "Add Delete Mask to selected colors"));
    setTextAndTip(toBlend_, QCoreApplication::translate("ColourWorkspace",
                                                        "Add Blend Mask to selected colors"));
    setTextAndTip(toUnassigned_, QCoreApplication::translate(
                                     "ColourWorkspace", "Remove mask(s) from selected colors "));
    verticalAxisChooser_->setToolTip(
        QCoreApplication::translate("ColourWorkspace", "Change vertical axis type"));
    verticalAxisChooser_->setText(QString());
    colourDisplay_->setToolTip(
        QCoreApplication::translate("ColourWorkspace", "Click+Drag to select colors"));
    horizontalAxis_->setToolTip(
        QCoreApplication::translate("ColourWorkspace", "Current horizontal axis type"));
    horizontalAxisChooser_->setToolTip(
        QCoreApplication::translate("ColourWorkspace", "Change horizontal axis type"));
    horizontalAxisChooser_->setText(QString());
    setTextAndTip(histogramMode_,
                  QCoreApplication::translate("ColourWorkspace", "Show histogram mode"));
    setTextAndTip(colourMapMode_,
                  QCoreApplication::translate("ColourWorkspace", "Show 2D color map"));
    resolutionLabel_->setText(QCoreApplication::translate("ColourWorkspace", "Resolution:"));
    coarseLabel_->setText(QCoreApplication::translate("ColourWorkspace", "Coarse"));
    colourBits_->setToolTip(
        QCoreApplication::translate("ColourWorkspace", "Set Color Workspace resolution"));
    fineLabel->setText(QCoreApplication::translate("ColourWorkspace", "Fine"));
    viewLabel_->setText(QCoreApplication::translate("ColourWorkspace", "Views:"));
    setTextAndTip(viewUnassigned_,
                  QCoreApplication::translate("ColourWorkspace", "Show unassigned colors"));
    setTextAndTip(viewKeep_, QCoreApplication::translate("ColourWorkspace", "Show Keep colors"));
    setTextAndTip(viewDrop_, QCoreApplication::translate("ColourWorkspace", "Show Delete colors"));
    setTextAndTip(viewBlend_, QCoreApplication::translate("ColourWorkspace", "Show Blend colors"));
    autoBlend->setText(
        QCoreApplication::translate("ColourWorkspace", "Add blend mask automatically"));
}

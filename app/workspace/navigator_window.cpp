#include "workspace/navigator_window.h"

#include "shell/services/whats_this_text.h"
#include "workspace/navigator.h"
#include "workspace/slider.h"

#include <QBoxLayout>
#include <QDoubleSpinBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace {

// 100 %, and the factor of 16 that the slider covers on either side of it.
const double kA = std::log10(100.0);
const double kB = std::log10(1600.0) - kA;
constexpr int kSliderSteps = 25;

// A magnifying glass with a minus (zoom out) or a plus (zoom in) in its lens.
QPixmap magnifierIcon(bool plus) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 60, 60), 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10.5, 10.5), QPointF(14, 14));
    painter.setPen(QPen(QColor(60, 60, 60), 1.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(6.5, 6.5), 5, 5);
    painter.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
    if (plus) painter.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
    return pixmap;
}

} // namespace

NavigatorWindow::NavigatorWindow(QWidget* parent, QWidget* actionHolder, const QString& shortcut)
    : GmSubWindow(QStringLiteral("Navigator"), tr("Navigator", "[zt3]"), actionHolder, shortcut,
                  parent) {
    setWhatsThis(
        QStringLiteral("<p><b>") + windowTitle() + QStringLiteral("</b></p>") +
        tr("<p>The Navigator shows a thumbnail version of your source image, allowing you to "
           "quickly adjust the zooming and panning of you image in the <b>Image View</b>:</p>"
           "<ul><li>Drag the red view box on the thumbnail to pan the main image.</li><li>Drag "
           "the slider to adjust the zooming&mdash;left to zoom out; right to zoom in.</li>"
           "<li>Zoom In (Ctrl++) or Zoom Out (Ctrl+-) using the shortcuts or the buttons at "
           "either end of the slider.</li><li>Set a zoom percentage directly in the edit "
           "box.</li></ul>",
           "[tip]") +
        learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Navigator.htm")));

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    navigator_ = new Navigator(content);
    column->addWidget(navigator_, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row);

    zoomBox_ = new QDoubleSpinBox(content);
    zoomBox_->setDecimals(2);
    zoomBox_->setRange(std::pow(10.0, kA - kB), std::pow(10.0, kA + kB));
    zoomBox_->setSuffix(QStringLiteral("%"));
    zoomBox_->setToolTip(tr("Zoom Percent", "[zt3]"));
    row->addWidget(zoomBox_);

    slider_ = new Slider(content);
    slider_->setMinimumWidth(130);
    slider_->slider()->setRange(-kSliderSteps, kSliderSteps);
    slider_->setNudgeIcons(magnifierIcon(false), magnifierIcon(true));
    slider_->setToolTips(tr("Zoom Slider", "[zt3]"), tr("Zoom Out", "[zt3]"),
                         tr("Zoom In", "[zt3]"));
    row->addWidget(slider_, 1);

    connect(slider_->slider(), &QSlider::valueChanged, this,
            &NavigatorWindow::syncBoxFromSliderSlot);
    connect(zoomBox_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &NavigatorWindow::syncSliderFromBoxSlot);
    connect(zoomBox_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &NavigatorWindow::zoomChangedSlot);
    connect(slider_, &Slider::requestNudgeUp, this, &NavigatorWindow::zoomInSlot);
    connect(slider_, &Slider::requestNudgeDown, this, &NavigatorWindow::zoomOutSlot);

    setWidget(content);
    setResizable();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    zoomBox_->setValue(100);
}

double NavigatorWindow::percentOfSlider(int s) {
    return std::pow(10.0, kA + s * (1.0 / kSliderSteps) * kB);
}

int NavigatorWindow::sliderOfPercent(double p) {
    // Beyond the limits the slider stays at its ends; this also keeps the
    // logarithm away from zero.
    p = std::clamp(p, percentOfSlider(-kSliderSteps), percentOfSlider(kSliderSteps));
    return qRound((std::log10(p) - kA) / kB * kSliderSteps);
}

void NavigatorWindow::setRectSlot(const GRectF& rect, double zoom) {
    navigator_->setViewRect(rect);
    if (zoomBox_->value() * 0.01 != zoom) {
        {
            const QSignalBlocker blockSlider(slider_->slider());
            const QSignalBlocker blockBox(zoomBox_);
            zoomBox_->setValue(zoom * 100);
            slider_->slider()->setValue(sliderOfPercent(zoom * 100));
        }
        emit zoomSliderChange(slider_->slider()->value());
    }
    zoomChangedSlot(zoomBox_->value());
}

void NavigatorWindow::zoomInSlot() {
    const double value = zoomBox_->value();
    const double stepped = std::min(value * 1.25, zoomBox_->maximum());
    if (int(value * 100) != int(stepped * 100)) zoomBox_->setValue(stepped);
}

void NavigatorWindow::zoomOutSlot() {
    const double value = zoomBox_->value();
    const double stepped = std::max(value * 0.8, zoomBox_->minimum());
    if (int(value * 100) != int(stepped * 100)) zoomBox_->setValue(stepped);
}

void NavigatorWindow::syncBoxFromSliderSlot(int value) {
    {
        const QSignalBlocker blockBox(zoomBox_);
        zoomBox_->setValue(percentOfSlider(value));
    }
    emit requestZoomTo(zoomBox_->value() * 0.01);
}

void NavigatorWindow::syncSliderFromBoxSlot(double percent) {
    const int position = sliderOfPercent(percent);
    {
        const QSignalBlocker blockSlider(slider_->slider());
        slider_->slider()->setValue(position);
    }
    emit requestZoomTo(zoomBox_->value() * 0.01);
    emit zoomSliderChange(position);
}

void NavigatorWindow::zoomChangedSlot(double percent) {
    const bool in = zoomBox_->maximum() > percent;
    if (in != zoomInPossible_) {
        zoomInPossible_ = in;
        emit zoomInEnabled(in);
    }
    const bool out = percent > zoomBox_->minimum();
    if (out != zoomOutPossible_) {
        zoomOutPossible_ = out;
        emit zoomOutEnabled(out);
    }
}

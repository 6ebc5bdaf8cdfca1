#include "colour_workspace/axis_widget.h"

#include "colour_workspace/colour_display.h"

#include <QFontMetrics>
#include <QPainter>

AxisWidget::AxisWidget(QWidget* parent) : QWidget(parent) {}

void AxisWidget::setOrientation(Qt::Orientation orientation) {
    if (orientation == orientation_) return;
    orientation_ = orientation;
    cachedSizeHint_ = QSize(-1, -1);
    updateGeometry();
    update();
}

void AxisWidget::setChannel(Bx::colour::channel channel) {
    channel_ = channel;
    update();
}

void AxisWidget::setNames(const QStringList& names) {
    names_ = names;
    cachedSizeHint_ = QSize(-1, -1);
    updateGeometry();
}

QString AxisWidget::channelName(Bx::colour::channel channel) {
    switch (channel) {
    case Bx::colour::Hue:
        return tr("Hue");
    case Bx::colour::Lightness:
        return tr("Lightness");
    case Bx::colour::Saturation:
        return tr("Saturation");
    case Bx::colour::Red:
        return tr("Red");
    case Bx::colour::Green:
        return tr("Green");
    case Bx::colour::Blue:
        return tr("Blue");
    case Bx::colour::NonRgb:
        return tr("Non RGB");
    }
    return QString();
}

QString AxisWidget::label() const {
    const QString name = channelName(channel_);
    if (orientation_ == Qt::Vertical && display_ &&
        display_->mode() == ColourDisplay::HistogramMode)
        return tr("Frequency (%1)").arg(name);
    return name;
}

QSize AxisWidget::sizeHint() const {
    if (!cachedSizeHint_.isValid()) {
        const QFontMetrics metrics(font());
        QSize size(1, 1);
        for (const QString& name : names_)
            size = size.expandedTo(metrics.boundingRect(name).size());
        size.rwidth() += 10;
        if (orientation_ == Qt::Vertical) size.transpose();
        cachedSizeHint_ = size;
    }
    return cachedSizeHint_;
}

void AxisWidget::paintEvent(QPaintEvent*) {
    const QString text = label();
    QSize size = this->size();
    if (orientation_ == Qt::Vertical) size.transpose();
    const QFontMetrics metrics(font());
    const QSize textSize = metrics.boundingRect(text).size();
    const int x = (size.width() - textSize.width()) / 2;
    const int baseline = metrics.ascent() + (size.height() - textSize.height()) / 2;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::WindowText));
    if (orientation_ == Qt::Horizontal) {
        painter.drawText(x, baseline, text);
        return;
    }
    // Reading from the bottom up.
    painter.translate(baseline, textSize.width() + x);
    painter.rotate(-90);
    painter.drawText(0, 0, text);
}

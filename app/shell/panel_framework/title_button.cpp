#include "shell/panel_framework/title_button.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

TitleButton::TitleButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
}

QSize TitleButton::sizeHint() const {
    ensurePolished();
    int side = 0;
    if (!icon().isNull()) {
        const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
        const QSize pixmapSize = icon().actualSize(QSize(iconSize, iconSize));
        side = std::max(pixmapSize.width(), pixmapSize.height());
    }
    return QSize(side + 4, side + 4);
}

QSize TitleButton::minimumSizeHint() const {
    return sizeHint();
}

void TitleButton::enterEvent(QEvent* event) {
    if (isEnabled()) update();
    QAbstractButton::enterEvent(event);
}

void TitleButton::leaveEvent(QEvent* event) {
    if (isEnabled()) update();
    QAbstractButton::leaveEvent(event);
}

void TitleButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);

    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_AutoRaise;
    const bool hovered = underMouse();
    if (isEnabled() && hovered && !isChecked() && !isDown()) option.state |= QStyle::State_Raised;
    if (isChecked()) option.state |= QStyle::State_On;
    if (isDown()) option.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);

    QRect iconRect = option.rect.adjusted(2, 2, -2, -2);
    if (isDown()) {
        iconRect.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                           style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const QIcon::Mode mode =
        !isEnabled() ? QIcon::Disabled : (hovered ? QIcon::Active : QIcon::Normal);
    const QIcon::State state = isDown() ? QIcon::On : QIcon::Off;
    const QPixmap pixmap = icon().pixmap(iconSize, mode, state);
    style()->drawItemPixmap(&painter, iconRect, Qt::AlignCenter, pixmap);
}

#include "shell/panel_framework/gm_sub_window_layout.h"

#include <algorithm>

GmSubWindowLayout::GmSubWindowLayout(QWidget* parent) : QVBoxLayout(parent) {}

void GmSubWindowLayout::setMinimumWidth(int width) {
    if (width == minimumWidth_) return;
    minimumWidth_ = width;
    invalidate();
}

QSize GmSubWindowLayout::sizeHint() const {
    QSize hint = QVBoxLayout::sizeHint();
    hint.setWidth(std::max(hint.width(), minimumWidth_));
    return hint;
}

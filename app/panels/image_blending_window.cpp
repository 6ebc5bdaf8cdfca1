#include "panels/image_blending_window.h"

#include "panels/common_blend_opts_widget.h"

ImageBlendingWindow::ImageBlendingWindow(QWidget* actionHolder, const QString& shortcut,
                                         QWidget* parent)
    : GmSubWindow(QStringLiteral("Edge Blending"), tr("Edge Blending", "[zt3]"), actionHolder,
                  shortcut, parent),
      options_(new CommonBlendOptsWidget(true, true)) {
    setWidget(options_);
}

ImageBlendingWindow::~ImageBlendingWindow() = default;

// The "Edge Blending" panel: the whole image's blend mask width and mix of
// Feather and Smart blending. Its controls write the image's record at once;
// mask generation reads them there. The main window docks it with its width
// locked.
#ifndef APP_PANELS_IMAGE_BLENDING_WINDOW_H
#define APP_PANELS_IMAGE_BLENDING_WINDOW_H

#include "shell/panel_framework/gm_sub_window.h"

class CommonBlendOptsWidget;

class ImageBlendingWindow : public GmSubWindow {
    Q_OBJECT
public:
    // Named "Edge Blending"; its toggle action goes into `actionHolder` with `shortcut`.
    ImageBlendingWindow(QWidget* actionHolder, const QString& shortcut, QWidget* parent);
    ~ImageBlendingWindow() override;

    bool floatsByDefault() const override { return false; }

    CommonBlendOptsWidget* options() const { return options_; }

private:
    CommonBlendOptsWidget* options_;
};

#endif

// The "Edge Finding" panel: the whole image's edge-finding values, whose
// Apply analyses the image again. Its widget also analyses every new session
// (a new image, a project, a new resolution). The main window docks it with
// its width locked and asks it whether object edges can be shown.
#ifndef APP_PANELS_IMAGE_EDGE_FINDER_H
#define APP_PANELS_IMAGE_EDGE_FINDER_H

#include "shell/panel_framework/gm_sub_window.h"

class EdgeDetectionOptions;

class ImageEdgeFinder : public GmSubWindow {
    Q_OBJECT
public:
    // Named "Edge Finding"; its toggle action goes into `actionHolder` with
    // `shortcut`. The content starts disabled until an image is open.
    ImageEdgeFinder(QWidget* actionHolder, const QString& shortcut, QWidget* parent);
    ~ImageEdgeFinder() override;

    bool floatsByDefault() const override { return false; }

    EdgeDetectionOptions* options() const { return options_; }
    // Whether the image's sensitivity lets the object edges be shown (below 100).
    bool canShowVectorEdges() const;

signals:
    // Declared for the main window's screen modes; nothing emits it yet.
    void normalModeToggled(bool normal);

private:
    EdgeDetectionOptions* options_;
};

#endif

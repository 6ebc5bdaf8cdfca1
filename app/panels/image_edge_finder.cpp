#include "panels/image_edge_finder.h"

#include "panels/edge_detection_options.h"

ImageEdgeFinder::ImageEdgeFinder(QWidget* actionHolder, const QString& shortcut, QWidget* parent)
    : GmSubWindow(QStringLiteral("Edge Finding"), tr("Edge Finding", "[zt3]"), actionHolder,
                  shortcut, parent),
      options_(new EdgeDetectionOptions(true)) {
    options_->setEnabled(false);
    setWidget(options_);
}

ImageEdgeFinder::~ImageEdgeFinder() = default;

bool ImageEdgeFinder::canShowVectorEdges() const {
    return options_->canShowVectorEdges();
}

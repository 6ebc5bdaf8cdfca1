// A rectangle patch, its corners on the workspace pixel grid.
// Project map: "type" 0, "GmRegion", "rectangle_" (the rectangle's map).
#ifndef APP_MODEL_RECT_REGION_H
#define APP_MODEL_RECT_REGION_H

#include "model/gm_region.h"
#include "model/zt_rectangle.h"

class RectRegion : public GmRegion {
    Q_OBJECT
public:
    // A rectangle of size 0 at `anchor` (snapped to the grid); appends
    // itself to the model's patch list.
    explicit RectRegion(const QPointF& anchor);
    // From a project map; not added to the model.
    explicit RectRegion(const QVariant& map);

    zt::Rectangle* rectangle() { return &rectangle_; }

    Shape* shape() override { return &rectangle_; }
    QVariant toVariant() const override;
    bool canPreview() const override { return true; }
    void testRender() override;

private:
    zt::Rectangle rectangle_;
};

#endif

// A polygon patch: a closed polygon the user can reshape vertex by vertex.
// Project map: "type" 1, "GmRegion", "poly_" (the polygon's map).
#ifndef APP_MODEL_POLY_REGION_H
#define APP_MODEL_POLY_REGION_H

#include "model/gm_region.h"
#include "model/zt_polygon.h"

class PolyRegion : public GmRegion {
    Q_OBJECT
public:
    // A closed polygon holding `first` once; appends itself to the model's patch list.
    explicit PolyRegion(const QPointF& first);
    // From a project map; not added to the model.
    explicit PolyRegion(const QVariant& map);

    zt::Polygon* polygon() { return &polygon_; }

    Shape* shape() override { return &polygon_; }
    QVariant toVariant() const override;
    bool canPreview() const override { return true; }
    void testRender() override;

private:
    zt::Polygon polygon_;
};

#endif

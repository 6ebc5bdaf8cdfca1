// A brushed patch: its outline is a brush stroke, which cannot be moved or
// reshaped afterwards. Revert All deletes brushed patches.
// Project map: "type" 2, "GmRegion", "brushing_" (the stroke's map).
#ifndef APP_MODEL_BRUSH_REGION_H
#define APP_MODEL_BRUSH_REGION_H

#include "model/brushing.h"
#include "model/gm_region.h"

class BrushRegion : public GmRegion {
    Q_OBJECT
public:
    // A patch whose stroke is a copy of `stroke`; appends itself to the
    // model's patch list.
    explicit BrushRegion(const Brushing& stroke);
    // From a project map; not added to the model.
    explicit BrushRegion(const QVariant& map);

    Brushing* brushing() { return &brushing_; }

    Shape* shape() override { return &brushing_; }
    bool removedOnRevert() const override { return true; }
    QVariant toVariant() const override;
    bool canPreview() const override { return true; }
    void testRender() override;

private:
    Brushing brushing_;
};

#endif

// The four edge-finding values that drive the engine's division of the image
// (or of one patch) into regions, each a GmValue<int>:
//
//   sensitivity_  "Number of Edges"        1..100, higher finds more objects   default 50
//   width_        "Edge Width Threshold"   1..32 workspace pixels              default 3
//   texture_      "Filter-out Texture"     0 fine, 1 medium, 2 coarse          default 1
//   contrast_     "Edge Contrast"          0 low, 1 medium, 2 high             default 1
//
// The whole-set operations walk the four in that order. widthInImageCoords_
// is the edge width in full-image pixels; below 1 it is not yet known.
#ifndef APP_MODEL_EDOS_H
#define APP_MODEL_EDOS_H

#include "model/gm_value.h"

#include <QObject>
#include <QVariant>
#include <QVector>

struct VkAnalysisOptions;

class EDOs : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultSensitivity = 50;
    static constexpr int DefaultWidth = 3;
    static constexpr int DefaultTexture = 1;
    static constexpr int DefaultContrast = 1;

    // Every slot of every value holds its default.
    explicit EDOs(QObject* parent = nullptr);
    // From the project map ("sensitivity_", "width_", "texture_", "contrast_",
    // "widthInImageCoords_"). A missing or short value list takes the value's
    // default in the slots it lacks; a missing width in image pixels is unknown.
    explicit EDOs(const QVariant& map, QObject* parent = nullptr);

    // The project map; all five keys.
    QVariant toVariant() const;

    void applyAll();
    void storeAll();
    void restoreAll();
    void revertAll();
    void setAllToDefault();
    bool anyEdited() const;
    bool anyNonDefault() const;

    // Copies all four slots of every value, and the width in image pixels.
    void copyValues(const EDOs& other);

    // The current slots from the values the engine suggests for a session:
    // sensitivity := tolerance x 99 + 1 rounded half away from zero (tolerance
    // in 0..1), width, contrast and texture as they are.
    void setCurrentFromEngine(const VkAnalysisOptions& engine);

    // The four values in the order above.
    const QVector<GmValueB*>& values() const { return values_; }

    GmValue<int> sensitivity_;
    GmValue<int> width_;
    GmValue<int> texture_;
    GmValue<int> contrast_;
    int widthInImageCoords_ = -1;

private:
    QVector<GmValueB*> values_;
};

#endif

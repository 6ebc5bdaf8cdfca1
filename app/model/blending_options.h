// The fourteen blending values of the whole image or of one patch: a plain
// record that copies deeply (each copy has its own override colours).
//
//   autoBlueWidthF_                  0.75  blend band made where keep meets delete
//                                          (the panel offers 0, 0.15, 0.75, 1.5)
//   blendRatioF_                     0.2   1 all Feather ... 0 all Smart blending
//   isPatchBlendRatioTrackingImage_  false a patch follows the image's ratio
//   feather_                         5     feather width for mask generation
//   isChoices_                       false "Complex Hair Blending"
//   choices1F_, choices2F_           0.5   keep / delete colour palette size, 0..1
//   isMembrane_                      false "Complex Edge Blending"
//   membrane1F_                      0.5   "Edge Smoothness", 0..1
//   isUniformBg_                     false uniform background
//   fgChecked_, fgOverride()         false, white   foreground override colour
//   bgChecked_, bgOverride()         false, black   background override colour
//
// The override colours are not kept in the user's settings. A copy gets
// colours of its own; the record has no moves, so its colours are never null.
#ifndef APP_MODEL_BLENDING_OPTIONS_H
#define APP_MODEL_BLENDING_OPTIONS_H

#include "model/gm_color.h"

#include <QVariant>

#include <memory>

class BlendingOptions {
public:
    BlendingOptions();
    BlendingOptions(const BlendingOptions& other);
    BlendingOptions& operator=(const BlendingOptions& other);
    ~BlendingOptions();

    // From the project map. Project files are not trusted: any key that is
    // missing or whose value does not read as its type keeps the default.
    static BlendingOptions fromVariant(const QVariant& map);
    // The project map; all fourteen keys, the floats as float values.
    QVariant toVariant() const;

    GmColor& fgOverride() const { return *fgOverride_; }
    GmColor& bgOverride() const { return *bgOverride_; }

    float autoBlueWidthF_ = 0.75f;
    float blendRatioF_ = 0.2f;
    bool isPatchBlendRatioTrackingImage_ = false;
    int feather_ = 5;
    bool isChoices_ = false;
    float choices1F_ = 0.5f;
    float choices2F_ = 0.5f;
    bool isMembrane_ = false;
    float membrane1F_ = 0.5f;
    bool isUniformBg_ = false;
    bool fgChecked_ = false;
    bool bgChecked_ = false;

private:
    std::unique_ptr<GmColor> fgOverride_;
    std::unique_ptr<GmColor> bgOverride_;
};

#endif

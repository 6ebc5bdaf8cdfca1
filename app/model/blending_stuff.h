// The blending settings of the whole image (no owner) or of one patch (the
// patch owns the record and is its owner). Project map: "bos_", the options.
#ifndef APP_MODEL_BLENDING_STUFF_H
#define APP_MODEL_BLENDING_STUFF_H

#include "model/blending_options.h"

#include <QVariant>

class GmRegion;

class BlendingStuff {
public:
    // Default options.
    explicit BlendingStuff(GmRegion* owner = nullptr);
    // From the project map; a missing or unreadable "bos_" gives the default options.
    BlendingStuff(const QVariant& map, GmRegion* owner);
    virtual ~BlendingStuff();

    QVariant toVariant() const;

    // The patch the record belongs to; null for the whole image.
    GmRegion* owner() const { return owner_; }
    BlendingOptions& options() { return bos_; }
    const BlendingOptions& options() const { return bos_; }

private:
    GmRegion* owner_;
    BlendingOptions bos_;
};

#endif

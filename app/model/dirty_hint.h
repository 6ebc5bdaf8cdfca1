// What qualifies a repaint request of the model (GmModel::rectDirty).
#ifndef APP_MODEL_DIRTY_HINT_H
#define APP_MODEL_DIRTY_HINT_H

#include <QMetaType>

// How much the canvas grows a dirty rectangle before repainting it: outlines
// drawn with a pen, and the handles of an active shape, reach beyond the
// shape's own rectangle.
enum DirtyHint {
    NoDirtyMargin = 0,    // exactly the rectangle
    SmallDirtyMargin = 1, // grown by 2 screen pixels (outlines being drawn)
    LargeDirtyMargin = 2, // grown by 4.5 screen pixels (shapes dragged with their handles)
};

// Whether a repaint also drops the cut-out preview of a patch.
enum PatchPreviewWanted {
    KeepPatchPreview = 0,
    DropPatchPreview = 1,
};

Q_DECLARE_METATYPE(DirtyHint)
Q_DECLARE_METATYPE(PatchPreviewWanted)

#endif

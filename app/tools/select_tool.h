// A mask brush: on release its stroke becomes an engine selection that
// paints the brush's mask status (erase 1, keep 2, delete 4, blend 8) in its
// scope (exact 0, local 1, global 2) over the statuses the stroke may
// overwrite: unassigned always, keep, delete and blend unless the brush's
// own "Protect" box for that class is checked.
//
// A stroke begun outside the active patch paints the whole image: the patch
// is deactivated for the stroke and made active again when the stroke ends,
// is cancelled (Escape) or is abandoned (another tool); a patch deleted
// meanwhile is not brought back. A local or global brush pressed outside a
// patch analysed on its own while the image has no analysis refuses the
// press with a beep, and the patch stays active.
//
// The local and global brushes need the image's analysis (or the active
// patch's own, when it is analysed separately), done or under way.
#ifndef APP_TOOLS_SELECT_TOOL_H
#define APP_TOOLS_SELECT_TOOL_H

#include "tools/brushing_tool.h"

#include <QCheckBox>
#include <QPointer>

class SegmentationStuff;

class SelectTool : public BrushingTool {
    Q_OBJECT
public:
    enum Scope { Exact = 0, Local = 1, Global = 2 };

    // `status` a VkStatus (1, 2, 4 or 8), `scope` 0, 1 or 2; the rest as GmTool.
    SelectTool(int status, int scope, const QString& name, const QString& translatedName,
               const QIcon& icon, const QString& shortcut, const QString& whatsThis,
               QActionGroup* actionGroup, QWidget* actionWidget, QWidget* actionHolder,
               QWidget* optionsParent);
    ~SelectTool() override;

    // "Protect Mask: " with the brush's keep, delete and blend boxes, kept
    // under "ToolOptions/<name>/Keep" (and Delete, Blend), spaces removed.
    QWidget* createOptionsWidget() override;
    Brushing* beginStroke(const QPointF& point) override;
    // An empty stroke is deleted; any other is submitted as a selection
    // (the command owns it from now on). A patch deactivated for the stroke
    // is active again.
    void endStroke() override;
    // The exact brushes paint only the pixels under the brush.
    bool usesStrength() const override;
    int maskStatus() const { return status_; }
    int scope() const { return scope_; }
    bool mayOverwriteKeep() const;
    bool mayOverwriteDelete() const;
    bool mayOverwriteBlend() const;
    // 1, plus 2, 4 and 8 for the classes not protected: 15 with no box checked.
    int overwriteSet() const;
    bool needsSegmentation() const;
    virtual bool protectKeepDefault() const;
    virtual bool protectDeleteDefault() const;
    virtual bool protectBlendDefault() const;

    // Without an image, no; a local or global brush needs the analysis (done
    // or pending) of the active patch when it is analysed separately, else of
    // the image.
    bool isAvailable() const override;
    // The active patch or forced edge with its object edges (4), the others 3.
    int targetDrawMode(const ArrowTarget* target) const override;
    // A stroke in progress is dropped and its patch made active again.
    void deactivate(GmTool* next) override;

    QCheckBox* protectKeepBox() const { return protectKeep_; }
    QCheckBox* protectDeleteBox() const { return protectDelete_; }
    QCheckBox* protectBlendBox() const { return protectBlend_; }
    // The patch deactivated for the stroke in progress, or null.
    GmRegion* deactivatedPatch() const;

public slots:
    // The boxes are read when a stroke ends.
    void protectKeepChangedSlot(int);
    void protectDeleteChangedSlot(int);
    void protectComplexChangedSlot(int);

private:
    QCheckBox* makeProtectBox(QWidget* parent, const QString& keyName, const QString& statusName,
                              bool checkedByDefault);
    void restoreDeactivatedPatch();
    // The record's session is analysed, or its analysis is under way.
    static bool segmentationReady(const SegmentationStuff* record);

    QPointer<QCheckBox> protectKeep_;
    QPointer<QCheckBox> protectDelete_;
    QPointer<QCheckBox> protectBlend_;
    int status_;
    int scope_;
    QPointer<GmRegion> deactivatedPatch_;
};

#endif

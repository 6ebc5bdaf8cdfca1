// The "Patch Properties" panel: the settings of the active patch. Its
// "Edge Finding" tab says whether the patch is analysed with its own values
// ("Analyze Patch Separately") and edits them; its "Edge Blending" tab holds
// the standard and the complex blending of the patch; "Protect Patch" keeps
// brushes out of it. With no patch active it shows "No Active Patch".
//
// It floats by default, works on the Workspace tab only, comes up whenever a
// patch becomes ready unless the user closed it, and, while it exists, gives
// the canvas's context menu its toggle action (canvasHooks().patchPropertiesToggle).
// User-interface thread only.
#ifndef APP_PANELS_REGIONAL_PROPERTIES_H
#define APP_PANELS_REGIONAL_PROPERTIES_H

#include "shell/panel_framework/gm_sub_window.h"

class CommonBlendOptsWidget;
class EdgeDetectionOptions;
class GmRegion;
class QCheckBox;
class QGroupBox;
class QStackedWidget;
class QTabWidget;
class RegionBlendOptsWidget;

class RegionalProperties : public GmSubWindow {
    Q_OBJECT
public:
    // Pages of the content.
    enum Page { NoActivePatchPage = 0, PatchPage = 1 };

    // Named "Patch Properties"; its toggle action goes into `actionHolder` with `shortcut`.
    RegionalProperties(QWidget* actionHolder, const QString& shortcut, QWidget* parent);
    ~RegionalProperties() override;

    bool floatsByDefault() const override { return true; }
    int enabledViewTabs() const override;
    bool restoresVisibility() const override { return false; }

    // Whether the patch's own sensitivity lets the object edges be shown (below 100).
    bool canShowVectorEdges() const;

    EdgeDetectionOptions* edgeOptions() const { return edgeOptions_; }
    CommonBlendOptsWidget* standardBlending() const { return standardBlending_; }
    RegionBlendOptsWidget* complexBlending() const { return complexBlending_; }
    QGroupBox* analyseSeparatelyGroup() const { return analyseGroup_; }
    QCheckBox* protectBox() const { return protectBox_; }
    QStackedWidget* pages() const { return pages_; }
    QTabWidget* tabs() const { return tabs_; }

public slots:
    void resolutionChangedSlot(int oldRes, int newRes);
    // Shown when a patch is ready, unless the user closed the panel.
    void updateVisibilitySlot();
    void activeRegionChangedSlot(GmRegion* region);
    void protectionChangedSlot(GmRegion* region);
    // "Analyze Patch Separately" clicked: the patch's record takes the
    // choice, and a patch analysed with its own values is analysed now.
    void regSmegCheckBoxStateChangedSlot();
    void protectionCheckBoxClickedSlot(bool on);

private:
    QWidget* buildNoPatchPage();
    QWidget* buildPatchPage();
    // Every control shows `patch`.
    void loadPatch(GmRegion* patch);

    EdgeDetectionOptions* edgeOptions_ = nullptr;
    CommonBlendOptsWidget* standardBlending_ = nullptr;
    RegionBlendOptsWidget* complexBlending_ = nullptr;
    QGroupBox* analyseGroup_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QCheckBox* protectBox_ = nullptr;
};

#endif

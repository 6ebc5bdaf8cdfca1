// The user's preferences for the whole process: whether option panels start
// a new image from the values of the last run, whether pen pressure sets the
// brush size, and the seven colours the workspace draws with.
//
// One instance, owned by the application object and reached through
// instance(). It reads "Preferences/PersistOptions" (default false) and
// "Preferences/UseTabletPressure" (default true) when it is created and writes
// them only when it is destroyed; the colours write themselves then too.
#ifndef APP_MODEL_ZT_APP_PREFS_H
#define APP_MODEL_ZT_APP_PREFS_H

#include <QColor>
#include <QList>

class GmColor;

class ZtAppPrefs {
public:
    // The colours' positions; users take the colours by position.
    enum ColorIndex {
        KeepMaskColor,                // "Keep Mask", green
        DeleteMaskColor,              // "Delete Mask", red
        BlendMaskColor,               // "Blend Mask", blue
        PatchProtectionColor,         // "Patch Protection", white
        PatchOrForcedEdgeColor,       // "Patch or Forced Edge", dark yellow
        ActivePatchOrForcedEdgeColor, // "Active Patch or Forced Edge", yellow
        ColorWorkspaceHighlightColor, // "Color Workspace Highlight", yellow
        ColorCount
    };

    ZtAppPrefs();
    ~ZtAppPrefs();
    ZtAppPrefs(const ZtAppPrefs&) = delete;
    ZtAppPrefs& operator=(const ZtAppPrefs&) = delete;

    // The preferences of the running program; null before they are created.
    static ZtAppPrefs* instance();

    bool persistOptions() const { return persistOptions_; }
    void setPersistOptions(bool on) { persistOptions_ = on; }
    bool useTabletPressure() const { return useTabletPressure_; }
    void setUseTabletPressure(bool on) { useTabletPressure_ = on; }

    // The seven colours in the order of ColorIndex; owned by the preferences.
    const QList<GmColor*>& colors() const { return colors_; }
    GmColor* color(ColorIndex index) const { return colors_.at(index); }

    // The colour's default.
    static QColor defaultColor(ColorIndex index);
    // The preferences' colour at `index`, or its default while there are no preferences.
    static QColor currentColor(ColorIndex index);

private:
    bool persistOptions_ = false;
    bool useTabletPressure_ = true;
    QList<GmColor*> colors_;
};

#endif

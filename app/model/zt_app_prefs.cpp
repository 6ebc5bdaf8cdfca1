#include "model/zt_app_prefs.h"

#include "model/gm_color.h"
#include "model/variant_values.h"

#include <QObject>
#include <QSettings>

namespace {

ZtAppPrefs* current = nullptr;

QString persistOptionsKey() {
    return QStringLiteral("Preferences/") + QStringLiteral("PersistOptions");
}

QString useTabletPressureKey() {
    return QStringLiteral("Preferences/") + QStringLiteral("UseTabletPressure");
}

} // namespace

ZtAppPrefs::ZtAppPrefs() {
    const QSettings settings;
    persistOptions_ = boolFromVariant(settings.value(persistOptionsKey())).value_or(false);
    useTabletPressure_ = boolFromVariant(settings.value(useTabletPressureKey())).value_or(true);
    current = this;

    // The key is the English name; the description is what the user reads.
    colors_ << new GmColor(defaultColor(KeepMaskColor), QStringLiteral("Keep Mask"),
                           QObject::tr("Keep Mask", "[zt3]"), 1)
            << new GmColor(defaultColor(DeleteMaskColor), QStringLiteral("Delete Mask"),
                           QObject::tr("Delete Mask", "[zt3]"), 1)
            << new GmColor(defaultColor(BlendMaskColor), QStringLiteral("Blend Mask"),
                           QObject::tr("Blend Mask", "[zt3]"), 1)
            << new GmColor(defaultColor(PatchProtectionColor), QStringLiteral("Patch Protection"),
                           QObject::tr("Patch Protection", "[zt3]"), 1)
            << new GmColor(defaultColor(PatchOrForcedEdgeColor),
                           QStringLiteral("Patch or Forced Edge"),
                           QObject::tr("Patch or Forced Edge", "[zt3]"), 1)
            << new GmColor(defaultColor(ActivePatchOrForcedEdgeColor),
                           QStringLiteral("Active Patch or Forced Edge"),
                           QObject::tr("Active Patch or Forced Edge", "[zt3]"), 1)
            << new GmColor(defaultColor(ColorWorkspaceHighlightColor),
                           QStringLiteral("Color Workspace Highlight"),
                           QObject::tr("Color Workspace Highlight", "[zt3]"), 1);
}

ZtAppPrefs::~ZtAppPrefs() {
    QSettings settings;
    settings.setValue(persistOptionsKey(), persistOptions_);
    settings.setValue(useTabletPressureKey(), useTabletPressure_);
    qDeleteAll(colors_);
    colors_.clear();
    if (current == this) current = nullptr;
}

ZtAppPrefs* ZtAppPrefs::instance() {
    return current;
}

QColor ZtAppPrefs::defaultColor(ColorIndex index) {
    switch (index) {
    case KeepMaskColor:
        return Qt::green;
    case DeleteMaskColor:
        return Qt::red;
    case BlendMaskColor:
        return Qt::blue;
    case PatchProtectionColor:
        return Qt::white;
    case PatchOrForcedEdgeColor:
        return Qt::darkYellow;
    case ActivePatchOrForcedEdgeColor:
    case ColorWorkspaceHighlightColor:
        return Qt::yellow;
    case ColorCount:
        break;
    }
    return QColor();
}

QColor ZtAppPrefs::currentColor(ColorIndex index) {
    return current ? current->color(index)->color() : defaultColor(index);
}

#include "model/color_dialog_palette.h"

#include "shell/services/prompt_service.h"

#include <QColor>
#include <QSettings>
#include <QString>
#include <QVector>

#include <algorithm>

namespace {

QString countKey() {
    return QStringLiteral("Colors/NumCustomColors");
}

QString entryKey(int index) {
    return QStringLiteral("Colors/CustomColor%1").arg(index);
}

QColor storedEntry(const QVariant& value) {
    if (value.userType() == QMetaType::QColor) {
        const QColor colour = value.value<QColor>();
        if (colour.isValid()) return colour;
    } else if (value.isValid()) {
        bool ok = false;
        const uint rgb = value.toUInt(&ok);
        if (ok) return QColor::fromRgb(rgb);
    }
    return QColor(Qt::black);
}

} // namespace

void restoreColorDialogPalette() {
    PromptService* dialog = promptService();
    const QSettings settings;
    bool ok = false;
    const int stored = settings.value(countKey(), 0).toInt(&ok);
    const int n = std::min(dialog->customColours().size(), ok ? stored : 0);
    for (int i = 0; i < n; ++i)
        dialog->setCustomColour(i, storedEntry(settings.value(entryKey(i))));
}

void saveColorDialogPalette() {
    const QVector<QColor> colours = promptService()->customColours();
    QSettings settings;
    settings.setValue(countKey(), colours.size());
    for (int i = 0; i < colours.size(); ++i)
        settings.setValue(entryKey(i), colours.at(i));
}

#include "panels/persistent_widget.h"

#include "model/variant_values.h"

#include <QRegularExpression>
#include <QSettings>

QString persistentWidgetKey(const QString& group, const QString& keyName) {
    static const QRegularExpression spacesAndHyphens(QStringLiteral("[ -]"));
    QString key = group + QLatin1Char('/') + keyName;
    return key.remove(spacesAndHyphens);
}

namespace persistent_widget_detail {

// The settings are the user's own, under the application's organisation and
// application names (QSettings' default).

int storedInt(const QString& key, int defaultValue) {
    QSettings settings;
    if (!settings.contains(key)) return defaultValue;
    return intFromVariant(settings.value(key)).value_or(0);
}

bool storedBool(const QString& key, bool defaultValue) {
    QSettings settings;
    if (!settings.contains(key)) return defaultValue;
    return boolFromVariant(settings.value(key)).value_or(false);
}

QString storedString(const QString& key, const QString& defaultValue) {
    QSettings settings;
    return settings.value(key, defaultValue).toString();
}

void storeValue(const QString& key, const QVariant& value) {
    QSettings settings;
    settings.setValue(key, value);
}

} // namespace persistent_widget_detail

template class PersistentWidget<QSlider, int>;
template class PersistentWidget<QSpinBox, int>;
template class PersistentWidget<QComboBox, QString>;
template class PersistentWidget<QRadioButton, bool>;
template class PersistentWidget<QCheckBox, bool>;

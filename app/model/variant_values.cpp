#include "model/variant_values.h"

#include <QString>

#include <cmath>

std::optional<int> intFromVariant(const QVariant& value) {
    if (!value.isValid()) return std::nullopt;
    bool ok = false;
    const int result = value.toInt(&ok);
    if (!ok) return std::nullopt;
    return result;
}

std::optional<bool> boolFromVariant(const QVariant& value) {
    if (!value.isValid()) return std::nullopt;
    if (value.userType() == QMetaType::Bool) return value.toBool();
    if (value.userType() == QMetaType::QString || value.userType() == QMetaType::QByteArray) {
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true")) return true;
        if (text == QLatin1String("false")) return false;
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || std::isnan(number)) return std::nullopt;
    return number != 0.0;
}

std::optional<float> finiteFloatFromVariant(const QVariant& value) {
    if (!value.isValid()) return std::nullopt;
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    const float narrowed = static_cast<float>(number);
    if (!std::isfinite(narrowed)) return std::nullopt;
    return narrowed;
}

#include "model/blending_options.h"

#include "model/variant_values.h"

#include <QCoreApplication>
#include <QVariantMap>

#include <utility>

namespace {

std::unique_ptr<GmColor> defaultForeground() {
    return std::make_unique<GmColor>(
        QColor(Qt::white), QStringLiteral("Foreground Override"),
        QCoreApplication::translate("BlendingOptions", "Foreground Override", "[zt3]"), 0);
}

std::unique_ptr<GmColor> defaultBackground() {
    return std::make_unique<GmColor>(
        QColor(Qt::black), QStringLiteral("Background Override"),
        QCoreApplication::translate("BlendingOptions", "Background Override", "[zt3]"), 0);
}

void readFloat(const QVariantMap& m, const char* key, float& field) {
    if (const auto value = finiteFloatFromVariant(m.value(QLatin1String(key)))) field = *value;
}

void readBool(const QVariantMap& m, const char* key, bool& field) {
    if (const auto value = boolFromVariant(m.value(QLatin1String(key)))) field = *value;
}

void readInt(const QVariantMap& m, const char* key, int& field) {
    if (const auto value = intFromVariant(m.value(QLatin1String(key)))) field = *value;
}

// An override colour from the file, laid over the default's own map so that
// what the file lacks keeps the default's value.
void readColor(const QVariantMap& m, const char* key, std::unique_ptr<GmColor>& field) {
    const QVariant value = m.value(QLatin1String(key));
    if (value.userType() != QMetaType::QVariantMap) return;
    QVariantMap merged = field->toVariant().toMap();
    const QVariantMap stored = value.toMap();
    for (auto it = stored.begin(); it != stored.end(); ++it)
        merged.insert(it.key(), it.value());
    field = std::make_unique<GmColor>(QVariant(merged));
}

QVariant floatVariant(float value) {
    return QVariant::fromValue(value);
}

} // namespace

BlendingOptions::BlendingOptions()
    : fgOverride_(defaultForeground()), bgOverride_(defaultBackground()) {}

BlendingOptions::BlendingOptions(const BlendingOptions& other)
    : autoBlueWidthF_(other.autoBlueWidthF_), blendRatioF_(other.blendRatioF_),
      isPatchBlendRatioTrackingImage_(other.isPatchBlendRatioTrackingImage_),
      feather_(other.feather_), isChoices_(other.isChoices_), choices1F_(other.choices1F_),
      choices2F_(other.choices2F_), isMembrane_(other.isMembrane_), membrane1F_(other.membrane1F_),
      isUniformBg_(other.isUniformBg_), fgChecked_(other.fgChecked_), bgChecked_(other.bgChecked_),
      fgOverride_(other.fgOverride_->clone()), bgOverride_(other.bgOverride_->clone()) {}

BlendingOptions& BlendingOptions::operator=(const BlendingOptions& other) {
    if (this == &other) return *this;
    auto fg = other.fgOverride_->clone();
    auto bg = other.bgOverride_->clone();
    autoBlueWidthF_ = other.autoBlueWidthF_;
    blendRatioF_ = other.blendRatioF_;
    isPatchBlendRatioTrackingImage_ = other.isPatchBlendRatioTrackingImage_;
    feather_ = other.feather_;
    isChoices_ = other.isChoices_;
    choices1F_ = other.choices1F_;
    choices2F_ = other.choices2F_;
    isMembrane_ = other.isMembrane_;
    membrane1F_ = other.membrane1F_;
    isUniformBg_ = other.isUniformBg_;
    fgChecked_ = other.fgChecked_;
    bgChecked_ = other.bgChecked_;
    fgOverride_ = std::move(fg);
    bgOverride_ = std::move(bg);
    return *this;
}

BlendingOptions::~BlendingOptions() = default;

BlendingOptions BlendingOptions::fromVariant(const QVariant& map) {
    BlendingOptions options;
    const QVariantMap m = map.toMap();
    readFloat(m, "autoBlueWidthF_", options.autoBlueWidthF_);
    readFloat(m, "blendRatioF_", options.blendRatioF_);
    readBool(m, "isPatchBlendRatioTrackingImage_", options.isPatchBlendRatioTrackingImage_);
    readInt(m, "feather_", options.feather_);
    readBool(m, "isChoices_", options.isChoices_);
    readFloat(m, "choices1F_", options.choices1F_);
    readFloat(m, "choices2F_", options.choices2F_);
    readBool(m, "isMembrane_", options.isMembrane_);
    readFloat(m, "membrane1F_", options.membrane1F_);
    readBool(m, "isUniformBg_", options.isUniformBg_);
    readBool(m, "fgChecked_", options.fgChecked_);
    readColor(m, "fgOverride_", options.fgOverride_);
    readBool(m, "bgChecked_", options.bgChecked_);
    readColor(m, "bgOverride_", options.bgOverride_);
    return options;
}

QVariant BlendingOptions::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("autoBlueWidthF_"), floatVariant(autoBlueWidthF_));
    m.insert(QStringLiteral("blendRatioF_"), floatVariant(blendRatioF_));
    m.insert(QStringLiteral("isPatchBlendRatioTrackingImage_"), isPatchBlendRatioTrackingImage_);
    m.insert(QStringLiteral("feather_"), feather_);
    m.insert(QStringLiteral("isChoices_"), isChoices_);
    m.insert(QStringLiteral("choices1F_"), floatVariant(choices1F_));
    m.insert(QStringLiteral("choices2F_"), floatVariant(choices2F_));
    m.insert(QStringLiteral("isMembrane_"), isMembrane_);
    m.insert(QStringLiteral("membrane1F_"), floatVariant(membrane1F_));
    m.insert(QStringLiteral("isUniformBg_"), isUniformBg_);
    m.insert(QStringLiteral("fgChecked_"), fgChecked_);
    m.insert(QStringLiteral("fgOverride_"), fgOverride_->toVariant());
    m.insert(QStringLiteral("bgChecked_"), bgChecked_);
    m.insert(QStringLiteral("bgOverride_"), bgOverride_->toVariant());
    return m;
}

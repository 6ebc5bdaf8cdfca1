#include "model/edos.h"

#include "model/variant_values.h"

#include "vardek.h"

#include <QVariantMap>

#include <algorithm>
#include <cmath>

EDOs::EDOs(QObject* parent)
    : QObject(parent), sensitivity_(DefaultSensitivity), width_(DefaultWidth),
      texture_(DefaultTexture),
      contrast_(DefaultContrast), values_{&sensitivity_, &width_, &texture_, &contrast_} {}

EDOs::EDOs(const QVariant& map, QObject* parent) : EDOs(parent) {
    const QVariantMap m = map.toMap();
    sensitivity_ = GmValue<int>(m.value(QStringLiteral("sensitivity_")), DefaultSensitivity);
    width_ = GmValue<int>(m.value(QStringLiteral("width_")), DefaultWidth);
    texture_ = GmValue<int>(m.value(QStringLiteral("texture_")), DefaultTexture);
    contrast_ = GmValue<int>(m.value(QStringLiteral("contrast_")), DefaultContrast);
    widthInImageCoords_ =
        intFromVariant(m.value(QStringLiteral("widthInImageCoords_"))).value_or(-1);
}

QVariant EDOs::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("sensitivity_"), sensitivity_.toVariant());
    m.insert(QStringLiteral("width_"), width_.toVariant());
    m.insert(QStringLiteral("texture_"), texture_.toVariant());
    m.insert(QStringLiteral("contrast_"), contrast_.toVariant());
    m.insert(QStringLiteral("widthInImageCoords_"), widthInImageCoords_);
    return m;
}

void EDOs::applyAll() {
    for (GmValueB* value : values_)
        value->apply();
}

void EDOs::storeAll() {
    for (GmValueB* value : values_)
        value->store();
}

void EDOs::restoreAll() {
    for (GmValueB* value : values_)
        value->restore();
}

void EDOs::revertAll() {
    for (GmValueB* value : values_)
        value->revert();
}

void EDOs::setAllToDefault() {
    for (GmValueB* value : values_)
        value->setToDefault();
}

bool EDOs::anyEdited() const {
    return std::any_of(values_.begin(), values_.end(),
                       [](const GmValueB* value) { return value->isEdited(); });
}

bool EDOs::anyNonDefault() const {
    return std::any_of(values_.begin(), values_.end(),
                       [](const GmValueB* value) { return value->isNonDefault(); });
}

void EDOs::copyValues(const EDOs& other) {
    sensitivity_.copySlotsFrom(other.sensitivity_);
    width_.copySlotsFrom(other.width_);
    texture_.copySlotsFrom(other.texture_);
    contrast_.copySlotsFrom(other.contrast_);
    widthInImageCoords_ = other.widthInImageCoords_;
}

void EDOs::setCurrentFromEngine(const VkAnalysisOptions& engine) {
    // std::lround rounds halves away from zero: a tolerance of 0.5 gives 51.
    sensitivity_.setCurrent(
        static_cast<int>(std::lround(static_cast<double>(engine.tolerance) * 99.0 + 1.0)));
    width_.setCurrent(static_cast<int>(engine.edgeWidth));
    contrast_.setCurrent(engine.contrast);
    texture_.setCurrent(engine.texture);
}

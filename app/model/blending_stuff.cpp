#include "model/blending_stuff.h"

#include <QVariantMap>

BlendingStuff::BlendingStuff(GmRegion* owner) : owner_(owner) {}

BlendingStuff::BlendingStuff(const QVariant& map, GmRegion* owner)
    : owner_(owner), bos_(BlendingOptions::fromVariant(map.toMap().value(QStringLiteral("bos_")))) {
}

BlendingStuff::~BlendingStuff() = default;

QVariant BlendingStuff::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("bos_"), bos_.toVariant());
    return m;
}

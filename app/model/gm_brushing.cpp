#include "model/gm_brushing.h"

#include "model/brushing.h"
#include "model/gm_model.h"

GmBrushing::GmBrushing(const QColor& strokeColour, QObject* parent)
    : QObject(parent), brushing_(std::make_unique<Brushing>(strokeColour)) {
    GmModel::instance()->addBrushing(this);
}

GmBrushing::~GmBrushing() {
    GmModel::instance()->removeBrushing(this);
}

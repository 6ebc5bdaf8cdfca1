#include "panels/pipette_hooks.h"

namespace {

PipetteFactory& installedFactory() {
    static PipetteFactory factory;
    return factory;
}

} // namespace

void setPipetteFactory(PipetteFactory factory) {
    installedFactory() = std::move(factory);
}

Pipette createPipette(const QString& name, const QString& translatedName) {
    const PipetteFactory& factory = installedFactory();
    return factory ? factory(name, translatedName) : Pipette();
}

#include "engine_bridge/vardek_command.h"

#include "vardek.h"

VardekCommand::VardekCommand(GmModel* model, const QString& description)
    : model_(model), description_(description) {}

VardekCommand::~VardekCommand() = default;

QString VardekCommand::description() const {
    return description_;
}

QString VardekCommand::parameterText() const {
    return QString();
}

bool VardekCommand::prepare() {
    return true;
}

void VardekCommand::finished() {}

void VardekCommand::discarded() {}

bool VardekCommand::isCancellable() const {
    return true;
}

bool VardekCommand::countsAsChange() const {
    return true;
}

bool VardekCommand::refreshesUndoCount() const {
    return false;
}

void VardekCommand::checkResult(int code) {
    switch (code) {
    case VkOutOfMemory:
    case VkUndoOutOfMemory:
        throw Error{code, tr("Out of memory", "description of Vardek Library error")};
    case VkEngineFailed:
        throw Error{code, tr("Vardek library fault", "description of Vardek Library error")};
    default:
        return;
    }
}

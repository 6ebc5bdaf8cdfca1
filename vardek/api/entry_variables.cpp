// Entry functions of the session's named variables.
#include "api/entry.h"

using namespace vardek::entry;

VkResult VkSetVariable(VkSession* handle, const char* name, float value) {
    return onSession(handle, [&](VkInSession& session) {
        // A sub-session's variables steer nothing: its analysis settings are its parent's.
        if (session.isSubSession() || !name) return VkNotSupported;
        try {
            if (!session.variableTable->setByName(name, value)) return VkNotSupported;
        } catch (const vardek::Variables::VariableNotFound&) {
            return VkNotSupported;
        }
        session.publishAnalysisOptions();
        return VkOk;
    });
}

VkResult VkGetVariable(VkSession* handle, const char* name, VkVariable* variable) {
    return onSession(handle, [&](VkInSession& session) {
        if (!name || !variable) return VkNotSupported;
        try {
            *variable = session.variableTable->record(name);
        } catch (const vardek::Variables::VariableNotFound&) {
            return VkNotSupported;
        }
        return VkOk;
    });
}

// The session object behind a VkSession handle: one image, its classification,
// variables and undo queue, or a sub-session over a rectangle of its parent.
#ifndef VARDEK_API_SESSION_H
#define VARDEK_API_SESSION_H

#include "vardek/api/signed.h"
#include "vardek/api/vardek.h"

#include <vector>

struct VkInSession : VkSession, VkSigned {
    VkEngine* engine = nullptr;
    VkInSession* parent = nullptr;
    std::vector<VkInSession*> subSessions; // in order of creation; not owned

    virtual ~VkInSession();
};

inline VkInSession* inSession(VkSession* handle) {
    return static_cast<VkInSession*>(handle);
}

#endif

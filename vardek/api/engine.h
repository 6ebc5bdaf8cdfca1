// The engine instance behind a VkEngine handle.
#ifndef VARDEK_API_ENGINE_H
#define VARDEK_API_ENGINE_H

#include "api/signed.h"
#include "api/vardek.h"

#include <set>

struct VkInSession;
struct VkInImage;

struct VkEngine {
    VkSigned signature;
    std::set<VkInSession*> sessions; // sessions and sub-sessions, by address
    std::set<VkInImage*> images;     // engine images, by address
    bool failed = false;             // never cleared once set

    VkEngine();
    ~VkEngine();
    VkEngine(const VkEngine&) = delete;
    VkEngine& operator=(const VkEngine&) = delete;

    // Destroys every session (sub-sessions before their parents), then every image.
    void destroyContents();
};

#endif

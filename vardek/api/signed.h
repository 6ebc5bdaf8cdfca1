// The liveness signature every engine object carries.
#ifndef VARDEK_API_SIGNED_H
#define VARDEK_API_SIGNED_H

#include <cstdint>

// Holds -5 while the object is alive; set to 0 as the last step of its destruction.
struct VkSigned {
    static constexpr int32_t alive = -5;
    int32_t signature = alive;
    bool isAlive() const { return signature == alive; }
};

#endif

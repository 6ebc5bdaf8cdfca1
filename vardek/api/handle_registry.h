// The set of live engines, sessions and status images: the objects whose
// handles the application holds. Handles are resolved through it, so a handle
// to a destroyed object is rejected without reading its memory, and the
// engine's own aliases and views of images never pass for a handle.
#ifndef VARDEK_API_HANDLE_REGISTRY_H
#define VARDEK_API_HANDLE_REGISTRY_H

namespace vardek {

enum class HandleKind { Engine, Session, Image };

// Process-wide, guarded by a mutex: image scaling may run on another thread
// while an engine call runs, and tests create engines from several threads.
void registerHandle(HandleKind kind, const void* handle);
void unregisterHandle(HandleKind kind, const void* handle);
bool isLiveHandle(HandleKind kind, const void* handle);

} // namespace vardek

#endif

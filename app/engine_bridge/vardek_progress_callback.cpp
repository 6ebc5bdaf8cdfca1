// The application's progress function, declared by the engine's interface:
// the engine calls it on the worker thread, at most every 0.1 s and at the end
// of an operation.
#include "engine_bridge/vardek_thread.h"

#include "vardek.h"

int vardekProgressCallback(unsigned char percent, int userData) {
    return VardekThread::reportProgress(percent, userData);
}

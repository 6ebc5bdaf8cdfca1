// The engine's call interface: every record, constant and entry function the
// application may use. Nothing of the engine's insides is visible here.
//
// Handles are pointers to public records (VkEngine*, VkSession*, VkImage*).
// Records are plain aggregates and can be brace-initialised in field order.
// No exception ever leaves an entry function: every failure is a VkResult
// (or a null handle for the creating functions).
#ifndef VARDEK_API_VARDEK_H
#define VARDEK_API_VARDEK_H

#include <cstdint>

// ---------------------------------------------------------------------------
// Result codes
// ---------------------------------------------------------------------------
typedef int32_t VkResult;

enum : VkResult {
    VkOk = 0,              // success
    VkNotSupported = 1,    // unknown name, unsupported input, nothing to do
    VkCancelled = 2,       // the progress function answered 2; work rolled back
    VkOutOfMemory = 3,     // work rolled back; the engine stays usable
    VkFailed = 4,          // unexpected failure; the engine is now marked failed
    VkEngineFailed = 5,    // the engine was marked failed earlier
    VkBadSession = 6,      // null or dead session handle
    VkBadEngine = 7,       // null or dead engine handle (also a session's engine)
    VkUndoOutOfMemory = 8, // out of memory in undo, redo or a roll-back; engine failed
    VkBadImage = 9,        // null or dead image handle
    VkNoSegmentation = 10, // the session has no (or may have no) segmentation
};

// ---------------------------------------------------------------------------
// Status values
// ---------------------------------------------------------------------------
// VkStatus: the class of a status pixel (low four bits of a status byte).
// 0 means "no class": a pixel whose source pixel is not fully opaque.
typedef uint8_t VkStatus;
enum : VkStatus {
    VkStatusNone = 0,
    VkStatusUnassigned = 1,
    VkStatusKeep = 2,
    VkStatusDelete = 4,
    VkStatusBlend = 8,
};

// VkPixelStatus: one status-image byte.
typedef uint8_t VkPixelStatus;
enum : VkPixelStatus {
    VkStatusClassMask = 0x0f,
    VkStatusForcedEdge = 0x10,
    VkStatusPatchProtection = 0x20,
    VkStatusTempDone = 0x40, // temporary mark of mask generation: done or excluded
    VkStatusTempWork = 0x80, // temporary mark of mask generation: area of the current pass
};

// Image kinds (the sample format of an image record).
enum : int32_t {
    VkKindStatus = 0, // one byte per pixel
    VkKindRgba8 = 1,  // four 8-bit samples per pixel
    VkKindRgba16 = 2, // four 16-bit samples per pixel, full scale 65535
    VkKindRgba15 = 3, // four 16-bit samples per pixel, full scale 32768
};

// Selection scopes of VkSelect.
enum : int32_t {
    VkScopeExact = 0,
    VkScopeLocal = 1,
    VkScopeGlobal = 2,
};

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------
// An image: the engine's status images, and every image view passed by value.
struct VkImage {
    int32_t width;    // pixels
    int32_t height;   // rows
    int32_t rowBytes; // bytes between the starts of two rows
    int32_t kind;     // VkKind*
    unsigned char* data;
};

// An image placed in the session's image: a stroke, shape or patch mask (one
// byte per pixel, non-zero inside; null data means the whole rectangle), or a
// rectangle of status bytes for VkSetStatus.
struct VkMaskRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t rowBytes;
    int32_t kind; // carried, not read
    unsigned char* data;
};

// A rectangle in status-image pixels (VkAutoFill, VkGenerateMask).
struct VkRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Options of the next analysis.
struct VkAnalysisOptions {
    float tolerance;    // 0 to 1
    uint32_t edgeWidth; // pixels
    uint8_t contrast;   // meaning index of "edgeContrast"
    uint8_t texture;    // meaning index of "textureFilter"
};

// One engine variable as the application sees it.
struct VkVariable {
    float value;      // normalised value clamped to [0, 1]
    const char* name; // valid as long as the session
    const char* text; // text form, "*" appended when changed; valid until the next refresh
};

// One published polyline: (x, y) pairs of pixel corners in status-image pixels.
struct VkPolyline {
    float* points;
    uint32_t pointCount;
    uint32_t reserved;
};

// The public session record, read directly by the application.
struct VkSession {
    int32_t x; // the session's area in the image
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t changedX; // box changed by the last status-changing operation
    int32_t changedY;
    int32_t changedWidth; // 0 when nothing changed
    int32_t changedHeight;
    float tolerance;    // 1 - normalised "imageTol"
    uint32_t edgeWidth; // "inFocusEdgeWidth"
    uint8_t contrast;   // "edgeContrast"
    uint8_t texture;    // "textureFilter"
    VkVariable* variables;
    uint32_t variableCount;
    uint32_t analysed;
    VkPolyline* polylines;
    uint32_t polylineCount;
};

// A forced edge: a polyline in status-image pixels with its feather width.
struct VkForcedEdgeRecord {
    const float* points; // x then y for each point
    uint32_t pointCount;
    float featherWidth;
};

// Blend modes of a patch; any value other than choices and membrane is default.
enum : uint8_t {
    VkBlendDefault = 0,
    VkBlendChoices = 1,
    VkBlendMembrane = 3,
};

// A patch with its blending.
struct VkPatchRecord {
    int32_t maskX;
    int32_t maskY;
    int32_t maskWidth;
    int32_t maskHeight;
    int32_t maskRowBytes;
    int32_t maskKind;              // not read
    const unsigned char* maskData; // null: the whole rectangle is the patch
    uint8_t isPreview;
    int32_t fgOverride;
    int32_t bgOverride;
    uint8_t fgColour[3]; // blue, green, red
    uint8_t bgColour[3]; // blue, green, red
    float blendRatio;
    uint8_t blendMode;
    float param1;
    float param2;
};

// Opaque engine instance.
struct VkEngine;

// The application's progress function: percentage 0 to 100 and user data
// (always 0); answering 2 asks the engine to cancel.
typedef int (*VkProgressFunction)(unsigned char percent, int userData);

// The application's own progress function. The engine calls it directly for
// the operations that take no progress argument; the application defines it.
int vardekProgressCallback(unsigned char percent, int userData);

// ---------------------------------------------------------------------------
// Entry functions
// ---------------------------------------------------------------------------
VkEngine* VkInit();
VkResult VkFinish(VkEngine* engine);

VkImage* VkNewStatusImage(VkEngine* engine, int32_t width, int32_t height, int32_t rowBytes,
                          int32_t kind, const void* data);

VkSession* VkBeginSession(VkEngine* engine, int32_t width, int32_t height, int32_t rowBytes,
                          int32_t kind, const void* data);
VkSession* VkBeginSubSession(VkSession* parent, const VkMaskRect* rect, int32_t forAnalysis);
VkResult VkEndSession(VkSession* session);

VkResult VkSetAnalysisOptions(VkSession* session, VkAnalysisOptions options);
VkResult VkAnalyseImage(VkSession* session, VkProgressFunction progress);

VkResult VkSelect(VkSession* session, VkImage* statusImage, const VkMaskRect* stroke,
                  uint8_t newStatus, uint8_t fromStatus, int32_t scope, float tolerance,
                  VkProgressFunction progress);
VkResult VkAutoComplex(VkSession* session, VkImage* statusImage, float bandFactor,
                       VkProgressFunction progress);
VkResult VkDespeckleSelection(VkSession* session, VkImage* statusImage, uint8_t size);
VkResult VkAutoFill(VkSession* session, VkImage* statusImage, const VkRect* rect, uint8_t seedClass,
                    float radiusFactor);
VkResult VkSetStatus(VkSession* session, VkImage* statusImage, const VkMaskRect* statusBytes);
VkResult VkSubSessionPull(VkSession* subSession, VkImage* statusImage);
VkResult VkSubSessionPush(VkSession* subSession, VkImage* statusImage);

VkResult VkNewUndoGroup(VkSession* session);
VkResult VkUndo(VkSession* session);
VkResult VkRedo(VkSession* session);
VkResult VkNumAvailableUndo(VkSession* session, uint32_t* count);
VkResult VkNumAvailableRedo(VkSession* session, uint32_t* count);

VkResult VkSetVariable(VkSession* session, const char* name, float value);
VkResult VkGetVariable(VkSession* session, const char* name, VkVariable* variable);

VkResult VkScaleImage(VkImage target, VkImage source);

VkResult VkGenerateMask(VkSession* session, const VkRect* rect, VkImage output, VkImage source,
                        VkImage* statusImage, const VkForcedEdgeRecord* forcedEdges,
                        uint32_t forcedEdgeCount, float autoBlendWidth, float blendRatio,
                        const VkPatchRecord* patches, uint32_t patchCount);

#endif

// The session object behind a VkSession handle: one image, its classification,
// variables and undo queue, or a sub-session over a rectangle of its parent.
//
// A session wraps the application's pixels without copying them. A
// sub-session covers a rectangle of its parent's image, optionally restricted
// by a mask, and works either on a segmentation of its own (begun for
// analysis) or on windows of its parent's. Every view is indexed in the
// coordinates of the whole image.
#ifndef VARDEK_API_SESSION_H
#define VARDEK_API_SESSION_H

#include "api/signed.h"
#include "api/vardek.h"
#include "api/variables.h"
#include "classification/polylines.h"
#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/colour.h"
#include "core/progress.h"

#include <map>
#include <memory>
#include <vector>

struct VkInImage;

namespace orsine::matting {
struct MaskRequest;
}

struct VkInSession : VkSession, VkSigned {
    using Classification = classification::Segmentation<6, 0>;

    // A sub-session's rectangle and, when it was begun with one, its mask (a
    // copy of the caller's bytes over the rectangle, non-zero inside).
    struct Selection {
        classification::Box box;
        classification::ByteArray mask; // empty: the whole rectangle
    };

    // What a sub-session works on for one engine image: an alias of the image
    // (so the engine knows it is referred to) and either a private copy of its
    // bytes under the mask or a window onto them.
    struct StatusPair {
        std::unique_ptr<VkInImage> alias;
        std::unique_ptr<VkInImage> working;
        classification::Box box; // where `working`'s first byte lies in the image
    };

    VkEngine* engine = nullptr;
    VkInSession* parent = nullptr;
    classification::SourceImage image; // the caller's pixels; not owned
    std::unique_ptr<VkInProgress> progress;
    std::unique_ptr<ProgressRange> range;
    std::unique_ptr<Classification> classification;
    std::unique_ptr<vardek::Variables> variableTable;
    std::vector<VkInSession*> subSessions; // in order of creation; not owned
    std::unique_ptr<Selection> selection;  // null for a session over a whole image
    std::map<const VkInImage*, StatusPair> statusCache;
    bool analysisAllowed = true;

    // A session over the caller's whole image; the arguments are already checked.
    VkInSession(VkEngine& engine, int32_t width, int32_t height, int32_t rowBytes,
                const void* data);
    // A sub-session over `rect`, which must lie inside the parent's area; a mask
    // (non-null data) must have at least `width` row bytes.
    VkInSession(VkInSession& parent, const VkMaskRect& rect, bool forAnalysis);
    virtual ~VkInSession();

    VkInSession(const VkInSession&) = delete;
    VkInSession& operator=(const VkInSession&) = delete;

    // A sub-session keeps its rectangle even when its parent ended first.
    bool isSubSession() const { return selection != nullptr; }
    // The session's area in image coordinates.
    classification::Box area() const { return classification::Box::fromRect(x, y, width, height); }

    // The view of an engine image every status operation works on, indexed in
    // image coordinates: the whole image for a session over a whole image; for a
    // sub-session its rectangle, as a private copy under its mask or as a
    // window onto the image. A sub-session writes two diagnostic lines to
    // standard error each time.
    classification::ByteArray statusView(VkInImage& image);

    // Copies the parent's status over this sub-session's area into it (pull),
    // or this sub-session's status into the parent (push). VkBadSession when
    // there is no parent.
    VkResult pull(VkInImage& image);
    VkResult push(VkInImage& image);

    // "Generate mask": converts the request's records, runs the mask
    // generation of the sample kind (8-bit; 16-bit of full scale 65535, or of
    // 32768 with `fullScale32768`) over this session's view of `status` into
    // `working`, and publishes the changed area, also when the run raises.
    // VkNoSegmentation when the session may be analysed and has not been;
    // VkNotSupported when the run gave up; else VkOk.
    using Pixels8 = blitz::Array<orsine::utility::Colour<unsigned char>, 2>;
    using Pixels16 = blitz::Array<orsine::utility::Colour<unsigned short>, 2>;
    VkResult generateMask(Pixels8 working, const Pixels8& source, VkInImage& status,
                          const orsine::matting::MaskRequest& request);
    VkResult generateMask(Pixels16 working, const Pixels16& source, bool fullScale32768,
                          VkInImage& status, const orsine::matting::MaskRequest& request);

    // VkNotSupported, changing nothing, for a tolerance outside [0, 1], an edge
    // width outside the range of "inFocusEdgeWidth" or a contrast or texture
    // that names no meaning.
    VkResult setAnalysisOptions(const VkAnalysisOptions& options);
    // "Undo" / "Redo": one group of the queue, then the changed box is published.
    void undo();
    void redo();

    // Fields 5 to 8 := the classification's changed box (which is cleared), or 0.
    void publishChangedBox();
    // Refreshes the variable records, then fields 9 to 11.
    void publishAnalysisOptions();
    // Replaces the published polylines (fields 15 and 16), (row, column) points
    // turned into (x, y).
    void publishPolylines(const std::vector<classification::FloatPolyline>& lines);
    void publishPolylines(const std::vector<classification::IntPolyline>& lines);
    // Hands the variables the analysis reads to the classification.
    void handVariablesToClassification();
    void handObjectEdgeVariablesToClassification();

private:
    void startVariables(int size);
    void freePolylines();
    // Registers with the parent, the engine and the handle registry; undone as a
    // whole when any of them fails.
    void enter();

    std::vector<std::unique_ptr<float[]>> polylinePoints_;
    std::vector<VkPolyline> polylineRecords_;
};

inline VkInSession* inSession(VkSession* handle) {
    return static_cast<VkInSession*>(handle);
}

#endif

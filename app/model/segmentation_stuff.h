// The edge-finding settings and engine sessions of the whole image (no
// owner) or of one patch (the patch owns the record): the four edge values,
// the object edges the engine found, the session the record's selections run
// in, the session that holds its analysis, whether a patch is analysed on its
// own ("Analyze Patch Separately"; always true for the image), and the
// analysis last submitted for it.
//
// For the image the session and the segmentation session are one; a patch
// has its sub-session, and when analysed on its own a second sub-session that
// holds its analysis. The sessions are set by the begin-session and
// begin-sub-session commands and cleared by the end-session command.
//
// Project map: "isChecked_" (bool), "edos_" (the EDOs map); sessions and
// edges are not stored. User-interface thread only.
#ifndef APP_MODEL_SEGMENTATION_STUFF_H
#define APP_MODEL_SEGMENTATION_STUFF_H

#include "model/edos.h"
#include "model/vector_edges.h"

#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QVariant>

class GmRegion;
class VkCmdAnalyseImage;
struct VkSession;

class SegmentationStuff : public QObject {
    Q_OBJECT
public:
    // Default values, no sessions, not checked. A patch's record (owner not
    // null) starts from the image's applied values: all four slots copied,
    // then reverted.
    explicit SegmentationStuff(GmRegion* owner = nullptr);
    // From the project map; a missing or unreadable "isChecked_" is false.
    SegmentationStuff(const QVariant& map, GmRegion* owner);
    ~SegmentationStuff() override;

    QVariant toVariant() const;

    // The patch, or null for the whole image.
    GmRegion* owner() const { return owner_; }
    EDOs& edos() { return edos_; }
    const EDOs& edos() const { return edos_; }
    // The polylines of the segmentation, drawn when edges are shown.
    const VectorEdges& objectEdges() const { return objectEdges_; }
    void clearObjectEdges() { objectEdges_.clear(); }

    VkSession* session() const { return session_; }
    void setSession(VkSession* session) { session_ = session; }
    VkSession* segmentationSession() const { return segmentationSession_; }
    // Also notes whether the engine has analysed it (between commands only,
    // while the engine thread does not run).
    void setSegmentationSession(VkSession* session);
    // Reads again whether the engine has analysed the segmentation session;
    // after an analysis finished.
    void refreshSegmentationState();

    // "Analyze Patch Separately" for a patch; true for the image once an
    // image is open. Setting it tells the model (smegChanged).
    bool isChecked() const { return isChecked_; }
    void setChecked(bool checked);

    // Submits an analysis with the current values (applied first), cancelling
    // the one still pending. A requester (the edge-finding panel) has its
    // setEnablednessOfButtons() slot run now and when the command is gone.
    void analyse(QObject* requester = nullptr);
    // The analysis submitted last, until the engine thread deletes it.
    VkCmdAnalyseImage* pendingAnalysis() const;
    bool hasPendingAnalysis() const { return !pendingAnalysis_.isNull(); }

    // The segmentation session exists and the engine has analysed it.
    bool hasSegmentation() const;

    // Rebuilds the object edges from the segmentation session and has the
    // whole image repainted (dropping the patch preview).
    void refreshEdges();

private:
    GmRegion* owner_;
    EDOs edos_;
    VectorEdges objectEdges_;
    VkSession* session_ = nullptr;
    VkSession* segmentationSession_ = nullptr;
    bool isChecked_ = false;
    bool analysed_ = false;
    QPointer<VkCmdAnalyseImage> pendingAnalysis_;
};

Q_DECLARE_METATYPE(SegmentationStuff*)

#endif

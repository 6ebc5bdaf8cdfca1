// Ends engine sessions, and deletes afterwards what depended on them. Three forms:
//   (a) a patch's settings record whose engine state is released: its
//       session and segmentation session end; the shape's saved status
//       pixels are swapped for an empty set at once and the old set is
//       deleted after the sessions ended;
//   (b) a patch leaving the document: its sessions end, then the patch is
//       deleted;
//   (c) the image's sessions, with the source and working images to delete
//       afterwards; the undo counts return to 0.
// A session whose owner went while it was being opened is ended alone.
// Whatever the command was given to delete goes when the command does (after
// it finished, or unrun), so nothing is left behind.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_END_SESSION_H
#define APP_ENGINE_BRIDGE_VK_CMD_END_SESSION_H

#include "engine_bridge/vardek_command.h"

#include <QPointer>

#include <memory>

class GmRegion;
class PixelState;
class SegmentationStuff;
class Shape;
class ZtSourceImage;
struct VkSession;

class VkCmdEndSession : public VardekCommand {
    Q_OBJECT
public:
    enum Form { RecordForm, DeletePatchForm, SessionsForm };

    // (a) `shape` may be null.
    VkCmdEndSession(GmModel* model, SegmentationStuff* record, Shape* shape);
    // (b)
    VkCmdEndSession(GmModel* model, GmRegion* patchToDelete);
    // (c) Any argument may be null; the images belong to the command.
    VkCmdEndSession(GmModel* model, VkSession* session, VkSession* second, ZtSourceImage* source,
                    ZtSourceImage* working);
    // A session nobody holds any more (its patch or record went meanwhile).
    VkCmdEndSession(GmModel* model, VkSession* orphan);
    // Deletes the images, the old pixel set and the patch it was given.
    ~VkCmdEndSession() override;

    // The two sessions, separated by ", ".
    QString parameterText() const override;
    // (c) true. (a), (b): the record must still exist; its sessions are taken
    // out of it (cleared there); true when either was set.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }

    Form form() const { return form_; }
    GmRegion* patch() const;
    int result() const { return result_; }

private:
    Form form_;
    QPointer<SegmentationStuff> record_;
    QPointer<GmRegion> patch_;
    VkSession* session_ = nullptr;
    VkSession* second_ = nullptr;
    std::unique_ptr<PixelState> oldPixels_;
    std::unique_ptr<ZtSourceImage> source_;
    std::unique_ptr<ZtSourceImage> working_;
    bool resetsUndoCounts_ = false;
    int result_ = 1;
};

#endif

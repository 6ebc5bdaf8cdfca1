// The engine's status image as the user interface sees it: one byte per
// workspace pixel (the pixel's VkPixelStatus), shown without copying as an
// 8-bit indexed QImage whose colour table turns each byte into the overlay
// colour of its class. The engine writes the bytes in place on its thread.
//
// Beside it: a display copy taken after every command (what the canvas
// paints while the engine may be writing), the flags of the statuses
// present (the OR of all bytes; they steer auto complex, mask generation
// and menu states), statuses loaded from a project and not yet handed to the
// engine, the trimap, and the colour workspace's highlight image with the
// two threads that fill it.
//
// The overlay's opacity comes from the view options' "Mask Opacity" slider,
// registered with setOpacitySlider; without one it is 0.5.
//
// The model owns one instance. User-interface thread only, apart from the
// highlight threads' passes.
#ifndef APP_MODEL_GM_STATUS_ARRAY_H
#define APP_MODEL_GM_STATUS_ARRAY_H

#include "colour_channel.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVector>

#include <memory>
#include <vector>

#include "vardek.h"

class GmRegion;
class Set1DThread;
class Set2DThread;

class GmStatusArray : public QObject {
    Q_OBJECT
public:
    // Follows the first four preference colours and the highlight colour.
    explicit GmStatusArray(QObject* parent = nullptr);
    // Stops both highlight threads and waits for them.
    ~GmStatusArray() override;

    // Shows the engine's status image `handle`, or nothing for null. Both
    // highlight threads are stopped and waited for first, since they read
    // and write the images this replaces. The statuses present return to 0
    // (with a signal) and are then read from the new image.
    void setImage(VkImage* handle);
    // The engine image shown, or null.
    VkImage* engineImage() const { return engineImage_; }
    // Over the engine's bytes; a null image without an engine image.
    const QImage& statusImage() const { return statusImage_; }
    // A copy of the status image, taken after every update.
    const QImage& displayImage() const { return displayImage_; }
    // Format_Mono, the status image's size: 1 where the colour workspace's
    // selection matches.
    const QImage& highlightImage() const { return highlightImage_; }
    QColor highlightColour() const { return highlightColour_; }

    // The OR of every status byte, found by updateStatusesPresent.
    VkPixelStatus statusesPresent() const { return statusesPresent_; }
    // Reads the statuses present again (each row's pixels, never its
    // padding), stopping once unassigned, keep, delete and blend were all
    // seen; signals a change, takes the display copy and emits statusChanged().
    void updateStatusesPresent();

    // Statuses read from a project, waiting for an engine image; pushed when
    // one is shown (or at once by pushLoadedStatuses).
    const QImage& loadedImage() const { return loadedImage_; }
    void setLoadedImage(const QImage& image) { loadedImage_ = image; }
    // Submits the loaded statuses to the engine (a copy without temporary
    // marks, which the engine refuses) and forgets them; nothing without any.
    void pushLoadedStatuses();
    // The statuses as a project keeps them: a copy of the status image
    // without the temporary marks a running cut-out sets.
    QImage storedStatuses() const;

    // Before mask generation: when the patch's saved statuses and blending
    // still match, OR 0x40 into the status pixels under its mask, so that the
    // engine keeps its earlier result there.
    void markUnchangedPatch(GmRegion* patch);
    // After mask generation: takes the temporary marks (0x40, 0x80) off every
    // status pixel. The engine clears them only where it worked, and a patch
    // marked outside a preview's rectangle must not stay marked.
    void clearTemporaryMarks();

    // The statuses as a trimap: keep (2) white, delete (4) black, every
    // other byte grey (128, 128, 128).
    QImage trimap() const;

    // The overlay's opacity, 0 to 1: the slider's position within its range,
    // or 0.5 without a slider.
    double maskOpacity() const;
    // Registers the view options' "Mask Opacity" slider (a QAbstractSlider:
    // its "value", "minimum" and "maximum" properties are read and its
    // valueChanged(int) followed once a status image is shown).
    static void setOpacitySlider(QObject* slider);

    // Waits, without a time limit, until neither highlight thread runs a
    // pass, without stopping them: the highlight image is then complete.
    void waitForHighlight();

    Set1DThread* set1DThread() const { return set1D_.get(); }
    Set2DThread* set2DThread() const { return set2D_.get(); }

signals:
    void statusChanged();
    void statusesPresentChanged(VkPixelStatus statusesPresent);

public slots:
    // The slider moved: the colours follow.
    void opacityChanged(int opacity);
    void highlightColourChanged(QColor colour);
    // Starts the 1-D or 2-D highlight of the selection over the active patch
    // (or the whole image) for the status classes in `mask`.
    void highlightChanged(std::vector<bool> selection, Bx::colour::channel channel,
                          VkPixelStatus mask);
    void highlightChanged(QImage selection, Bx::colour::channel channel,
                          Bx::colour::channel channel2, VkPixelStatus mask);
    // Stops both threads and clears the highlight.
    void unHighlight();
    // Builds the overlay's colour table from the preference colours at the
    // mask opacity and installs it.
    void setColours();
    // A highlight pass ended: the active patch (or the whole image) is
    // repainted with the highlight. The array looks every 20 ms while a pass
    // runs (the workers never post to the user-interface thread).
    void threadFinished();

private:
    void stopThreads();
    // Watches the passes until both have ended, then threadFinished().
    void watchPasses();
    void setHighlightColourEntry();
    void takeDisplayCopy();
    // The active patch's mask and the rectangle a highlight pass visits.
    void highlightRegion(QImage* mask, QRect* rect) const;

    bool opacityConnected_ = false;
    VkImage* engineImage_ = nullptr;
    QImage statusImage_;
    QImage displayImage_;
    QImage loadedImage_;
    VkPixelStatus statusesPresent_ = 0;
    QImage highlightImage_;
    QColor highlightColour_;
    std::unique_ptr<Set1DThread> set1D_;
    std::unique_ptr<Set2DThread> set2D_;
    QTimer passWatch_;
};

// A copy of the status bytes `statuses` without the temporary marks of mask
// generation (0x40, 0x80); other images are copied as they are.
QImage withoutTemporaryMarks(const QImage& statuses);

// The overlay colour table for mask opacity `c` (0 to 1) and the four class
// colours keep, delete, blend and patch protection.
QVector<QRgb> statusColourTable(double c, const QColor& keep, const QColor& remove,
                                const QColor& blend, const QColor& protection);

// `colour` shown at opacity `c`: in HSV, saturation x sqrt(c) and alpha c.
QRgb colourAtOpacity(const QColor& colour, double c);

// The opacity the colour workspace's highlight is shown at for mask opacity
// `c`: 0.85 + 0.15 c (0.85 in single precision, as the overlay has always had
// it), so the highlight is always easier to see than the mask. The colour
// display's selection uses it too.
double highlightOpacity(double c);

#endif

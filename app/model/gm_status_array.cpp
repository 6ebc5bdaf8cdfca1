#include "model/gm_status_array.h"

#include "engine_bridge/vk_cmd_set_status.h"
#include "engine_bridge/vardek_thread.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/highlight_thread.h"
#include "model/shape.h"
#include "model/zt_app_prefs.h"

#include <QBrush>
#include <QPen>
#include <QVariant>

#include <cmath>

namespace {

constexpr QRgb kTransparentWhite = 0x00FFFFFF;
constexpr QRgb kTrimapGrey = 0xFF808080;
constexpr VkPixelStatus kAllClasses =
    VkStatusUnassigned | VkStatusKeep | VkStatusDelete | VkStatusBlend;
QPointer<QObject>& opacitySlider() {
    static QPointer<QObject> slider;
    return slider;
}

} // namespace

QImage withoutTemporaryMarks(const QImage& statuses) {
    QImage copy = statuses.copy();
    if (copy.format() != QImage::Format_Indexed8) return copy;
    const uchar keep = uchar(~(VkStatusTempDone | VkStatusTempWork));
    for (int y = 0; y < copy.height(); ++y) {
        uchar* line = copy.scanLine(y);
        for (int x = 0; x < copy.width(); ++x)
            line[x] &= keep;
    }
    return copy;
}

double highlightOpacity(double c) {
    return qMin(1.0, static_cast<double>(0.85f) + 0.15 * c);
}

QRgb colourAtOpacity(const QColor& colour, double c) {
    c = qBound(0.0, c, 1.0);
    QColor hsv = colour.toHsv();
    qreal hue, saturation, value, alpha;
    hsv.getHsvF(&hue, &saturation, &value, &alpha);
    hsv.setHsvF(hue, saturation * std::sqrt(c), value, c);
    return hsv.rgba();
}

QVector<QRgb> statusColourTable(double c, const QColor& keep, const QColor& remove,
                                const QColor& blend, const QColor& protection) {
    QVector<QRgb> table(256, 0u);
    table[0] = colourAtOpacity(Qt::white, c);
    table[VkStatusKeep] = colourAtOpacity(keep, c);
    table[VkStatusDelete] = colourAtOpacity(remove, c);
    table[VkStatusBlend] = colourAtOpacity(blend, c);
    table[VkStatusPatchProtection] = colourAtOpacity(protection, c);
    // Protection shows over the class; the forced-edge and temporary bits
    // show the class's colour.
    for (int i = 15; i < 256; ++i)
        table[i] = (i & VkStatusPatchProtection) ? table[VkStatusPatchProtection]
                                                 : table[i & VkStatusClassMask];
    return table;
}

GmStatusArray::GmStatusArray(QObject* parent)
    : QObject(parent),
      highlightColour_(ZtAppPrefs::currentColor(ZtAppPrefs::ColorWorkspaceHighlightColor)),
      set1D_(std::make_unique<Set1DThread>()), set2D_(std::make_unique<Set2DThread>()) {
    qRegisterMetaType<VkPixelStatus>("VkPixelStatus");
    passWatch_.setInterval(20);
    connect(&passWatch_, &QTimer::timeout, this, &GmStatusArray::watchPasses);
    if (ZtAppPrefs* prefs = ZtAppPrefs::instance()) {
        for (const ZtAppPrefs::ColorIndex index :
             {ZtAppPrefs::KeepMaskColor, ZtAppPrefs::DeleteMaskColor, ZtAppPrefs::BlendMaskColor,
              ZtAppPrefs::PatchProtectionColor})
            connect(prefs->color(index), &GmColor::colorChanged, this, &GmStatusArray::setColours);
        connect(prefs->color(ZtAppPrefs::ColorWorkspaceHighlightColor), &GmColor::colorChanged,
                this, &GmStatusArray::highlightColourChanged);
    }
}

GmStatusArray::~GmStatusArray() {
    stopThreads();
}

void GmStatusArray::setOpacitySlider(QObject* slider) {
    opacitySlider() = slider;
}

double GmStatusArray::maskOpacity() const {
    QObject* slider = opacitySlider();
    if (!slider) return 0.5;
    const int value = slider->property("value").toInt();
    const int minimum = slider->property("minimum").toInt();
    const int maximum = slider->property("maximum").toInt();
    if (maximum <= minimum) return 1.0;
    return double(value - minimum) / double(maximum - minimum);
}

void GmStatusArray::stopThreads() {
    set1D_->stopAndWait();
    set2D_->stopAndWait();
}

void GmStatusArray::watchPasses() {
    if (!set1D_->hasPassEnded() || !set2D_->hasPassEnded()) return;
    passWatch_.stop();
    threadFinished();
}

void GmStatusArray::setImage(VkImage* handle) {
    if (statusesPresent_ != 0) {
        statusesPresent_ = 0;
        emit statusesPresentChanged(0);
    }
    // The threads read the status image and write the highlight image, both
    // replaced below, whatever the new handle is.
    stopThreads();
    engineImage_ = handle;
    if (!handle || !handle->data || handle->width <= 0 || handle->height <= 0) {
        statusImage_ = QImage();
        highlightImage_ = QImage();
        displayImage_ = QImage();
        return;
    }
    highlightImage_ = QImage(handle->width, handle->height, QImage::Format_Mono);
    highlightImage_.fill(0);
    highlightImage_.setColorTable({kTransparentWhite, kTransparentWhite});
    setColours();
    if (!loadedImage_.isNull()) pushLoadedStatuses();
    QObject* slider = opacitySlider();
    if (!opacityConnected_ && slider) {
        connect(slider, SIGNAL(valueChanged(int)), this, SLOT(opacityChanged(int)));
        opacityConnected_ = true;
    }
    updateStatusesPresent();
}

void GmStatusArray::setColours() {
    const double c = maskOpacity();
    const QVector<QRgb> table =
        statusColourTable(c, ZtAppPrefs::currentColor(ZtAppPrefs::KeepMaskColor),
                          ZtAppPrefs::currentColor(ZtAppPrefs::DeleteMaskColor),
                          ZtAppPrefs::currentColor(ZtAppPrefs::BlendMaskColor),
                          ZtAppPrefs::currentColor(ZtAppPrefs::PatchProtectionColor));
    if (engineImage_ && engineImage_->data) {
        // A new wrapper each time: setting the table of an image someone else
        // shares would detach it from the engine's bytes.
        statusImage_ = QImage(engineImage_->data, engineImage_->width, engineImage_->height,
                              engineImage_->rowBytes, QImage::Format_Indexed8);
        statusImage_.setColorTable(table);
    }
    setHighlightColourEntry();
    takeDisplayCopy();
    GmModel::instance()->signalDirtyImageSlot(KeepPatchPreview);
}

void GmStatusArray::opacityChanged(int) {
    setColours();
}

void GmStatusArray::setHighlightColourEntry() {
    if (highlightImage_.isNull()) return;
    // A pass writes the highlight's pixels in place: were they shared, a new
    // colour would move them from under it.
    if (!highlightImage_.isDetached()) stopThreads();
    highlightImage_.setColor(1, colourAtOpacity(highlightColour_, highlightOpacity(maskOpacity())));
}

void GmStatusArray::highlightColourChanged(QColor colour) {
    highlightColour_ = colour;
    setHighlightColourEntry();
    GmModel* model = GmModel::instance();
    if (GmRegion* patch = model->activeRegion())
        model->dirtyRectSlot(patch->shape()->boundingRect());
    else
        model->signalDirtyImageSlot();
}

void GmStatusArray::takeDisplayCopy() {
    displayImage_ = statusImage_.copy();
}

void GmStatusArray::updateStatusesPresent() {
    VkPixelStatus found = 0;
    const int width = statusImage_.width();
    // Row by row: the engine pads its rows to four bytes, and the padding is
    // no pixel's status.
    for (int y = 0; y < statusImage_.height() && (found & kAllClasses) != kAllClasses; ++y) {
        const uchar* line = statusImage_.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            found |= line[x];
            if ((found & kAllClasses) == kAllClasses) break;
        }
    }
    if (found != statusesPresent_) {
        statusesPresent_ = found;
        emit statusesPresentChanged(found);
    }
    takeDisplayCopy();
    emit statusChanged();
}

void GmStatusArray::pushLoadedStatuses() {
    if (loadedImage_.isNull()) return;
    GmModel* model = GmModel::instance();
    // A project stored while a cut-out ran (by an earlier version) may hold
    // the cut-out's marks; the statuses are the same without them.
    if (VardekThread* thread = VardekThread::instance())
        thread->submit(new VkCmdSetStatus(model, withoutTemporaryMarks(loadedImage_)));
    loadedImage_ = QImage();
}

QImage GmStatusArray::storedStatuses() const {
    return withoutTemporaryMarks(statusImage_);
}

void GmStatusArray::markUnchangedPatch(GmRegion* patch) {
    if (!patch || statusImage_.isNull()) return;
    Shape* shape = patch->shape();
    if (!shape) return;
    PixelState* state = shape->pixelState();
    const QImage* mask = state->mask();
    if (!mask || !state->blendingSnapshot().isValid()) return;
    if (state->blendingSnapshot() != patch->blendage().options().toVariant()) return;
    if (state->isStale(statusImage_)) return;
    const QPoint offset = mask->offset();
    const QRect status = statusImage_.rect();
    for (int j = 0; j < mask->height(); ++j) {
        const int y = j + offset.y();
        if (y < status.top() || y > status.bottom()) continue;
        const uchar* maskLine = mask->constScanLine(j);
        // The engine's own bytes: written in place, never detached.
        uchar* statusLine = engineImage_->data + static_cast<qptrdiff>(y) * engineImage_->rowBytes;
        for (int i = 0; i < mask->width(); ++i) {
            const int x = i + offset.x();
            if (maskLine[i] != 0 && x >= status.left() && x <= status.right())
                statusLine[x] |= VkStatusTempDone;
        }
    }
}

void GmStatusArray::clearTemporaryMarks() {
    if (!engineImage_ || statusImage_.isNull()) return;
    const uchar keep = uchar(~(VkStatusTempDone | VkStatusTempWork));
    for (int y = 0; y < statusImage_.height(); ++y) {
        // The engine's own bytes: written in place, never detached.
        uchar* line = engineImage_->data + static_cast<qptrdiff>(y) * engineImage_->rowBytes;
        for (int x = 0; x < statusImage_.width(); ++x)
            line[x] &= keep;
    }
}

QImage GmStatusArray::trimap() const {
    QImage trimap = statusImage_.copy();
    if (trimap.isNull()) return trimap;
    QVector<QRgb> table(256, kTrimapGrey);
    table[VkStatusKeep] = qRgb(255, 255, 255);
    table[VkStatusDelete] = qRgb(0, 0, 0);
    trimap.setColorTable(table);
    return trimap;
}

void GmStatusArray::highlightRegion(QImage* mask, QRect* rect) const {
    GmModel* model = GmModel::instance();
    if (GmRegion* patch = model->activeRegion()) {
        if (QImage* patchMask = patch->shape()->mask(QPen(Qt::NoPen), QBrush(Qt::color1))) {
            *mask = *patchMask;
            *rect = QRect(patchMask->offset(), patchMask->size());
            return;
        }
        *rect = QRect();
        return;
    }
    *rect = model->workspaceImage().rect();
}

void GmStatusArray::highlightChanged(std::vector<bool> selection, Bx::colour::channel channel,
                                     VkPixelStatus mask) {
    GmModel* model = GmModel::instance();
    if (!model->sourceImage() || highlightImage_.isNull()) return;
    stopThreads();
    QImage patchMask;
    QRect rect;
    highlightRegion(&patchMask, &rect);
    set1D_->setSelection(selection, channel);
    set1D_->startPass(&highlightImage_, model->workspaceImage(), statusImage_, patchMask, rect,
                      mask);
    passWatch_.start();
}

void GmStatusArray::highlightChanged(QImage selection, Bx::colour::channel channel,
                                     Bx::colour::channel channel2, VkPixelStatus mask) {
    GmModel* model = GmModel::instance();
    if (!model->sourceImage() || highlightImage_.isNull()) return;
    stopThreads();
    QImage patchMask;
    QRect rect;
    highlightRegion(&patchMask, &rect);
    set2D_->setSelection(selection, channel, channel2);
    set2D_->startPass(&highlightImage_, model->workspaceImage(), statusImage_, patchMask, rect,
                      mask);
    passWatch_.start();
}

void GmStatusArray::waitForHighlight() {
    set1D_->waitForPass();
    set2D_->waitForPass();
}

void GmStatusArray::unHighlight() {
    stopThreads();
    if (!highlightImage_.isNull()) highlightImage_.fill(0);
}

void GmStatusArray::threadFinished() {
    GmModel* model = GmModel::instance();
    if (GmRegion* patch = model->activeRegion())
        emit model->rectDirty(patch->shape()->boundingRect(), SmallDirtyMargin, DropPatchPreview);
    else
        model->signalDirtyImageSlot();
}

// Turns one drop into one image. Local files are read at once (checked and
// turned upright by their JPEG orientation, as File Open reads them),
// encoded picture data of another program go through the same checks
// (files/checked_image.h), links are
// downloaded (a link whose query carries another address, as a search
// result's does, is not fetched itself: the addresses in its query are), and
// of everything that arrives the image with the most pixels wins (the earlier
// one on a tie). While downloads run, a progress dialog counts them and can
// stop the wait: the best image so far is handed on at once, and the
// downloads still running finish in the background. When nothing usable
// arrived the user is told through the prompt service.
//
// The receiver deletes itself (finished() -> deleteLater()) once every
// download it started is gone; the drop handler makes that connection.
#ifndef APP_FILES_RECEIVING_IMAGE_RECEIVER_H
#define APP_FILES_RECEIVING_IMAGE_RECEIVER_H

#include "files/named_image.h"
#include "files/receiving/network_image_getter.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>

class QMimeData;
class QProgressDialog;

class ImageReceiver : public QObject {
    Q_OBJECT
public:
    // Collects the candidates of `mimeData` (read here; the data need not
    // outlive the constructor) and starts the downloads.
    explicit ImageReceiver(const QMimeData* mimeData, QObject* parent = nullptr);
    ~ImageReceiver() override;

    // Begins the wait: shows the progress dialog when downloads run, and
    // reports at once when none do.
    void start();

    NamedImage best() const { return best_; }
    // The dialog while downloads run; null when there were none.
    QProgressDialog* progressDialog() const { return dialog_; }
    int getterCount() const { return getters_.size(); }

signals:
    void bestImage(const NamedImage& image);
    void finished();

public slots:
    void imageReceivedSlot(const NamedImage& image);
    void cancelSlot();
    void possiblyFinished();

private:
    void addUrl(const QUrl& url);
    void report();

    NamedImage best_;
    QList<QPointer<NetworkImageGetter>> getters_;
    QProgressDialog* dialog_ = nullptr;
    bool emitted_ = false;
    QSet<QUrl> addedUrls_;
};

#endif

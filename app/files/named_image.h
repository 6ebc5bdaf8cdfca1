// An image that arrived without a file of its own (dropped, downloaded or
// grabbed), with the address it came from.
#ifndef APP_FILES_NAMED_IMAGE_H
#define APP_FILES_NAMED_IMAGE_H

#include <QImage>
#include <QMetaType>
#include <QUrl>

class NamedImage : public QImage {
public:
    NamedImage() = default;
    NamedImage(const QImage& image, const QUrl& url) : QImage(image), url_(url) {}
    virtual ~NamedImage() = default;
    NamedImage(const NamedImage&) = default;
    NamedImage& operator=(const NamedImage&) = default;

    QUrl url() const { return url_; }
    // The file name part of the address's fully decoded path; empty without an address.
    virtual QString name() const;

private:
    QUrl url_;
};

Q_DECLARE_METATYPE(NamedImage)

#endif

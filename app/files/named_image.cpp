#include "files/named_image.h"

#include <QFileInfo>

QString NamedImage::name() const {
    if (url_.isEmpty()) return QString();
    return QFileInfo(url_.path(QUrl::FullyDecoded)).fileName();
}

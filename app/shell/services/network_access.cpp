#include "shell/services/network_access.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QPointer>

QNetworkAccessManager* networkAccessManager() {
    static QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        QCoreApplication* application = QCoreApplication::instance();
        if (!application) return nullptr;
        manager = new QNetworkAccessManager(application);
    }
    return manager;
}

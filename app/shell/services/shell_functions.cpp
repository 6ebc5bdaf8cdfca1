#include "shell/services/shell_functions.h"

#include <QAction>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>

QString productName() {
    return QStringLiteral("Zeltran 3");
}

QString productNameHtml() {
    return productName().replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
}

QString productTagline() {
    return QCoreApplication::translate("Product", "the #1 rated masking and cut-out tool", "[zt3]");
}

QString organisationName() {
    return QStringLiteral("OstralTech");
}

QString applicationName() {
    return QStringLiteral("Zeltran3");
}

QString makerName() {
    return QStringLiteral("Ostral");
}

QString organisationDomain() {
    return QStringLiteral("ostraltech.example");
}

QString htmlElement(const QString& tag, const QString& content) {
    return QStringLiteral("<%1>%2</%1>").arg(tag, content);
}

QString htmlParagraph(const QString& content) {
    return htmlElement(QStringLiteral("p"), content);
}

QString appFilePath(const QString& name) {
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(name));
}

QString appFolderFilePath(const QString& name) {
    const QString folder = QDir(QCoreApplication::applicationDirPath()).absolutePath();
    return QDir::cleanPath(QDir(folder).absoluteFilePath(name));
}

void setShortcutAndToolTip(QAction* action, const QKeySequence& shortcut) {
    if (!action) return;
    action->setShortcut(shortcut);
    action->setToolTip(action->toolTip() + QStringLiteral(" (") +
                       shortcut.toString(QKeySequence::PortableText) + QStringLiteral(")"));
}

QPointF dividePointF(double x, double y, double d) {
    const double reciprocal = 1.0 / d;
    return QPointF(x * reciprocal, y * reciprocal);
}

void registerPainterPathType() {
    qRegisterMetaType<QPainterPath>("QPainterPath");
    qRegisterMetaTypeStreamOperators<QPainterPath>("QPainterPath");
}

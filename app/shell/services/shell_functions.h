// Small functions the whole shell shares: the product's identity texts, HTML
// wrappers for message-box texts, paths of files in the program's folder,
// the shortcut-and-tool-tip rule of actions, a point division and the
// registration of the painter-path meta-type.
#ifndef APP_SHELL_SERVICES_SHELL_FUNCTIONS_H
#define APP_SHELL_SERVICES_SHELL_FUNCTIONS_H

#include <QKeySequence>
#include <QMetaType>
#include <QPainterPath>
#include <QPointF>
#include <QString>

class QAction;

// Painter paths travel inside QVariant maps (strokes in project files).
Q_DECLARE_METATYPE(QPainterPath)

// ---------------------------------------------------------------------------
// Identity
// ---------------------------------------------------------------------------

// The product's name as users read it: "Zeltran 3".
QString productName();

// productName() with every blank a non-breaking space, for rich text that
// must not break the name.
QString productNameHtml();

// "the #1 rated masking and cut-out tool", translated (context "Product").
QString productTagline();

// The settings organisation: "OstralTech".
QString organisationName();

// The settings application name and the name of the program's data folders: "Zeltran3".
QString applicationName();

// The maker: "Ostral".
QString makerName();

// The maker's web domain, the application's organisation domain.
QString organisationDomain();

// ---------------------------------------------------------------------------
// HTML
// ---------------------------------------------------------------------------

// "<tag>content</tag>".
QString htmlElement(const QString& tag, const QString& content);

// "<p>content</p>".
QString htmlParagraph(const QString& content);

// ---------------------------------------------------------------------------
// Files next to the program
// ---------------------------------------------------------------------------

// `name` resolved against the program's folder and cleaned; "." gives the folder.
QString appFilePath(const QString& name);

// The same, resolved against the folder's absolute path (the distributor files).
QString appFolderFilePath(const QString& name);

// ---------------------------------------------------------------------------
// Actions
// ---------------------------------------------------------------------------

// Sets the action's shortcut and appends " (" + its portable text + ")" to
// the action's current tool tip (which is the action's text when no tool tip
// was set).
void setShortcutAndToolTip(QAction* action, const QKeySequence& shortcut);

// ---------------------------------------------------------------------------
// Geometry and meta-types
// ---------------------------------------------------------------------------

// (x, y) divided by d: the reciprocal is taken once and both coordinates are
// multiplied by it, so that every caller rounds the same way.
QPointF dividePointF(double x, double y, double d);

// Registers QPainterPath as "QPainterPath" with its data-stream operators, so
// painter paths can be written into and read from project files. Safe to
// call more than once.
void registerPainterPathType();

#endif

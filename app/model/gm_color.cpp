#include "model/gm_color.h"

#include "model/color_dialog_palette.h"
#include "model/variant_values.h"
#include "shell/services/prompt_service.h"

#include <QAction>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSettings>
#include <QVariantMap>

#include <utility>

namespace {

std::function<void(const QString&)>& statusMessageHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

std::function<QWidget*()>& dialogParentHook() {
    static std::function<QWidget*()> hook;
    return hook;
}

void showStatusMessage(const QString& text) {
    if (statusMessageHook()) statusMessageHook()(text);
}

QString settingsKey(const QString& keyName) {
    return QStringLiteral("Colors/") + keyName;
}

// A component stored by an earlier run; out-of-range numbers are held to 0..255.
int storedComponent(const QSettings& settings, const QString& key, int fallback) {
    return qBound(0, settings.value(key, fallback).toInt(), 255);
}

QColor readColor(const QVariant& value) {
    if (value.userType() == QMetaType::QColor) {
        const QColor colour = value.value<QColor>();
        // A damaged file may name a kind of colour Qt does not know (or one
        // whose components need not be numbers): no colour, so the caller
        // takes its default.
        switch (colour.spec()) {
        case QColor::Rgb:
        case QColor::Hsv:
        case QColor::Cmyk:
        case QColor::Hsl:
            return colour;
        default:
            return QColor();
        }
    }
    // Some formats give a colour back as its name.
    if (value.userType() == QMetaType::QString) return QColor(value.toString());
    return QColor();
}

QColor storedColor(const QSettings& settings, const QString& keyName, const QColor& fallback) {
    const QString key = settingsKey(keyName);
    if (settings.contains(key + QStringLiteral("_red")))
        return QColor(storedComponent(settings, key + QStringLiteral("_red"), fallback.red()),
                      storedComponent(settings, key + QStringLiteral("_green"), fallback.green()),
                      storedComponent(settings, key + QStringLiteral("_blue"), fallback.blue()),
                      255);
    if (!settings.contains(key)) return fallback;
    const QColor colour = readColor(settings.value(key));
    return colour.isValid() ? colour : fallback;
}

// A 32 x 32 swatch with a grey rim, so that white shows on a light background.
QIcon swatch(const QColor& colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(QColor(Qt::darkGray));
    painter.drawRect(0, 0, 31, 31);
    return QIcon(pixmap);
}

} // namespace

GmColor::GmColor(const QColor& defaultColor, const QString& keyName, const QString& description,
                 int persist, QObject* parent)
    : QObject(parent), current_(defaultColor), default_(defaultColor), committed_(defaultColor),
      keyName_(keyName), description_(description), persist_(persist),
      writesSettings_(persist == 1) {
    // A colour the user chose in an earlier run is also what a cancelled
    // dialog goes back to; were it the default, Cancel would throw it away.
    if (persist_ == 1) current_ = committed_ = storedColor(QSettings(), keyName_, defaultColor);
}

GmColor::GmColor(const QVariant& map, QObject* parent) : QObject(parent) {
    const QVariantMap m = map.toMap();
    default_ = readColor(m.value(QStringLiteral("default_")));
    if (!default_.isValid()) default_ = QColor(Qt::black);
    current_ = readColor(m.value(QStringLiteral("qColor_")));
    if (!current_.isValid()) current_ = default_;
    committed_ = default_;
    keyName_ = m.value(QStringLiteral("keyname_")).toString();
    description_ = m.value(QStringLiteral("desc_")).toString();
    persist_ = intFromVariant(m.value(QStringLiteral("persist_"))).value_or(0);
    // The persist flag is kept for the file's sake only (see the header).
    writesSettings_ = false;
}

GmColor::GmColor(Copy, const GmColor& other)
    : QObject(nullptr), current_(other.current_), default_(other.default_),
      committed_(other.committed_), keyName_(other.keyName_), description_(other.description_),
      persist_(other.persist_), writesSettings_(false) {}

GmColor::~GmColor() {
    if (writesSettings_) {
        QSettings settings;
        const QString key = settingsKey(keyName_);
        settings.setValue(key, current_);
        settings.setValue(key + QStringLiteral("_red"), current_.red());
        settings.setValue(key + QStringLiteral("_green"), current_.green());
        settings.setValue(key + QStringLiteral("_blue"), current_.blue());
    }
    delete changeButton_.data();
}

std::unique_ptr<GmColor> GmColor::clone() const {
    return std::unique_ptr<GmColor>(new GmColor(Copy{}, *this));
}

QVariant GmColor::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("qColor_"), current_);
    m.insert(QStringLiteral("default_"), default_);
    m.insert(QStringLiteral("keyname_"), keyName_);
    m.insert(QStringLiteral("desc_"), description_);
    m.insert(QStringLiteral("persist_"), persist_);
    return m;
}

QString GmColor::changeText() const {
    return tr("Change ", "[zt3]") + description_ + tr(" color", "[zt3]");
}

QAction* GmColor::changeAction() {
    if (!changeAction_) {
        changeAction_ = new QAction(swatch(current_), changeText(), this);
        connect(changeAction_, &QAction::triggered, this, &GmColor::changeColorSlot);
    }
    return changeAction_;
}

void GmColor::setChangeButton(QObject* button) {
    if (changeButton_ == button) return;
    delete changeButton_.data();
    changeButton_ = button;
}

void GmColor::updateIcons() {
    if (changeAction_) changeAction_->setIcon(swatch(current_));
}

void GmColor::setStatusMessageHook(std::function<void(const QString&)> hook) {
    statusMessageHook() = std::move(hook);
}

void GmColor::setDialogParentHook(std::function<QWidget*()> hook) {
    dialogParentHook() = std::move(hook);
}

void GmColor::restoreDefaultSlot() {
    setCurrentAndTell(default_);
}

void GmColor::revertChangeSlot() {
    setCurrentAndTell(committed_);
}

void GmColor::commitChangeSlot() {
    committed_ = current_;
}

void GmColor::changeColorSlot() {
    static bool paletteRestored = false;
    if (!paletteRestored) {
        paletteRestored = true;
        restoreColorDialogPalette();
    }
    showStatusMessage(tr("Select ", "[zt3]") + description_ + tr(" color", "[zt3]"));
    QWidget* parent = dialogParentHook() ? dialogParentHook()() : nullptr;
    const QPointer<GmColor> self(this);
    const QColor chosen = promptService()->colour(parent, current_, QString());
    // The dialog runs an event loop of its own, in which the colour may go.
    if (!self) {
        showStatusMessage(QString());
        return;
    }
    if (chosen.isValid()) {
        current_ = chosen;
        saveColorDialogPalette();
        updateIcons();
        emit colorChanged(current_);
    }
    showStatusMessage(QString());
}

void GmColor::setCurrentAndTell(const QColor& color) {
    current_ = color;
    updateIcons();
    emit colorChanged(current_);
}

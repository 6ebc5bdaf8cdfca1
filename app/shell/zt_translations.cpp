#include "shell/zt_translations.h"

#include "shell/services/logger.h"
#include "shell/services/shell_functions.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

namespace {

// The languages the user interface offers, and those a catalogue exists for;
// a language is available when it is in both.
const char* const kOfferedLanguages = "de en nl";
const char* const kTranslatedLanguages = "de en es fr it ja";

QStringList languageList(const char* list) {
    return QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Loads `prefix` + code from the translation folder into a new translator and
// installs it in `installed`; logs the outcome with `what`.
bool loadCatalogue(const QString& prefix, const QString& code, const char* what,
                   QMap<QString, QTranslator*>& installed, QObject* owner) {
    const QString folder = translationFolder();
    const QString fileName = prefix + code;
    auto* translator = new QTranslator(owner);
    const bool loaded = translator->load(fileName, folder);
    if (loaded) {
        QCoreApplication::installTranslator(translator);
        delete installed.value(code); // a language loaded twice keeps one translator
        installed.insert(code, translator);
    } else {
        delete translator;
    }
    logStream() << QStringLiteral("Loading %1 translation file %2/%3 - %4.")
                       .arg(QLatin1String(what), folder, fileName,
                            loaded ? QStringLiteral("ok") : QStringLiteral("failed"))
                << endLogLine;
    return loaded;
}

void removeCatalogues(QMap<QString, QTranslator*>& installed) {
    for (QTranslator* translator : qAsConst(installed)) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    installed.clear();
}

} // namespace

QString languageOfLocaleName(const QString& localeName) {
    const QString name = localeName.trimmed();
    static const QRegularExpression notALetter(QStringLiteral("[^a-zA-Z]"));
    const int end = name.indexOf(notALetter);
    return end < 0 ? name : name.left(end);
}

QString systemLanguage() {
    return languageOfLocaleName(QLocale::system().name());
}

QString translationFolder() {
    return QSettings()
        .value(QStringLiteral("TransDir"), appFilePath(QStringLiteral(".")))
        .toString();
}

ZtTranslations::ZtTranslations(QObject* parent) : QObject(parent) {}

ZtTranslations::~ZtTranslations() {
    removeAll();
}

bool ZtTranslations::loadForSystemLanguage() {
    return loadForLocaleName(QLocale::system().name());
}

bool ZtTranslations::loadForLocaleName(const QString& localeName) {
    const QString language = languageOfLocaleName(localeName);
    logStream() << "Your active language is [" << language << "]" << endLogLine;
    const QStringList available = availableLanguages();
    QString chosen;
    if (available.contains(language)) {
        chosen = language;
        logStream() << "Loading that language's translation, if any" << endLogLine;
    } else {
        chosen =
            available.contains(QStringLiteral("en")) ? QStringLiteral("en") : available.value(0);
        logStream() << "No translation available for that language, using [" << chosen
                    << "] instead, sorry." << endLogLine;
    }
    // The texts are written in English: English needs no catalogue.
    if (chosen == QLatin1String("en")) return true;
    return loadLanguage(chosen);
}

QStringList ZtTranslations::availableLanguages() {
    const QStringList translated = languageList(kTranslatedLanguages);
    QStringList available;
    for (const QString& code : languageList(kOfferedLanguages)) {
        if (!translated.contains(code)) continue;
        available << code;
        logStream() << "An available language: [" << code << "]" << endLogLine;
    }
    return available;
}

bool ZtTranslations::loadLanguage(const QString& code) {
    loadCatalogue(QStringLiteral("qt_"), code, "Qt", qtTranslators_, this);
    return loadCatalogue(QStringLiteral("all_"), code, "our", productTranslators_, this);
}

void ZtTranslations::removeAll() {
    removeCatalogues(qtTranslators_);
    removeCatalogues(productTranslators_);
}

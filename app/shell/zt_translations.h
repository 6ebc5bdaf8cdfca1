// The user interface's language: chosen once at start from the system locale,
// with two catalogues installed for it, Qt's own ("qt_" + code) and the
// product's ("all_" + code), both from the "TransDir" folder.
//
// Only German has a catalogue besides English, the language of the texts
// themselves; a locale without one falls back to English and loads nothing.
// Every step is logged.
#ifndef APP_SHELL_ZT_TRANSLATIONS_H
#define APP_SHELL_ZT_TRANSLATIONS_H

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class QTranslator;

// The language code of a locale name: trimmed and cut before its first
// character that is not an ASCII letter ("de_AT" gives "de"); the whole name
// when there is none ("de").
QString languageOfLocaleName(const QString& localeName);

// languageOfLocaleName(QLocale::system().name()).
QString systemLanguage();

// The "TransDir" setting: the folder of the catalogues, by default the
// program's folder.
QString translationFolder();

class ZtTranslations : public QObject {
    Q_OBJECT
public:
    explicit ZtTranslations(QObject* parent = nullptr);
    // Removes and deletes every installed catalogue.
    ~ZtTranslations() override;

    // Chooses the language of the system locale and loads it. True when
    // nothing needed loading (English) or the product's catalogue loaded.
    bool loadForSystemLanguage();
    // The same for a given locale name ("fr_FR", "de_AT", "de").
    bool loadForLocaleName(const QString& localeName);

    // The languages that have catalogues: those of both lists "de en nl" and
    // "de en es fr it ja", in the first list's order; each is logged.
    static QStringList availableLanguages();

    // Loads and installs "qt_" + code and "all_" + code from the translation
    // folder, logging each; answers whether the product's catalogue loaded.
    bool loadLanguage(const QString& code);

    // Removes every installed catalogue from the application and deletes it.
    void removeAll();

    // The installed catalogues by language code.
    const QMap<QString, QTranslator*>& qtCatalogues() const { return qtTranslators_; }
    const QMap<QString, QTranslator*>& productCatalogues() const { return productTranslators_; }

private:
    QMap<QString, QTranslator*> qtTranslators_;
    QMap<QString, QTranslator*> productTranslators_;
};

#endif

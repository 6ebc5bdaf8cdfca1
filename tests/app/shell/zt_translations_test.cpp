#include "shell/zt_translations.h"

#include "support/test_environment.h"

#include <QFile>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

#include <vector>

namespace {

using test_support::logLines;

// The 16 bytes every .qm catalogue starts with; alone they make an empty catalogue.
const unsigned char kQmMagic[16] = {0x3C, 0xB8, 0x64, 0x18, 0xCA, 0xEF, 0x9C, 0x95,
                                    0xCD, 0x21, 0x1C, 0xBF, 0x60, 0xA1, 0xBD, 0xDD};

class ZtTranslationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        ASSERT_TRUE(folder_.isValid());
        QSettings().setValue("TransDir", folder_.path());
    }
    void TearDown() override { QSettings().clear(); }

    void writeCatalogue(const QString& name) {
        QFile file(folder_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(kQmMagic), sizeof kQmMagic);
    }

    // The log's lines from `first` on, without their time stamps.
    static QStringList linesFrom(int first) {
        QStringList lines = logLines().mid(first);
        for (QString& line : lines)
            line = line.mid(QStringLiteral("hh:mm:ss.zzz ").size());
        return lines;
    }

    QTemporaryDir folder_;
};

TEST_F(ZtTranslationsTest, LanguageIsTheLocaleNameUpToItsFirstNonLetter) {
    const std::vector<std::pair<QString, QString>> cases = {
        {"de_DE", "de"},    {"de_AT", "de"}, {"de", "de"}, {" fr_FR ", "fr"},
        {"sr@latin", "sr"}, {"C", "C"},      {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(languageOfLocaleName(c.first), c.second) << c.first.toStdString();
    EXPECT_EQ(translationFolder(), folder_.path());
}

TEST_F(ZtTranslationsTest, OnlyGermanAndEnglishAreAvailable) {
    const int first = logLines().size();
    EXPECT_EQ(ZtTranslations::availableLanguages(), QStringList({"de", "en"}));
    EXPECT_EQ(linesFrom(first),
              QStringList({"An available language: [de]", "An available language: [en]"}));
}

TEST_F(ZtTranslationsTest, LocaleChoosesTheCataloguesToLoad) {
    writeCatalogue("all_de.qm");
    const QString dir = folder_.path();
    struct Case {
        QString locale;
        bool answer;
        QStringList qtLoaded;
        QStringList productLoaded;
        QStringList logTail; // the lines after the available languages
    };
    const Case cases[] = {
        {"fr_FR",
         true,
         {},
         {},
         {"No translation available for that language, using [en] instead, sorry."}},
        {"en_GB", true, {}, {}, {"Loading that language's translation, if any"}},
        {"de_AT",
         true,
         {},
         {"de"},
         {"Loading that language's translation, if any",
          "Loading Qt translation file " + dir + "/qt_de - failed.",
          "Loading our translation file " + dir + "/all_de - ok."}},
        {"de",
         true,
         {},
         {"de"},
         {"Loading that language's translation, if any",
          "Loading Qt translation file " + dir + "/qt_de - failed.",
          "Loading our translation file " + dir + "/all_de - ok."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.toStdString());
        ZtTranslations translations;
        const int first = logLines().size();
        EXPECT_EQ(translations.loadForLocaleName(c.locale), c.answer);
        EXPECT_EQ(translations.qtCatalogues().keys(), c.qtLoaded);
        EXPECT_EQ(translations.productCatalogues().keys(), c.productLoaded);
        const QStringList lines = linesFrom(first);
        ASSERT_GE(lines.size(), 3 + c.logTail.size());
        EXPECT_EQ(lines.first(),
                  "Your active language is [" + languageOfLocaleName(c.locale) + "]");
        EXPECT_EQ(lines.mid(3), c.logTail);
    }
}

TEST_F(ZtTranslationsTest, BothCataloguesLoadAndGoAgain) {
    writeCatalogue("qt_de.qm");
    writeCatalogue("all_de.qm");
    ZtTranslations translations;
    ASSERT_TRUE(translations.loadLanguage("de"));
    ASSERT_EQ(translations.qtCatalogues().size(), 1);
    ASSERT_EQ(translations.productCatalogues().size(), 1);
    QPointer<QTranslator> qt = translations.qtCatalogues().value("de");
    QPointer<QTranslator> product = translations.productCatalogues().value("de");

    translations.removeAll();
    EXPECT_TRUE(translations.qtCatalogues().isEmpty());
    EXPECT_TRUE(translations.productCatalogues().isEmpty());
    EXPECT_TRUE(qt.isNull());
    EXPECT_TRUE(product.isNull());
}

TEST_F(ZtTranslationsTest, GermanWithoutOurCatalogueFails) {
    writeCatalogue("qt_de.qm");
    ZtTranslations translations;
    EXPECT_FALSE(translations.loadForLocaleName("de_CH"));
    EXPECT_EQ(translations.qtCatalogues().keys(), QStringList({"de"}));
    EXPECT_TRUE(translations.productCatalogues().isEmpty());
}

} // namespace

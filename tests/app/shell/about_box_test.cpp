#include "shell/about_box.h"

#include "shell/product_version.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

QLabel* label(QDialog& box, const char* name) {
    return box.findChild<QLabel*>(name);
}

QImage logoOf(int width, int height) {
    QImage logo(width, height, QImage::Format_ARGB32);
    logo.fill(Qt::darkMagenta);
    return logo;
}

TEST(AboutBoxTest, ShowsOneBoxAndBuildsItAgainOnceDestroyed) {
    QPointer<QDialog> first = showAboutBox(nullptr);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    first->close();
    EXPECT_EQ(showAboutBox(nullptr), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(QApplication::topLevelWidgets().count(first.data()), 1);

    delete first.data();
    QPointer<QDialog> second = showAboutBox(nullptr);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->isVisible());
    deleteAboutBox();
    EXPECT_FALSE(second);
}

TEST(AboutBoxTest, WideLogosAreScaledDownKeepingTheirShape) {
    struct Case {
        QSize logo;
        QSize shown;
    };
    for (const Case& c : {Case{{640, 320}, {200, 100}}, Case{{150, 90}, {150, 90}},
                          Case{{200, 40}, {200, 40}}, Case{{201, 402}, {200, 400}}}) {
        SCOPED_TRACE(c.logo.width());
        std::unique_ptr<QDialog> box(
            createAboutBox(nullptr, QString(), logoOf(c.logo.width(), c.logo.height())));
        EXPECT_EQ(label(*box, "logo")->pixmap(Qt::ReturnByValue).size(), c.shown);
    }
    // Without a logo the information icon stands in.
    std::unique_ptr<QDialog> box(createAboutBox(nullptr, QString(), QImage()));
    EXPECT_FALSE(label(*box, "logo")->pixmap(Qt::ReturnByValue).isNull());
}

TEST(AboutBoxTest, TextHoldsNameDistributorTextAndVersion) {
    const QString version = QString("Version 3.3.18 (%1)").arg(kSourceRevision);
    EXPECT_EQ(QString(kSourceRevision).size(), 40);
    EXPECT_TRUE(QRegExp("[0-9a-f]{40}").exactMatch(kSourceRevision));
    EXPECT_EQ(versionText(), version.mid(8));

    std::unique_ptr<QDialog> plain(createAboutBox(nullptr, QString(), QImage()));
    QLabel* plainLabel = label(*plain, "text");
    const QString plainText = plainLabel->text();
    EXPECT_TRUE(plainText.contains("<b>Zeltran&nbsp;3</b>")) << plainText.toStdString();
    // The text as it reads: the version line whole, and nothing wider than the label.
    QTextDocument document;
    document.setDefaultFont(plainLabel->font());
    document.setHtml(plainText);
    EXPECT_TRUE(document.toPlainText().contains(version)) << document.toPlainText().toStdString();
    document.setTextWidth(kAboutBoxTextWidth);
    EXPECT_LE(document.idealWidth(), kAboutBoxTextWidth);
    // No empty bold paragraph where the distributor's text would be.
    EXPECT_EQ(plainText.count("<b>"), 1) << plainText.toStdString();

    std::unique_ptr<QDialog> branded(createAboutBox(nullptr, "Supplied by <i>Acme</i>", QImage()));
    const QString brandedText = label(*branded, "text")->text();
    EXPECT_TRUE(
        brandedText.contains("<p><font size=\"+1\"><b>Supplied by <i>Acme</i></b></font></p>"))
        << brandedText.toStdString();
    EXPECT_LT(brandedText.indexOf("Zeltran&nbsp;3"), brandedText.indexOf("Acme"));
    EXPECT_LT(brandedText.indexOf("Acme"), brandedText.indexOf("Version"));
}

TEST(AboutBoxTest, OkButtonAndTheCloseKeysCloseTheBox) {
    std::unique_ptr<QDialog> box(createAboutBox(nullptr, QString(), QImage()));
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    QPushButton* ok = box->findChild<QPushButton*>();
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->text(), "OK");
    QTest::mouseClick(box->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      ok->mapTo(box.get(), ok->rect().center()));
    EXPECT_FALSE(box->isVisible());

    box->show();
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    const QKeySequence close(QKeySequence::Close);
    ASSERT_FALSE(close.isEmpty());
    QTest::keySequence(box->windowHandle(), close);
    EXPECT_FALSE(box->isVisible());
}

TEST(AboutBoxTest, CommandLineBoxIsModalWithACloseButton) {
    Qt::WindowFlags flags;
    bool modal = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            flags = box->windowFlags();
            modal = true;
            box->close();
        }
    });
    closer.start(20);
    EXPECT_EQ(showAboutBoxFromCommandLine(), 0);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    // The box is gone with the command.
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QDialog*>(widget) && widget->isVisible());
}

} // namespace

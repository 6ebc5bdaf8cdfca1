#include "shell/services/shell_functions.h"

#include "support/test_environment.h"

#include <QAction>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QVariant>

#include <gtest/gtest.h>

namespace {

TEST(ShellFunctionsTest, IdentityTexts) {
    EXPECT_EQ(productName(), "Zeltran 3");
    EXPECT_EQ(productNameHtml(), "Zeltran&nbsp;3");
    EXPECT_FALSE(productNameHtml().contains(' '));
    EXPECT_EQ(productTagline(), "the #1 rated masking and cut-out tool");
    EXPECT_EQ(organisationName(), "OstralTech");
    EXPECT_EQ(applicationName(), "Zeltran3");
    EXPECT_EQ(makerName(), "Ostral");
    EXPECT_FALSE(organisationDomain().isEmpty());
}

TEST(ShellFunctionsTest, HtmlWrappers) {
    EXPECT_EQ(htmlElement("b", "bold"), "<b>bold</b>");
    EXPECT_EQ(htmlParagraph("Some text"), "<p>Some text</p>");
    EXPECT_EQ(htmlParagraph(QString()), "<p></p>");
}

TEST(ShellFunctionsTest, PathsInTheProgramFolder) {
    const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath());
    EXPECT_EQ(appFilePath("."), folder);
    EXPECT_EQ(appFilePath("help/index.htm"), folder + "/help/index.htm");
    EXPECT_EQ(appFilePath("translations/../help"), folder + "/help");
    EXPECT_EQ(appFolderFilePath("distributor.xml"), folder + "/distributor.xml");
}

TEST(ShellFunctionsTest, ShortcutGoesIntoTheToolTipInPortableText) {
    struct Case {
        QString text;
        QString toolTip;
        QKeySequence shortcut;
        QString expected;
    };
    const Case cases[] = {
        {QString(), QString(), QKeySequence("Ctrl+O"), " (Ctrl+O)"},
        {"Open", QString(), QKeySequence("Ctrl+O"), "Open (Ctrl+O)"},
        {"Open", "Open an image", QKeySequence("Ctrl+Shift+S"), "Open an image (Ctrl+Shift+S)"},
        {"Keep", "Keep Exact Brush", QKeySequence("K"), "Keep Exact Brush (K)"},
    };
    for (const Case& c : cases) {
        QAction action(c.text, nullptr);
        if (!c.toolTip.isEmpty()) action.setToolTip(c.toolTip);
        setShortcutAndToolTip(&action, c.shortcut);
        EXPECT_EQ(action.toolTip(), c.expected) << c.text.toStdString();
        EXPECT_EQ(action.shortcut(), c.shortcut);
    }
}

TEST(ShellFunctionsTest, DividePointFMultipliesByOneReciprocal) {
    const double d = 3.0;
    const QPointF p = dividePointF(1.0, 10.0, d);
    const double reciprocal = 1.0 / d;
    // Bit for bit the product with the reciprocal, which 10 / 3 need not be.
    EXPECT_EQ(p.x(), 1.0 * reciprocal);
    EXPECT_EQ(p.y(), 10.0 * reciprocal);
    EXPECT_EQ(dividePointF(8.0, -4.0, 4.0), QPointF(2.0, -1.0));
}

TEST(ShellFunctionsTest, PainterPathsTravelThroughDataStreams) {
    registerPainterPathType();
    registerPainterPathType(); // twice is harmless
    QPainterPath path(QPointF(1.5, 2.5));
    path.lineTo(10, 20);
    path.lineTo(-3.25, 7);

    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << QVariant::fromValue(path);
    }
    QVariant read;
    QDataStream in(bytes);
    in >> read;
    ASSERT_EQ(in.status(), QDataStream::Ok);
    ASSERT_EQ(QString(read.typeName()), "QPainterPath");
    EXPECT_EQ(read.value<QPainterPath>(), path);
}

} // namespace

// The prompt service: the scripted one every test runs with, and the real
// dialogs of the program (answered here by pressing their buttons).
#include "shell/services/prompt_service.h"

#include "shell/services/dialog_prompt_service.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

using Kind = PromptService::Kind;
using Dialog = test_support::ScriptedPromptService::Dialog;

TEST(ScriptedPrompts, AnswerInOrderAndRecordWhatWasAsked) {
    auto& script = test_support::prompts();
    ASSERT_EQ(promptService(), &script);
    script.answer(PromptService::Discard);
    script.answerChoice(1);
    script.answerFileName(QStringLiteral("/pictures/cat.png"), QStringLiteral("PNG (*.png)"));
    script.answerColour(Qt::red);

    EXPECT_EQ(promptService()->message(nullptr, Kind::Critical, "Unsaved changes", "Discard?",
                                       PromptService::Discard | PromptService::Cancel,
                                       PromptService::Cancel),
              PromptService::Discard);
    EXPECT_EQ(promptService()->choice(nullptr, Kind::Information, "News", "Read it?",
                                      {"Yes", "Remind Me Later"}),
              1);
    QString filter = QStringLiteral("TIFF (*.tif)");
    EXPECT_EQ(promptService()->saveFileName(nullptr, "Save As", "/pictures/cat",
                                            "PNG (*.png);;TIFF (*.tif)", &filter),
              "/pictures/cat.png");
    EXPECT_EQ(filter, "PNG (*.png)");
    EXPECT_EQ(promptService()->colour(nullptr, Qt::blue, QString()), QColor(Qt::red));

    ASSERT_EQ(script.asked().size(), 4);
    EXPECT_EQ(script.asked()[0].dialog, Dialog::Message);
    EXPECT_EQ(script.asked()[0].kind, Kind::Critical);
    EXPECT_EQ(script.asked()[0].title, "Unsaved changes");
    EXPECT_EQ(script.asked()[0].text, "Discard?");
    EXPECT_EQ(script.asked()[0].defaultButton, PromptService::Cancel);
    EXPECT_EQ(script.asked()[1].choices, (QStringList{"Yes", "Remind Me Later"}));
    EXPECT_EQ(script.asked()[2].dialog, Dialog::SaveFileName);
    EXPECT_EQ(script.asked()[2].filter, "PNG (*.png);;TIFF (*.tif)");
    EXPECT_EQ(script.asked()[3].dialog, Dialog::Colour);
    EXPECT_EQ(script.pendingAnswers(), 0);
}

TEST(ScriptedPrompts, APromptTheScriptDoesNotAnswerFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        EXPECT_EQ(promptService()->message(nullptr, Kind::Warning, "Zeltran 3", "Sorry",
                                           PromptService::Ok, PromptService::NoButton),
                  PromptService::NoButton),
        "Unscripted message prompt");
    EXPECT_NONFATAL_FAILURE(
        {
            test_support::prompts().answerColour(Qt::red);
            promptService()->openFileName(nullptr, "Open", "/", "Images (*.png)", nullptr);
        },
        "open file name prompt was asked");
    test_support::prompts().reset();
}

TEST(ScriptedPrompts, RemovingThemBringsBackTheRealDialogs) {
    setPromptService(nullptr);
    EXPECT_NE(dynamic_cast<DialogPromptService*>(promptService()), nullptr);
    setPromptService(&test_support::prompts());
    EXPECT_EQ(promptService(), &test_support::prompts());
}

// Runs `answer` on the next modal message box, from inside its event loop.
void answerNextMessageBox(const std::function<void(QMessageBox*)>& answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        answer(box);
    });
    poll->start(10);
}

TEST(DialogPrompts, AMessageBoxAnswersTheButtonPressed) {
    DialogPromptService dialogs;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QAbstractButton* defaultButton = nullptr;
    answerNextMessageBox([&](QMessageBox* box) {
        title = box->windowTitle();
        icon = box->icon();
        defaultButton = box->defaultButton();
        EXPECT_EQ(defaultButton, box->button(QMessageBox::Cancel));
        box->button(QMessageBox::Discard)->click();
    });
    EXPECT_EQ(dialogs.message(nullptr, Kind::Critical, "Unsaved changes", "Discard them?",
                              PromptService::Discard | PromptService::Cancel,
                              PromptService::Cancel),
              PromptService::Discard);
    EXPECT_EQ(title, "Unsaved changes");
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(DialogPrompts, AChoiceAnswersTheIndexPressedAndEscapeTheLast) {
    DialogPromptService dialogs;
    const QStringList buttons{"Download Now", "Later", "Remind Me Later"};
    answerNextMessageBox([](QMessageBox* box) {
        EXPECT_EQ(box->defaultButton()->text(), "Download Now");
        EXPECT_EQ(box->buttons().size(), 3);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == "Later") b->click();
    });
    EXPECT_EQ(dialogs.choice(nullptr, Kind::Information, "Update", "A new version", buttons), 1);

    answerNextMessageBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.choice(nullptr, Kind::Information, "Update", "A new version", buttons), 2);
}

TEST(DialogPrompts, AMessageWithACheckBoxTellsWhetherTheUserTickedIt) {
    DialogPromptService dialogs;
    for (bool tick : {true, false}) {
        QString boxText;
        answerNextMessageBox([&](QMessageBox* box) {
            ASSERT_NE(box->checkBox(), nullptr);
            boxText = box->checkBox()->text();
            EXPECT_FALSE(box->checkBox()->isChecked());
            if (tick) box->checkBox()->click();
            box->button(QMessageBox::Ok)->click();
        });
        bool checked = !tick;
        EXPECT_EQ(dialogs.messageWithCheckBox(nullptr, Kind::Information, "Slow", "It is slow.",
                                              "Don't tell me again.", &checked, PromptService::Ok),
                  PromptService::Ok);
        EXPECT_EQ(checked, tick);
        EXPECT_EQ(boxText, "Don't tell me again.");
    }
}

// A service of its own that shows no check box falls back to a plain message.
TEST(ScriptedPrompts, AServiceWithoutCheckBoxesAsksAPlainMessageAndAnswersUnchecked) {
    struct PlainMessages : test_support::ScriptedPromptService {
        Button messageWithCheckBox(QWidget* parent, Kind kind, const QString& title,
                                   const QString& text, const QString& checkBoxText, bool* checked,
                                   Buttons buttons) override {
            return PromptService::messageWithCheckBox(parent, kind, title, text, checkBoxText,
                                                      checked, buttons);
        }
    } plain;
    plain.answer(PromptService::Ok);
    bool checked = true;
    EXPECT_EQ(plain.messageWithCheckBox(nullptr, Kind::Information, "Slow", "It is slow.",
                                        "Don't tell me again.", &checked, PromptService::Ok),
              PromptService::Ok);
    EXPECT_FALSE(checked);
    ASSERT_EQ(plain.asked().size(), 1);
    EXPECT_EQ(plain.asked()[0].dialog, Dialog::Message);
}

TEST(DesktopOpens, AreCapturedInsteadOfStartingABrowser) {
    EXPECT_TRUE(test_support::openedUrls().isEmpty());
    const QUrl page(QStringLiteral("https://example.invalid/news"));
    EXPECT_TRUE(QDesktopServices::openUrl(page));
    EXPECT_EQ(test_support::openedUrls(), QList<QUrl>{page});
}

} // namespace

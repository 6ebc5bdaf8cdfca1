#include "shell/services/whats_this_text.h"

#include "support/test_environment.h"

#include <gtest/gtest.h>

namespace {

TEST(WhatsThisTextTest, LearnMoreLinksToAHelpPage) {
    EXPECT_EQ(learnMoreParagraph("4-Zeltran_Tools/Edge_Detection.htm"),
              "<p><a href=\"4-Zeltran_Tools/Edge_Detection.htm\">Learn More</a></p>");
    EXPECT_EQ(learnMoreParagraph(QString()), QString());
    // The address goes in before the text, so markers in one never reach the other.
    EXPECT_EQ(htmlLink("100%2", "page%1.htm"), "<a href=\"page%1.htm\">100%2</a>");
}

TEST(WhatsThisTextTest, ShortcutFollowsTheTitleParagraph) {
    struct Case {
        const char* html;
        QKeySequence sequence;
        bool inserted;
        const char* expected;
    };
    const Case cases[] = {
        {"<p><b>Tip</b></p><p>Shows tips.</p>", QKeySequence("Ctrl+T"), true,
         "<p><b>Tip</b> (Ctrl+T)</p><p>Shows tips.</p>"},
        {"<p><b>Image View&mdash;Workspace</b></p>", QKeySequence("2"), true,
         "<p><b>Image View&mdash;Workspace</b> (2)</p>"},
        {"<b>No paragraph</b>", QKeySequence("K"), false, "<b>No paragraph</b>"},
        {"<P>Upper case</P>", QKeySequence("K"), false, "<P>Upper case</P>"},
        {"<p>No shortcut</p>", QKeySequence(), false, "<p>No shortcut</p>"},
    };
    for (const Case& c : cases) {
        QString html = c.html;
        EXPECT_EQ(insertShortcut(html, c.sequence), c.inserted) << c.html;
        EXPECT_EQ(html, c.expected);
    }
}

} // namespace

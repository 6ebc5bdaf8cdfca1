// Helpers for the what's-this texts that every control, action and panel
// carries: HTML with a bold title paragraph, the explanation and usually a
// "Learn More" link to a page of the local help. The tips panel shows them;
// the view, the tools, the panels and the main window write them.
#ifndef APP_SHELL_SERVICES_WHATS_THIS_TEXT_H
#define APP_SHELL_SERVICES_WHATS_THIS_TEXT_H

#include <QKeySequence>
#include <QString>

// "<a href=\"href\">text</a>".
QString htmlLink(const QString& text, const QString& href);

// "<p><a href=\"page\">Learn More</a></p>" ("Learn More" translated, context
// "TipWindow", tag "[tip]"); empty when `page` is. The page is relative to the
// help root ("4-Zeltran_Tools/Edge_Detection.htm").
QString learnMoreParagraph(const QString& page);

// Inserts " (" + the sequence as portable text + ")" in front of the first
// "</p>" of `html`, so that a text opening with a bold title paragraph shows
// the shortcut right after the title. False, and `html` unchanged, when the
// sequence is empty or the text has no "</p>".
bool insertShortcut(QString& html, const QKeySequence& sequence);

#endif

#include "shell/services/whats_this_text.h"

#include <QCoreApplication>

QString htmlLink(const QString& text, const QString& href) {
    // Both at once: one after the other, a "%1" inside the address would be
    // taken for the text's place.
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(href, text);
}

QString learnMoreParagraph(const QString& page) {
    if (page.isEmpty()) return QString();
    const QString text = QCoreApplication::translate("TipWindow", "Learn More", "[tip]");
    return QStringLiteral("<p>") + htmlLink(text, page) + QStringLiteral("</p>");
}

bool insertShortcut(QString& html, const QKeySequence& sequence) {
    if (sequence.isEmpty()) return false;
    const int end = html.indexOf(QLatin1String("</p>"), 0, Qt::CaseSensitive);
    if (end < 0) return false;
    html.insert(end, QStringLiteral(" (") + sequence.toString(QKeySequence::PortableText) +
                         QStringLiteral(")"));
    return true;
}

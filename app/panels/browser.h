// The text browser of the tip panel. A link in a tip is a help page for the
// desktop's browser: a relative address is a page below the help root, an
// absolute one opens as it is; the tip itself never navigates away.
#ifndef APP_PANELS_BROWSER_H
#define APP_PANELS_BROWSER_H

#include <QTextBrowser>

class Browser : public QTextBrowser {
    Q_OBJECT
public:
    explicit Browser(QWidget* parent = nullptr);

public slots:
    // Opens `url` with the desktop's handler; an empty address does nothing.
    void setSource(const QUrl& url) override;
};

#endif

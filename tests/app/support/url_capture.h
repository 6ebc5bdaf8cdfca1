// Captures what the program asks the desktop to open (QDesktopServices::openUrl)
// for the schemes http, https, file and mailto, instead of starting a browser.
#ifndef TESTS_APP_SUPPORT_URL_CAPTURE_H
#define TESTS_APP_SUPPORT_URL_CAPTURE_H

#include <QList>
#include <QObject>
#include <QUrl>

namespace test_support {

class UrlCapture : public QObject {
    Q_OBJECT
public:
    UrlCapture();
    ~UrlCapture() override;

    const QList<QUrl>& urls() const { return urls_; }
    void clear() { urls_.clear(); }

public slots:
    void openUrl(const QUrl& url);

private:
    QList<QUrl> urls_;
};

} // namespace test_support

#endif

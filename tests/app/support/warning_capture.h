// Collects the warnings Qt is given while it lives, and puts the message
// handler before it back when it goes.
#ifndef TESTS_APP_SUPPORT_WARNING_CAPTURE_H
#define TESTS_APP_SUPPORT_WARNING_CAPTURE_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace test_support {

class WarningCapture {
public:
    WarningCapture() {
        warnings().clear();
        previous_ = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtWarningMsg) warnings() << text;
            });
    }
    ~WarningCapture() { qInstallMessageHandler(previous_); }
    WarningCapture(const WarningCapture&) = delete;
    WarningCapture& operator=(const WarningCapture&) = delete;

    static QStringList& warnings() {
        static QStringList list;
        return list;
    }

private:
    QtMessageHandler previous_;
};

} // namespace test_support

#endif

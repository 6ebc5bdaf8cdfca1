// Tells a single click from a double click on the widget it watches: a
// release is reported as a single click one double-click interval later,
// unless a double click came meanwhile; a double click is reported alone,
// never as a single click too. It never consumes an event.
#ifndef APP_PANELS_MOUSE_CLICK_FILTER_H
#define APP_PANELS_MOUSE_CLICK_FILTER_H

#include <QMouseEvent>
#include <QTimer>

#include <memory>

class MouseClickFilter : public QTimer {
    Q_OBJECT
public:
    // Watches `parent` (installs itself as its event filter).
    explicit MouseClickFilter(QWidget* parent);
    ~MouseClickFilter() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    // Whether a release waits to be reported.
    bool hasPendingRelease() const { return pending_ != nullptr; }

signals:
    void singleClick(const QMouseEvent* event);
    void doubleClick(const QMouseEvent* event);

public slots:
    void singleClickTimeout();

private:
    std::unique_ptr<QMouseEvent> pending_;
};

#endif

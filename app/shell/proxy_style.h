// A style that wraps another one and answers everything as the wrapped style
// does, so that a style of our own overrides only what it changes. Built on
// QProxyStyle: the wrapped style's own calls to its metrics and sub-control
// rectangles come back through the overrides, so that a slider, for example,
// is hit where the overriding style draws its handle.
//
// The wrapped style becomes the proxy's child and is destroyed with it; pass
// a style that nothing else owns (an application's style detached from the
// application, or a new one).
#ifndef APP_SHELL_PROXY_STYLE_H
#define APP_SHELL_PROXY_STYLE_H

#include <QProxyStyle>

class ProxyStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Wraps `style`; null wraps the platform's default style.
    explicit ProxyStyle(QStyle* style = nullptr);

    QStyle* wrappedStyle() const { return baseStyle(); }
};

#endif

#include "shell/proxy_style.h"

ProxyStyle::ProxyStyle(QStyle* style) : QProxyStyle(style) {}

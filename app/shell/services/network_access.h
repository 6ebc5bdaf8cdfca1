// The program's one network access manager: the image downloads and the
// update and news checks all send their requests through it, so they share
// one connection cache, one proxy setting and one cookie jar. Each caller
// listens to the finished signal of its own replies, never to the manager's,
// which reports every caller's replies. User-interface thread only.
#ifndef APP_SHELL_SERVICES_NETWORK_ACCESS_H
#define APP_SHELL_SERVICES_NETWORK_ACCESS_H

class QNetworkAccessManager;

// Created on the first call, as a child of the application object (so it
// goes when the application does); null when there is no application object.
QNetworkAccessManager* networkAccessManager();

#endif

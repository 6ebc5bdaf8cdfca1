#pragma once
// The application's services for a benchmark: an application with no display
// (pixmaps need one) and a log in a temporary folder of its own.
#include "shell/services/logger.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

template <class Application> struct AppServices {
    explicit AppServices(const char* name) : argv{const_cast<char*>(name), nullptr} {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QStandardPaths::setTestModeEnabled(true);
        app = std::make_unique<Application>(argc, argv);
        logger = std::make_unique<Logger>(folder.filePath(QStringLiteral("logs")));
    }
    int argc = 1;
    char* argv[2];
    std::unique_ptr<Application> app;
    QTemporaryDir folder;
    std::unique_ptr<Logger> logger;
};

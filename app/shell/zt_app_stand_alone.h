// The application object of every run mode. Standalone it is ZtApp; as a
// host's worker it holds the host's image and the result in buffers of its
// own (shell/host_bridge.h), from a control file the input and the result
// (shell/control_file_images.h), and the document's two images over those
// buffers. When the user applied, deliverResult() copies the result back to
// the host or writes the output file.
#ifndef APP_SHELL_ZT_APP_STAND_ALONE_H
#define APP_SHELL_ZT_APP_STAND_ALONE_H

#include "shell/zt_app.h"

#include <QString>

#include <memory>

class ControlFileImages;
class HostBridge;

class ZtAppStandAlone : public ZtApp {
    Q_OBJECT
public:
    explicit ZtAppStandAlone(int mode);
    ~ZtAppStandAlone() override;

    // ZtApp's start-up, then the host's or the control file's images, then
    // the main window. Host sizes or sections that do not fit build no
    // images (logged): the window opens without a document. A control file
    // that cannot be opened or an input that cannot be read throws.
    void init(int& argc, char** argv) override;

    ZtSourceImage* sourceImage() const override { return sourceImage_.get(); }
    ZtSourceImage* workingImage() const override { return workingImage_.get(); }

    // The host bridge: copies the result into the host's result section.
    // The control file: writes the output PNG. False when that failed.
    bool deliverResult() override;

protected:
    void releaseDocument() override;

private:
    void loadHostImages();
    void loadControlFileImages();

    QString controlFileName_;
    // The buffers come before the images over them, so that they go after them.
    std::unique_ptr<HostBridge> bridge_;
    std::unique_ptr<ControlFileImages> controlFileImages_;
    std::unique_ptr<ZtSourceImage> sourceImage_;
    std::unique_ptr<ZtSourceImage> workingImage_;
};

#endif

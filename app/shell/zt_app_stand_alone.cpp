#include "shell/zt_app_stand_alone.h"

#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "shell/control_file_images.h"
#include "shell/gas_pipe.h"
#include "shell/host_bridge.h"

#include <stdexcept>

ZtAppStandAlone::ZtAppStandAlone(int mode) : ZtApp(mode) {}

ZtAppStandAlone::~ZtAppStandAlone() {
    tearDown();
}

void ZtAppStandAlone::init(int& argc, char** argv) {
    // The arguments are read before the Qt application takes its own out of them.
    if (mode() == HostBridgeMode)
        bridge_ = std::make_unique<HostBridge>(hostRequestOf(argc, argv));
    else if (mode() == ControlFileMode && argc > 2)
        controlFileName_ = QString::fromLocal8Bit(argv[2]);

    ZtApp::init(argc, argv);
    if (mode() == HostBridgeMode) loadHostImages();
    if (mode() == ControlFileMode) loadControlFileImages();
    createMainWindow();
}

void ZtAppStandAlone::loadHostImages() {
    QString error;
    if (!bridge_->load(&error)) {
        logStream() << "Host image not taken: " << error << endLogLine;
        return;
    }
    const QString name = bridge_->request().name;
    if (bridge_->request().bits == 8) {
        sourceImage_ = std::make_unique<ZtSourceImage>(bridge_->sourceView8(), name);
        workingImage_ = std::make_unique<ZtSourceImage>(bridge_->resultView8(), name);
    } else {
        sourceImage_ = std::make_unique<ZtSourceImage>(bridge_->sourceView16(), name);
        workingImage_ = std::make_unique<ZtSourceImage>(bridge_->resultView16(), name);
    }
}

void ZtAppStandAlone::loadControlFileImages() {
    auto* controlFile = new GasPipe(controlFileName_);
    setCurrentControlFile(controlFile);
    if (!controlFile->load())
        throw std::runtime_error("The control file is no well-formed XML: " +
                                 controlFileName_.toStdString());
    controlFileImages_ = std::make_unique<ControlFileImages>();
    QString error;
    if (!controlFileImages_->load(controlFileInputPath(), &error))
        throw std::runtime_error(error.toStdString());
    sourceImage_ =
        std::make_unique<ZtSourceImage>(controlFileImages_->sourceView(), controlFileInputPath());
    workingImage_ =
        std::make_unique<ZtSourceImage>(controlFileImages_->resultView(), controlFileOutputPath());
}

bool ZtAppStandAlone::deliverResult() {
    QString error;
    bool delivered = true;
    if (mode() == HostBridgeMode)
        delivered = bridge_ && bridge_->writeBack(&error);
    else if (mode() == ControlFileMode && controlFileImages_)
        delivered = controlFileImages_->writeOutput(controlFileOutputPath(), &error);
    if (!delivered) logStream() << "Result not delivered: " << error << endLogLine;
    return delivered;
}

void ZtAppStandAlone::releaseDocument() {
    if (!sourceImage_ && !workingImage_) return;
    // The model keeps pointers to the images after it closed the document:
    // they must not outlive what they point at.
    GmModel* model = GmModel::instance();
    if (model->sourceImage() == sourceImage_.get()) model->setSourceImage(nullptr);
    if (model->workingImage() == workingImage_.get()) model->setWorkingImage(nullptr);
    workingImage_.reset();
    sourceImage_.reset();
}

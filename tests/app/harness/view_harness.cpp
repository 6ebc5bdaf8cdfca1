// A window with the image view and nothing else, for looking at a photograph
// in the Source, Workspace and Cut-out tabs by hand or under a private X
// server:   view_harness IMAGE
// The cut-out tab shows the photograph with its top half transparent, so the
// tab's background is visible too.
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "workspace/image_view.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QUrl>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: view_harness IMAGE\n");
        return 2;
    }
    auto source = std::make_unique<ZtSourceImage>(QString::fromLocal8Bit(argv[1]));
    if (!source->isValid()) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    QImage cutout = source->displayImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < cutout.height() / 2; ++y)
        for (int x = 0; x < cutout.width(); ++x)
            cutout.setPixel(x, y, qRgba(0, 0, 0, 0));
    ZtSourceImage working(NamedImage(cutout, QUrl()));

    QMainWindow window;
    auto* view = new ImageView(&window);
    window.setCentralWidget(view);
    window.addActions(view->tabActions());
    window.resize(1200, 850);
    window.show();

    GmModel* model = GmModel::instance();
    model->setSourceImage(source.get());
    model->setWorkingImage(&working);
    emit model->tellImageChanged(source.get());
    const int result = app.exec();
    model->setSourceImage(nullptr);
    model->setWorkingImage(nullptr);
    return result;
}

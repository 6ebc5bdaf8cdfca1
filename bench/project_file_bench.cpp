// Saving and loading a project of a 24-megapixel photograph: the source and
// working images as a camera JPEG's document holds them (the display image
// itself, 8 bits), the status image at the workspace size of factor 8, and
// the frame around them. Saving runs from the images' maps to a committed
// file on disk; loading from the file to checked content and the two images
// rebuilt from it, as the model then does.
//
// The photograph is a real one scaled up to 6000 x 4000.
#include "files/project_file.h"
#include "files/zt_source_image.h"
#include "model/blending_stuff.h"
#include "model/segmentation_stuff.h"

#include "support/app_services.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kWidth = 6000, kHeight = 4000, kFactor = 8;

struct Environment : AppServices<QGuiApplication> {
    Environment() : AppServices("project_file_bench") {}
};

struct Document {
    std::unique_ptr<ZtSourceImage> source;
    std::unique_ptr<ZtSourceImage> working;
    QImage statuses;
    QString path;
};

Environment& environment() {
    static Environment made;
    return made;
}

// Null source when the photograph is missing.
const Document& document() {
    static Document made = [] {
        Document d;
        QImage photo(QStringLiteral(CUTOUT_SHARED_DATA "/photos/Dune.jpg"));
        if (photo.isNull()) return d;
        photo = photo.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString file = environment().folder.filePath(QStringLiteral("photo.png"));
        photo.save(file, "JPEG", 92);
        d.source = std::make_unique<ZtSourceImage>(file);
        d.working = std::make_unique<ZtSourceImage>(*d.source);
        d.statuses = QImage(kWidth / kFactor, kHeight / kFactor, QImage::Format_Indexed8);
        d.statuses.setColorCount(256);
        for (int y = 0; y < d.statuses.height(); ++y)
            for (int x = 0; x < d.statuses.width(); ++x)
                d.statuses.setPixel(x, y, x < d.statuses.width() / 2 ? 1 : 2);
        d.path = environment().folder.filePath(QStringLiteral("work.oztp"));
        return d;
    }();
    return made;
}

bool saveProject(const Document& d) {
    const QVariantMap content{
        {QStringLiteral("resolution_"), kFactor},
        {QStringLiteral("segImg_"), d.source->toVariant()},
        {QStringLiteral("blendImg_"), d.working->toVariant()},
        {QStringLiteral("statusArray_"), d.statuses},
        {QStringLiteral("imageSmeg_"), SegmentationStuff(nullptr).toVariant()},
        {QStringLiteral("imageBlendage_"), BlendingStuff().toVariant()},
        {QStringLiteral("arrowTargetList"), QVariantList()}};
    QSaveFile file(d.path);
    return file.open(QIODevice::WriteOnly) &&
           project_file::save(file, d.source->checksum(), content);
}

void BM_SaveProject(benchmark::State& state) {
    const Document& d = document();
    if (!d.source || !d.source->isValid()) {
        state.SkipWithError("no photograph");
        return;
    }
    for (auto _ : state) {
        if (!saveProject(d)) {
            state.SkipWithError("the project was not saved");
            break;
        }
    }
    state.counters["file_MB"] = double(QFileInfo(d.path).size()) / 1e6;
}

void BM_LoadProject(benchmark::State& state) {
    const Document& d = document();
    if (!d.source || !d.source->isValid() || !saveProject(d)) {
        state.SkipWithError("no photograph or no project");
        return;
    }
    for (auto _ : state) {
        QFile file(d.path);
        file.open(QIODevice::ReadOnly);
        const QVariant content = project_file::load(file, d.path, {});
        ZtSourceImage source(content.toMap().value(QStringLiteral("segImg_")));
        ZtSourceImage working(content.toMap().value(QStringLiteral("blendImg_")));
        if (!source.isValid() || !working.isValid()) {
            state.SkipWithError("the project did not load");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

#include "files/project_values.h"

#include "files/zt_source_image.h"
#include "model/variant_values.h"
#include "shell/services/shell_functions.h"

#include <QBitmap>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QVariantList>

#include <cmath>
#include <limits>

namespace project_values {

namespace {

// Collects the first problem; later checks then do nothing.
class ValueCheck {
public:
    bool ok() const { return problem_.isEmpty(); }
    const QString& problem() const { return problem_; }
    void fail(const QString& where, const QString& what) {
        if (ok()) problem_ = where + QStringLiteral(": ") + what;
    }

    // A whole number (or a value that reads as one) within [lo, hi].
    void intIn(const QVariant& value, const QString& where, double lo, double hi) {
        bool isNumber = false;
        const double number = value.toDouble(&isNumber);
        if (!isNumber || !std::isfinite(number) || number != std::floor(number))
            fail(where, QStringLiteral("not a whole number"));
        else if (number < lo || number > hi)
            fail(where, QStringLiteral("%1 is out of range").arg(number));
    }
    // A finite number within [lo, hi].
    void numberIn(const QVariant& value, const QString& where, double lo, double hi) {
        bool isNumber = false;
        const double number = value.toDouble(&isNumber);
        if (!isNumber || !std::isfinite(number) || number < lo || number > hi)
            fail(where, QStringLiteral("%1 is no number in range").arg(value.toString()));
    }
    void boolean(const QVariant& value, const QString& where) {
        if (!boolFromVariant(value)) fail(where, QStringLiteral("not a yes or no"));
    }
    void ofType(const QVariant& value, const QString& where, int type) {
        if (value.userType() != type) fail(where, QStringLiteral("a value of the wrong kind"));
    }

private:
    QString problem_;
};

QString below(const QString& where, const char* key) {
    return where + QLatin1Char('.') + QLatin1String(key);
}

QVariant entry(const QVariant& map, const char* key) {
    return map.toMap().value(QLatin1String(key));
}

// An edge-finding value: current, applied, default and saved, each in range.
void checkEdgeValue(ValueCheck& check, const QVariant& value, const QString& where, int lo,
                    int hi) {
    if (value.userType() != QMetaType::QVariantList) {
        check.fail(where, QStringLiteral("not a list of values"));
        return;
    }
    const QVariantList values = value.toList();
    if (values.size() > 4) check.fail(where, QStringLiteral("more than four values"));
    for (int i = 0; i < values.size() && check.ok(); ++i)
        check.intIn(values[i], where + QStringLiteral("[%1]").arg(i), lo, hi);
}

void checkSegmentation(ValueCheck& check, const QVariant& smeg, const QString& where) {
    check.boolean(entry(smeg, "isChecked_"), below(where, "isChecked_"));
    const QVariant edos = entry(smeg, "edos_");
    const QString at = below(where, "edos_");
    // The ranges of the edge-finding panel; the analysis computes with them.
    checkEdgeValue(check, entry(edos, "sensitivity_"), below(at, "sensitivity_"), 1, 100);
    checkEdgeValue(check, entry(edos, "width_"), below(at, "width_"), 1, 32);
    checkEdgeValue(check, entry(edos, "texture_"), below(at, "texture_"), 0, 2);
    checkEdgeValue(check, entry(edos, "contrast_"), below(at, "contrast_"), 0, 2);
    check.intIn(entry(edos, "widthInImageCoords_"), below(at, "widthInImageCoords_"),
                std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void checkColour(ValueCheck& check, const QVariant& colour, const QString& where) {
    // The colours themselves may be of any kind: one the program cannot use
    // is replaced by its default when it is read.
    check.intIn(entry(colour, "persist_"), below(where, "persist_"),
                std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void checkBlending(ValueCheck& check, const QVariant& blendage, const QString& where) {
    const QVariant options = entry(blendage, "bos_");
    const QString at = below(where, "bos_");
    const QVariantMap m = options.toMap();
    // The panels' ranges; the blend band's width is offered up to 1.5.
    check.numberIn(m.value(QStringLiteral("autoBlueWidthF_")), below(at, "autoBlueWidthF_"), 0, 16);
    check.numberIn(m.value(QStringLiteral("blendRatioF_")), below(at, "blendRatioF_"), 0, 1);
    check.intIn(m.value(QStringLiteral("feather_")), below(at, "feather_"), 0, 1000);
    for (const char* key : {"isPatchBlendRatioTrackingImage_", "fgChecked_", "bgChecked_"})
        check.boolean(m.value(QLatin1String(key)), below(at, key));
    // Older projects lack these; their readers take the defaults.
    for (const char* key : {"choices1F_", "choices2F_", "membrane1F_"})
        if (m.contains(QLatin1String(key)))
            check.numberIn(m.value(QLatin1String(key)), below(at, key), 0, 1);
    for (const char* key : {"isChoices_", "isMembrane_", "isUniformBg_"})
        if (m.contains(QLatin1String(key)))
            check.boolean(m.value(QLatin1String(key)), below(at, key));
    checkColour(check, m.value(QStringLiteral("fgOverride_")), below(at, "fgOverride_"));
    checkColour(check, m.value(QStringLiteral("bgOverride_")), below(at, "bgOverride_"));
}

void checkPolygon(ValueCheck& check, const QVariant& polygon, const QString& where) {
    const QVariant points = entry(polygon, "qpoly_");
    check.ofType(points, below(where, "qpoly_"), QMetaType::QPolygonF);
    if (check.ok() && points.value<QPolygonF>().isEmpty())
        check.fail(below(where, "qpoly_"), QStringLiteral("no point"));
    check.intIn(entry(polygon, "openness_"), below(where, "openness_"),
                std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void checkRegion(ValueCheck& check, const QVariant& target, const QString& where) {
    const QVariant region = entry(target, "GmRegion");
    const QString at = below(where, "GmRegion");
    checkSegmentation(check, entry(region, "smeg_"), below(at, "smeg_"));
    checkBlending(check, entry(region, "blendage_"), below(at, "blendage_"));
    check.boolean(entry(region, "isProtected_"), below(at, "isProtected_"));
}

void checkTarget(ValueCheck& check, const QVariant& target, const QString& where) {
    bool isNumber = false;
    const int type = entry(target, "type").toInt(&isNumber);
    if (!isNumber) {
        check.fail(below(where, "type"), QStringLiteral("not a whole number"));
        return;
    }
    switch (type) {
    case 0: {
        checkRegion(check, target, where);
        const QVariant rectangle = entry(target, "rectangle_");
        const QString at = below(where, "rectangle_");
        check.ofType(entry(rectangle, "rect_"), below(at, "rect_"), QMetaType::QRectF);
        check.ofType(entry(rectangle, "corner1_"), below(at, "corner1_"), QMetaType::QPointF);
        break;
    }
    case 1:
        checkRegion(check, target, where);
        checkPolygon(check, entry(target, "poly_"), below(where, "poly_"));
        break;
    case 2: {
        checkRegion(check, target, where);
        const QVariant brushing = entry(target, "brushing_");
        const QString at = below(where, "brushing_");
        check.ofType(entry(brushing, "Bitmap"), below(at, "Bitmap"), QMetaType::QBitmap);
        check.ofType(entry(brushing, "path_"), below(at, "path_"), qMetaTypeId<QPainterPath>());
        check.ofType(entry(brushing, "boundingReducedRect_"), below(at, "boundingReducedRect_"),
                     QMetaType::QRectF);
        check.ofType(entry(brushing, "color_"), below(at, "color_"), QMetaType::QColor);
        break;
    }
    case 3:
        checkPolygon(check, entry(target, "poly_"), below(where, "poly_"));
        check.intIn(entry(target, "width_"), below(where, "width_"), 0, 1000);
        break;
    default:
        // Skipped by the model.
        break;
    }
}

struct StoredImage {
    QSize size;
    bool wide = false; // 16-bit samples
};

// The size of an image map's pixels, which must be readable and of a
// storage and scale the program writes: a display image (8 bits), 8-bit
// samples, 16-bit samples of a file or of a host.
StoredImage checkImage(ValueCheck& check, const QVariantMap& map, const QString& where) {
    StoredImage stored;
    if (!map.value(QStringLiteral("valid_")).toBool()) {
        check.fail(where, QStringLiteral("no image"));
        return stored;
    }
    bool masterRead = true, formatRead = true;
    const int master = map.value(QStringLiteral("imageMaster_"), int(ZtSourceImage::DisplayMaster))
                           .toInt(&masterRead);
    const int format =
        map.value(QStringLiteral("format_"), int(ZtSourceImage::Format8)).toInt(&formatRead);
    const bool written =
        masterRead && formatRead &&
        ((master == ZtSourceImage::DisplayMaster && format == ZtSourceImage::Format8) ||
         (master == ZtSourceImage::Master8 && format == ZtSourceImage::Format8) ||
         (master == ZtSourceImage::Master16 &&
          (format == ZtSourceImage::Format16 || format == ZtSourceImage::FormatHost16)));
    if (!written) {
        check.fail(where, QStringLiteral("a storage %1 with scale %2 the program never writes")
                              .arg(map.value(QStringLiteral("imageMaster_")).toString(),
                                   map.value(QStringLiteral("format_")).toString()));
        return stored;
    }
    const QVariant pixels = map.value(QStringLiteral("imageImage_"));
    if (master == ZtSourceImage::DisplayMaster) {
        // The stream has decoded the display image already.
        const QImage image =
            pixels.userType() == QMetaType::QImage ? pixels.value<QImage>() : QImage();
        if (image.isNull()) check.fail(where, QStringLiteral("the image cannot be read"));
        stored.size = image.size();
        return stored;
    }
    // Samples stored as PNG bytes: only decoding them tells.
    if (pixels.userType() != QMetaType::QByteArray) {
        check.fail(where, QStringLiteral("the pixels are not stored as a file"));
        return stored;
    }
    const ZtSourceImage image{QVariant(map)};
    if (!image.isValid()) check.fail(where, QStringLiteral("the pixels cannot be read"));
    stored.size = QSize(image.width(), image.height());
    stored.wide = master == ZtSourceImage::Master16;
    return stored;
}

// The status bytes: one for each workspace pixel, each of no class or of
// exactly one (unassigned, keep, delete, blend) with the forced-edge and
// protection bits, and the cut-out's temporary marks that loading clears.
void checkStatuses(ValueCheck& check, const QVariant& value, const QSize& workspace) {
    const QString where = QStringLiteral("statusArray_");
    const QImage statuses =
        value.userType() == QMetaType::QImage ? value.value<QImage>() : QImage();
    if (statuses.isNull()) {
        check.fail(where, QStringLiteral("no status image"));
        return;
    }
    if (statuses.depth() != 8) {
        check.fail(where, QStringLiteral("not one byte a pixel"));
        return;
    }
    if (statuses.size() != workspace) {
        check.fail(where, QStringLiteral("%1 x %2 statuses for a workspace of %3 x %4 pixels")
                              .arg(statuses.width())
                              .arg(statuses.height())
                              .arg(workspace.width())
                              .arg(workspace.height()));
        return;
    }
    for (int y = 0; y < statuses.height(); ++y) {
        const uchar* line = statuses.constScanLine(y);
        for (int x = 0; x < statuses.width(); ++x) {
            const int status = line[x] & 0x0f;
            if (status != 0 && status != 1 && status != 2 && status != 4 && status != 8) {
                check.fail(
                    where,
                    QStringLiteral("the status %1 at (%2, %3)").arg(int(line[x])).arg(x).arg(y));
                return;
            }
        }
    }
}

} // namespace

QString problem(const QVariantMap& content) {
    ValueCheck check;
    bool isNumber = false;
    const int factor = content.value(QStringLiteral("resolution_")).toInt(&isNumber);
    if (!isNumber || (factor != 1 && factor != 2 && factor != 4 && factor != 8))
        check.fail(QStringLiteral("resolution_"),
                   QStringLiteral("the factor %1")
                       .arg(content.value(QStringLiteral("resolution_")).toString()));
    if (!check.ok()) return check.problem();

    const StoredImage source = checkImage(check, content.value(QStringLiteral("segImg_")).toMap(),
                                          QStringLiteral("segImg_"));
    if (!check.ok()) return check.problem();
    const StoredImage working = checkImage(
        check, content.value(QStringLiteral("blendImg_")).toMap(), QStringLiteral("blendImg_"));
    if (!check.ok()) return check.problem();
    // The cut-out is made from the one into the other, sample for sample.
    if (working.size != source.size || working.wide != source.wide)
        check.fail(QStringLiteral("blendImg_"),
                   QStringLiteral("not of the source image's size and depth"));

    // The workspace: the source divided by the factor, rounded up.
    const QSize workspace(qRound(std::ceil(source.size.width() * (1.0 / factor))),
                          qRound(std::ceil(source.size.height() * (1.0 / factor))));
    checkStatuses(check, content.value(QStringLiteral("statusArray_")), workspace);

    checkSegmentation(check, content.value(QStringLiteral("imageSmeg_")),
                      QStringLiteral("imageSmeg_"));
    checkBlending(check, content.value(QStringLiteral("imageBlendage_")),
                  QStringLiteral("imageBlendage_"));
    const QVariantList targets = content.value(QStringLiteral("arrowTargetList")).toList();
    for (int i = 0; i < targets.size() && check.ok(); ++i)
        checkTarget(check, targets[i], QStringLiteral("arrowTargetList[%1]").arg(i));
    return check.problem();
}

} // namespace project_values

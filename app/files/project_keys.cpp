#include "files/project_keys.h"

#include <QVariantList>

#include <initializer_list>

namespace project_keys {

namespace {

// Collects the first missing key; later checks then do nothing.
class KeyCheck {
public:
    // `value` must be a map holding every one of `keys`.
    void require(const QVariant& value, const QString& where,
                 std::initializer_list<const char*> keys) {
        if (!problem_.isEmpty()) return;
        if (value.userType() != QMetaType::QVariantMap) {
            problem_ = where + QStringLiteral(": not a map of values");
            return;
        }
        const QVariantMap map = value.toMap();
        for (const char* key : keys)
            if (!map.contains(QLatin1String(key))) {
                problem_ =
                    where + QStringLiteral(": no \"") + QLatin1String(key) + QStringLiteral("\"");
                return;
            }
    }
    const QString& problem() const { return problem_; }

private:
    QString problem_;
};

QVariant entry(const QVariant& map, const char* key) {
    return map.toMap().value(QLatin1String(key));
}

QString below(const QString& where, const char* key) {
    return where + QLatin1Char('.') + QLatin1String(key);
}

void checkImage(KeyCheck& check, const QVariant& image, const QString& where) {
    check.require(image, where, {"valid_", "filename_", "imageImage_"});
}

void checkColour(KeyCheck& check, const QVariant& colour, const QString& where) {
    check.require(colour, where, {"qColor_", "default_", "keyname_", "desc_", "persist_"});
}

void checkSegmentation(KeyCheck& check, const QVariant& smeg, const QString& where) {
    check.require(smeg, where, {"isChecked_", "edos_"});
    check.require(entry(smeg, "edos_"), below(where, "edos_"),
                  {"sensitivity_", "width_", "texture_", "contrast_", "widthInImageCoords_"});
}

void checkBlending(KeyCheck& check, const QVariant& blendage, const QString& where) {
    check.require(blendage, where, {"bos_"});
    const QVariant options = entry(blendage, "bos_");
    const QString optionsWhere = below(where, "bos_");
    check.require(options, optionsWhere,
                  {"autoBlueWidthF_", "blendRatioF_", "isPatchBlendRatioTrackingImage_", "feather_",
                   "fgChecked_", "fgOverride_", "bgChecked_", "bgOverride_"});
    checkColour(check, entry(options, "fgOverride_"), below(optionsWhere, "fgOverride_"));
    checkColour(check, entry(options, "bgOverride_"), below(optionsWhere, "bgOverride_"));
}

void checkPolygon(KeyCheck& check, const QVariant& polygon, const QString& where) {
    check.require(polygon, where, {"qpoly_", "openness_"});
}

void checkRegion(KeyCheck& check, const QVariant& target, const QString& where) {
    const QVariant region = entry(target, "GmRegion");
    const QString regionWhere = below(where, "GmRegion");
    check.require(region, regionWhere, {"smeg_", "blendage_", "isProtected_"});
    checkSegmentation(check, entry(region, "smeg_"), below(regionWhere, "smeg_"));
    checkBlending(check, entry(region, "blendage_"), below(regionWhere, "blendage_"));
}

// Types as the model rebuilds them: 0 rectangle patch, 1 polygon patch,
// 2 brushed patch, 3 forced edge.
void checkTarget(KeyCheck& check, const QVariant& target, const QString& where) {
    check.require(target, where, {"type"});
    if (!check.problem().isEmpty()) return;
    bool isNumber = false;
    const int type = entry(target, "type").toInt(&isNumber);
    if (!isNumber) return;
    switch (type) {
    case 0:
        check.require(target, where, {"GmRegion", "rectangle_"});
        checkRegion(check, target, where);
        check.require(entry(target, "rectangle_"), below(where, "rectangle_"),
                      {"rect_", "corner1_"});
        break;
    case 1:
        check.require(target, where, {"GmRegion", "poly_"});
        checkRegion(check, target, where);
        checkPolygon(check, entry(target, "poly_"), below(where, "poly_"));
        break;
    case 2:
        check.require(target, where, {"GmRegion", "brushing_"});
        checkRegion(check, target, where);
        check.require(entry(target, "brushing_"), below(where, "brushing_"),
                      {"Bitmap", "path_", "boundingReducedRect_", "color_"});
        break;
    case 3:
        check.require(target, where, {"poly_", "width_"});
        checkPolygon(check, entry(target, "poly_"), below(where, "poly_"));
        break;
    default:
        break;
    }
}

} // namespace

QString missingKey(const QVariantMap& content) {
    KeyCheck check;
    check.require(content, QStringLiteral("content"),
                  {"resolution_", "segImg_", "blendImg_", "statusArray_", "imageSmeg_",
                   "imageBlendage_", "arrowTargetList"});
    checkImage(check, content.value(QStringLiteral("segImg_")), QStringLiteral("segImg_"));
    checkImage(check, content.value(QStringLiteral("blendImg_")), QStringLiteral("blendImg_"));
    checkSegmentation(check, content.value(QStringLiteral("imageSmeg_")),
                      QStringLiteral("imageSmeg_"));
    checkBlending(check, content.value(QStringLiteral("imageBlendage_")),
                  QStringLiteral("imageBlendage_"));
    if (!check.problem().isEmpty()) return check.problem();

    const QVariant targets = content.value(QStringLiteral("arrowTargetList"));
    if (targets.userType() != QMetaType::QVariantList)
        return QStringLiteral("arrowTargetList: not a list");
    const QVariantList list = targets.toList();
    for (int i = 0; i < list.size() && check.problem().isEmpty(); ++i)
        checkTarget(check, list[i], QStringLiteral("arrowTargetList[%1]").arg(i));
    return check.problem();
}

} // namespace project_keys

#include "platform/DocumentViewStates.h"

#include "platform/Preferences.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace velmaris {

namespace {

const QString kMagnification = QStringLiteral("magnification");
const QString kOriginX = QStringLiteral("originX");
const QString kOriginY = QStringLiteral("originY");
const QString kWindowFrame = QStringLiteral("windowFrame");
const QString kTimestamp = QStringLiteral("timestamp");

// The zoom range of the canvas, kept here so that no stored value reaches it unclamped.
constexpr double kMinMagnification = 0.05;
constexpr double kMaxMagnification = 32;

// Only numbers count: a string that happens to read as one is a malformed record.
std::optional<double> number(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const double result = value.toDouble();
        return std::isfinite(result) ? std::optional(result) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

// The stored records; entries that are not records are dropped.
QVariantMap records(const Preferences& preferences)
{
    QVariantMap result = preferences.documentViewStates().value_or(QVariantMap{});
    for (auto it = result.begin(); it != result.end();) {
        if (it->typeId() == QMetaType::QVariantMap)
            ++it;
        else
            it = result.erase(it);
    }
    return result;
}

double timestampOf(const QVariant& record)
{
    return number(record.toMap().value(kTimestamp)).value_or(0);
}

QString numberString(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

std::optional<DocumentViewState> DocumentViewStateStore::state(const QString& path) const
{
    if (path.isEmpty())
        return std::nullopt;
    const QVariantMap record = records(Preferences(settings_)).value(path).toMap();
    const std::optional<double> magnification = number(record.value(kMagnification));
    const std::optional<double> originX = number(record.value(kOriginX));
    const std::optional<double> originY = number(record.value(kOriginY));
    if (!magnification || !originX || !originY)
        return std::nullopt;

    DocumentViewState state;
    state.magnification = std::clamp(*magnification, kMinMagnification, kMaxMagnification);
    state.origin = {*originX, *originY};
    state.timestamp = number(record.value(kTimestamp)).value_or(0);
    const std::optional<QRectF> frame = record.value(kWindowFrame).typeId() == QMetaType::QString
                                            ? rectangleFromString(record.value(kWindowFrame).toString())
                                            : std::nullopt;
    if (frame && frame->width() >= kMinimumFrameWidth && frame->height() >= kMinimumFrameHeight)
        state.windowFrame = frame;
    return state;
}

void DocumentViewStateStore::save(const QString& path, const DocumentViewState& state) const
{
    if (path.isEmpty())
        return;
    Preferences preferences(settings_);
    QVariantMap all = records(preferences);
    QVariantMap record{
        {kMagnification, state.magnification},
        {kOriginX, state.origin.x()},
        {kOriginY, state.origin.y()},
        {kTimestamp, state.timestamp},
    };
    if (state.windowFrame)
        record.insert(kWindowFrame, rectangleString(*state.windowFrame));
    all.insert(path, record);

    if (all.size() > kMaximumRecords) {
        std::vector<std::pair<double, QString>> byAge;
        byAge.reserve(all.size());
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            byAge.emplace_back(timestampOf(*it), it.key());
        std::stable_sort(byAge.begin(), byAge.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        const qsizetype excess = all.size() - kMaximumRecords;
        for (qsizetype i = 0; i < excess; ++i)
            all.remove(byAge[size_t(i)].second);
    }
    preferences.setValue(PreferenceName::documentViewStates, all);
}

int DocumentViewStateStore::recordCount() const
{
    return int(records(Preferences(settings_)).size());
}

QString rectangleString(const QRectF& rect)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(numberString(rect.x()), numberString(rect.y()), numberString(rect.width()),
             numberString(rect.height()));
}

std::optional<QRectF> rectangleFromString(const QString& text)
{
    static const QString numberPattern = QStringLiteral(R"(\s*([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)\s*)");
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*\{\s*\{%1,%1\}\s*,\s*\{%1,%1\}\s*\}\s*$)").arg(numberPattern));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = QLocale::c().toDouble(match.capturedView(i + 1), &ok);
        if (!ok || !std::isfinite(values[i]))
            return std::nullopt;
    }
    if (values[2] < 0 || values[3] < 0)
        return std::nullopt;
    return QRectF(values[0], values[1], values[2], values[3]);
}

}  // namespace velmaris

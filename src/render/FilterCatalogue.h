#pragma once

#include "model/Bitmap.h"

#include <QHash>
#include <QPointF>
#include <QSet>
#include <QSize>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

namespace velmaris {

enum class FilterCategory { essential, artistic, distort, adjustment };

// What a value measures: a length in image pixels scales with the image, so that a preview at
// reduced size looks like the full-size result reduced; other values (fractions of the image,
// angles, amounts) stay.
enum class ParameterUnit { plain, pixels };

struct FilterParameter {
    QString key;
    QString label;
    double minimum = 0;
    double maximum = 1;
    double defaultValue = 0;
    ParameterUnit unit = ParameterUnit::plain;

    // A finite value clamped to the range; anything else is the default.
    double sanitized(double value) const;
};

using FilterValues = QHash<QString, double>;

// The values a build step reads. It notes each key asked for, so a test can prove that every
// filter reads all of its parameters and nothing else.
class FilterArguments {
public:
    explicit FilterArguments(FilterValues values = {}) : values_(std::move(values)) {}

    double value(QLatin1String key, double absent = 0) const;
    double operator[](QLatin1String key) const { return value(key); }
    const QSet<QString>& requestedKeys() const { return requested_; }

private:
    FilterValues values_;
    mutable QSet<QString> requested_;
};

struct FilterDescriptor {
    QString identifier;
    QString menuTitle;    // ends in "…" exactly when there are parameters
    QString historyName;  // the history step that applying the filter records
    FilterCategory category = FilterCategory::essential;
    QVector<FilterParameter> parameters;  // in slider order
    std::function<Bitmap(const Bitmap& input, const FilterArguments& values)> build;

    const FilterParameter* parameter(const QString& key) const;
};

// A catalogue entry with its current values; every parameter always has a value.
struct FilterInstance {
    const FilterDescriptor* descriptor = nullptr;
    FilterValues values;

    static FilterInstance withDefaults(const FilterDescriptor& descriptor);
    // Stores a value clamped to the parameter's range (the default for NaN or infinities);
    // false for a key the filter does not have.
    bool setValue(const QString& key, double value);
    // The filter run on `input`, cropped to its size.
    Bitmap apply(const Bitmap& input) const;
    // The same filter for the image scaled by `scale`: lengths in pixels scale along (kept at the
    // least their range allows).
    FilterInstance scaled(double scale) const;
};

// The 50 filters and adjustments in menu order.
const QVector<FilterDescriptor>& filterCatalogue();
const FilterDescriptor* findFilter(const QString& identifier);

// The point (centerX, centerY) of the values (0.5 when absent) within an image, measured from
// its top-left corner in pixels.
QPointF filterCenter(const FilterArguments& values, QSize extent);

}  // namespace velmaris

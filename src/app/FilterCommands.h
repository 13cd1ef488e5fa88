#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace velmaris {

struct FilterRequest {
    QString identifier;
    QStringList assignments;  // KEY=VALUE
    QString input;
    QString output;
    friend bool operator==(const FilterRequest&, const FilterRequest&) = default;
};

struct ContactSheetRequest {
    QString input;
    QString output;
    friend bool operator==(const ContactSheetRequest&, const ContactSheetRequest&) = default;
};

// Applies one catalogue filter to the flattened input; the message to show when that fails.
std::optional<QString> runFilter(const FilterRequest& request);
// The catalogue as text: identifier, title and each parameter with its range and default.
QString filterListText();
// Every filter at its defaults on the input, in a labelled grid written as PNG.
std::optional<QString> runContactSheet(const ContactSheetRequest& request);

}  // namespace velmaris

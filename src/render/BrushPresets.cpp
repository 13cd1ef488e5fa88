#include "render/BrushPresets.h"

#include <QFile>

namespace velmaris {

namespace {

struct PresetRow {
    BrushPreset preset;
    const char* raw;
    const char* title;
    const char* file;  // under the collection's folder, without ".myb"
};

constexpr PresetRow kRows[] = {
    {BrushPreset::pencil, "pencil", "Pencil", "classic/pencil"},
    {BrushPreset::ink, "ink", "Ink", "classic/pointy_ink"},
    {BrushPreset::airbrush, "airbrush", "Airbrush", "deevad/airbrush"},
    {BrushPreset::softRound, "softRound", "Soft Round", "experimental/soft"},
    {BrushPreset::hardRound, "hardRound", "Hard Round", "classic/rounded"},
    {BrushPreset::marker, "marker", "Marker", "ramon/Marker"},
};

const PresetRow& row(BrushPreset preset)
{
    return kRows[static_cast<int>(preset)];
}

}  // namespace

QString brushPresetTitle(BrushPreset preset)
{
    return QString::fromLatin1(row(preset).title);
}

QString rawValue(BrushPreset preset)
{
    return QString::fromLatin1(row(preset).raw);
}

std::optional<BrushPreset> brushPresetFromRawValue(const QString& raw)
{
    for (const PresetRow& candidate : kRows)
        if (raw == QLatin1String(candidate.raw))
            return candidate.preset;
    return std::nullopt;
}

std::optional<QByteArray> brushPresetData(BrushPreset preset)
{
    // The collection's data folder, as its package installs it (set by the build).
    QFile file(QStringLiteral(VELMARIS_BRUSHES_DIR "/%1.myb").arg(QLatin1String(row(preset).file)));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

}  // namespace velmaris

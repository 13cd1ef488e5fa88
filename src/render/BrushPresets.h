#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace velmaris {

// The brushes offered, each a preset of the shared brush collection.
enum class BrushPreset { pencil, ink, airbrush, softRound, hardRound, marker };

inline constexpr std::array kBrushPresets = {BrushPreset::pencil,    BrushPreset::ink,       BrushPreset::airbrush,
                                             BrushPreset::softRound, BrushPreset::hardRound, BrushPreset::marker};

QString brushPresetTitle(BrushPreset preset);
// The stable name stored in the settings ("pencil", "softRound" …).
QString rawValue(BrushPreset preset);
std::optional<BrushPreset> brushPresetFromRawValue(const QString& raw);

// The preset's brush description read from the installed collection; nothing when it is missing,
// and the engine's default brush is used instead.
std::optional<QByteArray> brushPresetData(BrushPreset preset);

}  // namespace velmaris

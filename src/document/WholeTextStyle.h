#pragma once

#include "model/TextLayerAttributes.h"

#include <optional>

namespace velmaris {

// Makes the requested attributes the base style of the whole text, dropping their overrides.
void styleAll(TextLayerAttributes& attributes, std::optional<double> fontSize,
              const std::optional<StoredColor>& color, const std::optional<QString>& fontFamily);

}  // namespace velmaris

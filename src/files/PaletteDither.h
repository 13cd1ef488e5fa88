#pragma once

#include "model/Bitmap.h"

#include <cstdint>
#include <span>
#include <vector>

namespace velmaris {

// A palette entry: opaque, or the one clear entry (alpha 0).
struct PaletteEntry {
    std::uint8_t r, g, b, a;
};

// Pixels at least this covered are written opaque, fainter ones clear.
inline constexpr unsigned kPaletteOpaqueFrom = 128;

// One palette index per pixel of a premultiplied bitmap: pixels less than half covered take the
// clear entry, the others their un-premultiplied colour's nearest opaque entry, with the error
// diffused Floyd–Steinberg fashion. Bands of rows dither in parallel, each started by dithering a
// few rows above it, so no seam shows and the result does not depend on the number of threads.
// The palette must have an opaque entry if any pixel is opaque, and a clear one if any is not.
std::vector<std::uint8_t> ditheredPaletteIndices(const Bitmap& image, std::span<const PaletteEntry> palette);

}  // namespace velmaris

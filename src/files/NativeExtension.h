#pragma once

namespace velmaris::VelmarisImageFormat {

// The extension of native documents, without its dot. Kept free of Qt: the program that is run,
// which links only the C library, routes by it.
inline constexpr char kNativeExtension[] = "velmaris";

}  // namespace velmaris::VelmarisImageFormat

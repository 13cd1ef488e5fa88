#pragma once

namespace velmaris {

// The user-visible texts of failed file reads and writes.
inline constexpr char kImageReadErrorText[] = "The image could not be read.";
inline constexpr char kImageRenderErrorText[] = "The image could not be rendered.";
inline constexpr char kImageEncodeErrorText[] = "The image could not be encoded.";
inline constexpr char kSVGWriteErrorText[] = "The SVG could not be written.";

}  // namespace velmaris

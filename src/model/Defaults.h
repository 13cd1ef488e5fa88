#pragma once

// The values in force wherever the user never chose one; preferences, new documents and new text
// layers all start from these.
namespace velmaris::defaults {

inline constexpr int canvasWidth = 1024;
inline constexpr int canvasHeight = 768;
inline constexpr int canvasBackground = 1;  // white
inline constexpr char textFontFamily[] = "Helvetica";
inline constexpr double textFontSize = 48;
inline constexpr int historyLimit = 50;

}  // namespace velmaris::defaults

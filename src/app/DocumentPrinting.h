#pragma once

#include "model/Bitmap.h"

class QPrinter;

namespace velmaris {

// Prints the flattened image scaled to fit the printable area of the page, centred. False when
// the printer could not start (no printer, an unwritable PDF file).
bool printImage(const Bitmap& image, QPrinter& printer);

}  // namespace velmaris

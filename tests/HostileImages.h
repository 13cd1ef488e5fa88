#pragma once

#include <QByteArray>

namespace velmaris::test {

// A progressive JPEG of one 4096 × 4096 component: a few bytes per scan, yet every scan makes the
// decoder visit all of its blocks, so thousands of scans keep a decoder busy for many seconds.
QByteArray progressiveJpegWithScans(int scans);

}  // namespace velmaris::test

#pragma once

#include <QtGlobal>

#include <limits>

namespace velmaris {

// Tells fast typing apart from a deliberate single key, so bare-key shortcuts do not fire while
// the user types outside a text field: a typing key less than `triggerThreshold` after the
// previous key-down starts a burst, and the burst lasts until a pause of `releaseThreshold`.
struct RapidKeystrokeGate {
    double triggerThreshold = 0.1;
    double releaseThreshold = 0.6;
    double lastKeyDownTimestamp = std::numeric_limits<double>::lowest();
    double lastEvaluatedTimestamp = std::numeric_limits<double>::lowest();
    quint16 lastEvaluatedKeyCode = 65535;
    bool lastDecision = false;
    bool isInBurst = false;

    // Whether the key-down at `timestamp` (seconds) is to be suppressed. The same event seen again
    // gets the same answer; repeats pass and do not count as key-downs.
    bool evaluate(double timestamp, quint16 keyCode, bool isRepeat, bool isTypingCandidate);
};

}  // namespace velmaris

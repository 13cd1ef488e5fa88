#include "platform/RapidKeystrokeGate.h"

namespace velmaris {

bool RapidKeystrokeGate::evaluate(double timestamp, quint16 keyCode, bool isRepeat, bool isTypingCandidate)
{
    if (timestamp == lastEvaluatedTimestamp && keyCode == lastEvaluatedKeyCode)
        return lastDecision;
    lastEvaluatedTimestamp = timestamp;
    lastEvaluatedKeyCode = keyCode;
    if (isRepeat) {
        lastDecision = false;
        return false;
    }
    const double elapsed = timestamp - lastKeyDownTimestamp;
    lastKeyDownTimestamp = timestamp;
    if (isInBurst) {
        if (elapsed < releaseThreshold) {
            // Any key keeps the burst alive; only typing keys are held back.
            lastDecision = isTypingCandidate;
            return lastDecision;
        }
        isInBurst = false;
    }
    if (elapsed < triggerThreshold && isTypingCandidate) {
        isInBurst = true;
        lastDecision = true;
        return true;
    }
    lastDecision = false;
    return false;
}

}  // namespace velmaris

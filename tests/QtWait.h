#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace velmaris::test {

// Turns the event loop until `condition` holds or `milliseconds` pass; returns whether it holds.
// For gtest assertions: QtTest's QTRY_ macros return silently from a gtest body on failure.
template <typename Condition>
bool waitUntil(Condition condition, int milliseconds = 5000)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

}  // namespace velmaris::test

#pragma once

#include "platform/Pasteboard.h"
#include "QtWait.h"

#include <QObject>
#include <gtest/gtest.h>

namespace velmaris::test {

// The image a paste reads from the clipboard, once it has been decoded.
inline std::optional<Bitmap> pastedImage()
{
    const QObject receiver;
    bool finished = false;
    std::optional<Bitmap> image;
    Pasteboard().readImage(&receiver, [&](std::optional<Bitmap> read) {
        image = std::move(read);
        finished = true;
    });
    if (!waitUntil([&] { return finished; }))
        ADD_FAILURE() << "the clipboard's image was never delivered";
    return image;
}

}  // namespace velmaris::test

#pragma once

#include <QPointF>
#include <QRectF>
#include <QSettings>
#include <QString>

#include <optional>

namespace velmaris {

// How one saved file was last viewed: zoom, the canvas point at the top left of the visible area,
// the window's frame and when this was written.
struct DocumentViewState {
    double magnification = 1;
    QPointF origin;
    std::optional<QRectF> windowFrame;
    double timestamp = 0;  // seconds since 1970
};

// The view states of saved files, one record per file path, kept in the preferences under
// "DocumentViewStates". At most 50 files are remembered; the oldest record makes room.
class DocumentViewStateStore {
public:
    static constexpr int kMaximumRecords = 50;
    // A stored frame smaller than this is not worth restoring.
    static constexpr double kMinimumFrameWidth = 300;
    static constexpr double kMinimumFrameHeight = 200;

    // Reads and writes `settings` (not owned), or the application's own settings when null.
    explicit DocumentViewStateStore(QSettings* settings = nullptr) : settings_(settings) {}

    // The record of `path`, with the magnification clamped to the zoom range and a frame too small
    // or unreadable left out; nothing when the record lacks a numeric magnification or origin.
    std::optional<DocumentViewState> state(const QString& path) const;
    // Replaces the record of `path` and drops the oldest ones beyond the limit. Entries that are not
    // records are dropped on the way.
    void save(const QString& path, const DocumentViewState& state) const;
    int recordCount() const;

private:
    QSettings* settings_;
};

// The "{{x, y}, {w, h}}" form frames are stored in, and its reading; nothing for any other text.
QString rectangleString(const QRectF& rect);
std::optional<QRectF> rectangleFromString(const QString& text);

}  // namespace velmaris

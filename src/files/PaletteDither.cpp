#include "files/PaletteDither.h"

#include "files/StraightAlpha.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <climits>

namespace velmaris {

namespace {

// The nearest opaque entry to a colour, searched only among the entries that can be nearest to
// some colour of its cell (32 levels a channel, each cell 8 values wide), closest to the cell first.
class NearestEntry {
public:
    explicit NearestEntry(std::span<const PaletteEntry> palette) : palette_(palette), starts_(kCells + 1)
    {
        std::vector<std::vector<Candidate>> perCell(kCells);
        tbb::parallel_for(0, kCells, [&](int cell) {
            const int low[3] = {(cell >> 10) * kCellWidth, ((cell >> 5) & 31) * kCellWidth, (cell & 31) * kCellWidth};
            // No colour of the cell is farther from its nearest entry than from the entry whose
            // farthest corner is nearest; only entries that come closer than that can win.
            int bound = INT_MAX;
            for (const PaletteEntry& entry : palette)
                if (entry.a != 0)
                    bound = std::min(bound, farthest(entry, low));
            std::vector<Candidate>& candidates = perCell[std::size_t(cell)];
            for (std::size_t i = 0; i < palette.size(); ++i)
                if (palette[i].a != 0 && nearest(palette[i], low) <= bound)
                    candidates.push_back({nearest(palette[i], low), std::uint8_t(i)});
            std::sort(candidates.begin(), candidates.end(),
                      [](const Candidate& a, const Candidate& b) { return a.cellDistance < b.cellDistance; });
        });
        // One array for all cells: the search walks memory in order.
        for (int cell = 0; cell < kCells; ++cell) {
            starts_[std::size_t(cell)] = std::uint32_t(candidates_.size());
            candidates_.insert(candidates_.end(), perCell[std::size_t(cell)].begin(), perCell[std::size_t(cell)].end());
        }
        starts_[kCells] = std::uint32_t(candidates_.size());
    }

    std::uint8_t operator()(int r, int g, int b) const
    {
        const std::size_t cell = std::size_t((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
        const Candidate* first = candidates_.data() + starts_[cell];
        const Candidate* end = candidates_.data() + starts_[cell + 1];
        std::uint8_t best = first->index;
        int bestDistance = INT_MAX;
        for (const Candidate* candidate = first; candidate != end; ++candidate) {
            // No later entry comes closer to any colour of the cell than this one's distance.
            if (candidate->cellDistance >= bestDistance)
                break;
            const PaletteEntry& entry = palette_[candidate->index];
            const int distance = square(r - entry.r) + square(g - entry.g) + square(b - entry.b);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = candidate->index;
            }
        }
        return best;
    }

private:
    struct Candidate {
        int cellDistance;  // squared, to the nearest colour of the cell
        std::uint8_t index;
    };
    static constexpr int kCells = 32 * 32 * 32;
    static constexpr int kCellWidth = 8;

    static int square(int value) { return value * value; }
    static int nearest(const PaletteEntry& entry, const int low[3])
    {
        const int channels[3] = {entry.r, entry.g, entry.b};
        int sum = 0;
        for (int c = 0; c < 3; ++c)
            sum += square(std::max({low[c] - channels[c], channels[c] - (low[c] + kCellWidth - 1), 0}));
        return sum;
    }
    static int farthest(const PaletteEntry& entry, const int low[3])
    {
        const int channels[3] = {entry.r, entry.g, entry.b};
        int sum = 0;
        for (int c = 0; c < 3; ++c)
            sum += square(std::max(channels[c] - low[c], low[c] + kCellWidth - 1 - channels[c]));
        return sum;
    }

    std::span<const PaletteEntry> palette_;
    std::vector<std::uint32_t> starts_;
    std::vector<Candidate> candidates_;
};

constexpr int kBandRows = 128;
// Rows above a band dithered only to carry their error into it.
constexpr int kLeadRows = 16;

// Floyd–Steinberg in alternating directions; errors in sixteenths.
void ditherBand(const Bitmap& image, std::span<const PaletteEntry> palette, const NearestEntry& nearest,
                std::uint8_t clearIndex, int firstRow, int endRow, std::uint8_t* indices)
{
    const int width = image.width();
    std::vector<int> current(std::size_t(width + 2) * 3), next(current.size());
    for (int y = std::max(0, firstRow - kLeadRows); y < endRow; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const std::uint8_t* row = image.row(y);
        std::uint8_t* out = indices + std::size_t(y) * width;
        const bool kept = y >= firstRow;
        const int step = y % 2 == 0 ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = step > 0 ? i : width - 1 - i;
            const unsigned alpha = row[4 * x + 3];
            if (alpha < kPaletteOpaqueFrom) {
                if (kept)
                    out[x] = clearIndex;
                continue;
            }
            int* here = current.data() + std::size_t(x + 1) * 3;
            int value[3];
            for (int c = 0; c < 3; ++c) {
                const int straight = alpha == 255 ? row[4 * x + c] : straightChannel(row[4 * x + c], alpha);
                value[c] = std::clamp(straight + ((here[c] + 8) >> 4), 0, 255);
            }
            const std::uint8_t index = nearest(value[0], value[1], value[2]);
            if (kept)
                out[x] = index;
            const PaletteEntry& entry = palette[index];
            const int error[3] = {value[0] - entry.r, value[1] - entry.g, value[2] - entry.b};
            int* below = next.data() + std::size_t(x + 1) * 3;
            for (int c = 0; c < 3; ++c) {
                here[3 * step + c] += 7 * error[c];
                below[-3 * step + c] += 3 * error[c];
                below[c] += 5 * error[c];
                below[3 * step + c] += error[c];
            }
        }
        std::swap(current, next);
    }
}

}  // namespace

std::vector<std::uint8_t> ditheredPaletteIndices(const Bitmap& image, std::span<const PaletteEntry> palette)
{
    std::vector<std::uint8_t> indices(std::size_t(image.width()) * image.height());
    const auto clear = std::find_if(palette.begin(), palette.end(), [](const PaletteEntry& e) { return e.a == 0; });
    const std::uint8_t clearIndex = std::uint8_t(clear == palette.end() ? 0 : clear - palette.begin());
    const NearestEntry nearest(palette);
    const int bands = (image.height() + kBandRows - 1) / kBandRows;
    tbb::parallel_for(0, bands, [&](int band) {
        ditherBand(image, palette, nearest, clearIndex, band * kBandRows,
                   std::min(image.height(), (band + 1) * kBandRows), indices.data());
    });
    return indices;
}

}  // namespace velmaris

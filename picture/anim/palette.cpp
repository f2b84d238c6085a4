#include "picture/anim/palette.h"

#include <algorithm>
#include <array>
#include <limits>

namespace vestura::anim {

namespace {

constexpr int kCellBits = 6;
constexpr int kCellShift = 8 - kCellBits;
constexpr std::size_t kCellCount = std::size_t{1} << (3 * kCellBits);
constexpr int kRefinements = 3;

std::size_t cellOf(QRgb colour) {
    return (std::size_t{static_cast<unsigned>(qRed(colour)) >> kCellShift} << (2 * kCellBits)) |
           (std::size_t{static_cast<unsigned>(qGreen(colour)) >> kCellShift} << kCellBits) |
           (static_cast<unsigned>(qBlue(colour)) >> kCellShift);
}

// A non-empty cell, as median cut sorts and splits them.
struct Colours {
    std::array<double, 3> mean;
    const ColourHistogram::Cell* cell;
};

using Iterator = std::vector<Colours>::iterator;

struct Box {
    Iterator begin, end;
    double error = 0;  // the squared distance of its colours from their mean, summed
    int widest = 0;    // the channel along which they spread most
};

Box measured(Iterator begin, Iterator end) {
    Box box{begin, end};
    double count = 0;
    std::array<double, 3> sum{}, squares{};
    for (auto it = begin; it != end; ++it) {
        const auto weight = static_cast<double>(it->cell->count);
        count += weight;
        for (int c = 0; c < 3; ++c) {
            sum[c] += weight * it->mean[c];
            squares[c] += weight * it->mean[c] * it->mean[c];
        }
    }
    double widestSpread = -1;
    for (int c = 0; c < 3; ++c) {
        const double spread = squares[c] - sum[c] * sum[c] / count;
        box.error += spread;
        if (spread > widestSpread) {
            widestSpread = spread;
            box.widest = c;
        }
    }
    return box;
}

// Splits the box where half its pixels lie on either side along its widest channel.
std::pair<Box, Box> split(const Box& box) {
    const int c = box.widest;
    std::sort(box.begin, box.end,
              [c](const Colours& a, const Colours& b) { return a.mean[c] < b.mean[c]; });
    std::uint64_t total = 0;
    for (auto it = box.begin; it != box.end; ++it) {
        total += it->cell->count;
    }
    std::uint64_t below = 0;
    auto middle = box.begin;
    while (middle + 1 != box.end && 2 * (below + middle->cell->count) <= total) {
        below += middle->cell->count;
        ++middle;
    }
    if (middle == box.begin) {
        ++middle;  // each side keeps at least one cell
    }
    return {measured(box.begin, middle), measured(middle, box.end)};
}

QRgb meanColour(const Box& box) {
    std::uint64_t count = 0, red = 0, green = 0, blue = 0;
    for (auto it = box.begin; it != box.end; ++it) {
        count += it->cell->count;
        red += it->cell->red;
        green += it->cell->green;
        blue += it->cell->blue;
    }
    const auto mean = [count](std::uint64_t sum) {
        return static_cast<int>((2 * sum + count) / (2 * count));
    };
    return qRgb(mean(red), mean(green), mean(blue));
}

int squaredDistance(QRgb a, QRgb b) {
    const int red = qRed(a) - qRed(b), green = qGreen(a) - qGreen(b), blue = qBlue(a) - qBlue(b);
    return red * red + green * green + blue * blue;
}

// Moves each palette colour to the mean of the cells nearest to it (Lloyd's step), which
// median cut's straight cuts leave off by up to half a box.
void refine(std::vector<QRgb>& palette, const std::vector<Colours>& colours) {
    struct Sum {
        std::uint64_t count = 0, red = 0, green = 0, blue = 0;
    };
    std::vector<Sum> sums(palette.size());
    NearestColour nearest(palette);
    for (const Colours& c : colours) {
        const QRgb mean = qRgb(static_cast<int>(c.mean[0] + 0.5), static_cast<int>(c.mean[1] + 0.5),
                               static_cast<int>(c.mean[2] + 0.5));
        Sum& sum = sums[nearest.index(mean)];
        sum.count += c.cell->count;
        sum.red += c.cell->red;
        sum.green += c.cell->green;
        sum.blue += c.cell->blue;
    }
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const Sum& s = sums[i];
        if (s.count != 0) {
            const auto mean = [&](std::uint64_t total) {
                return static_cast<int>((2 * total + s.count) / (2 * s.count));
            };
            palette[i] = qRgb(mean(s.red), mean(s.green), mean(s.blue));
        }
    }
}

}  // namespace

ColourHistogram::ColourHistogram() : cells_(kCellCount) {}

void ColourHistogram::add(const QImage& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            Cell& cell = cells_[cellOf(row[x])];
            ++cell.count;
            cell.red += static_cast<unsigned>(qRed(row[x]));
            cell.green += static_cast<unsigned>(qGreen(row[x]));
            cell.blue += static_cast<unsigned>(qBlue(row[x]));
        }
    }
}

std::vector<QRgb> medianCutPalette(const ColourHistogram& histogram, int size) {
    std::vector<Colours> colours;
    for (const ColourHistogram::Cell& cell : histogram.cells()) {
        if (cell.count != 0) {
            const auto count = static_cast<double>(cell.count);
            colours.push_back({{static_cast<double>(cell.red) / count,
                                static_cast<double>(cell.green) / count,
                                static_cast<double>(cell.blue) / count},
                               &cell});
        }
    }
    if (colours.empty()) {
        return {qRgb(0, 0, 0)};
    }
    std::vector<Box> boxes{measured(colours.begin(), colours.end())};
    while (std::ssize(boxes) < size) {
        auto worst = boxes.end();
        for (auto it = boxes.begin(); it != boxes.end(); ++it) {
            if (it->end - it->begin > 1 && (worst == boxes.end() || it->error > worst->error)) {
                worst = it;
            }
        }
        if (worst == boxes.end()) {
            break;  // every box is one cell
        }
        auto [low, high] = split(*worst);
        *worst = low;
        boxes.push_back(high);
    }
    std::vector<QRgb> palette;
    for (const Box& box : boxes) {
        palette.push_back(meanColour(box));
    }
    for (int step = 0; step < kRefinements; ++step) {
        refine(palette, colours);
    }
    return palette;
}

namespace {

constexpr int kCubeBits = 5;
constexpr int kCubeShift = 8 - kCubeBits;
constexpr int kCubeSide = 1 << kCubeShift;
constexpr std::uint32_t kUnknown = 0xFFFFFFFFU;

std::size_t cubeOf(QRgb colour) {
    return (std::size_t{static_cast<unsigned>(qRed(colour)) >> kCubeShift} << (2 * kCubeBits)) |
           (std::size_t{static_cast<unsigned>(qGreen(colour)) >> kCubeShift} << kCubeBits) |
           (static_cast<unsigned>(qBlue(colour)) >> kCubeShift);
}

// The least and the greatest squared distance from `entry` to a point of the cube whose
// channels start at `low` and span kCubeSide levels.
std::pair<int, int> distanceRange(QRgb entry, const std::array<int, 3>& low) {
    const std::array<int, 3> value{qRed(entry), qGreen(entry), qBlue(entry)};
    int least = 0, most = 0;
    for (int c = 0; c < 3; ++c) {
        const int high = low[c] + kCubeSide - 1;
        const int inside = value[c] < low[c] ? low[c] - value[c] : value[c] > high ? value[c] - high : 0;
        const int far = std::max(value[c] - low[c], high - value[c]);
        least += inside * inside;
        most += far * far;
    }
    return {least, most};
}

}  // namespace

NearestColour::NearestColour(std::vector<QRgb> palette)
    : palette_(std::move(palette)),
      firstCandidate_(std::size_t{1} << (3 * kCubeBits), kUnknown),
      candidateCount_(firstCandidate_.size()) {}

void NearestColour::findCandidates(std::size_t cube) {
    const std::array<int, 3> low{static_cast<int>(cube >> (2 * kCubeBits)) << kCubeShift,
                                 static_cast<int>((cube >> kCubeBits) & ((1 << kCubeBits) - 1))
                                     << kCubeShift,
                                 static_cast<int>(cube & ((1 << kCubeBits) - 1)) << kCubeShift};
    int closestFarthest = std::numeric_limits<int>::max();
    for (const QRgb entry : palette_) {
        closestFarthest = std::min(closestFarthest, distanceRange(entry, low).second);
    }
    firstCandidate_[cube] = static_cast<std::uint32_t>(candidates_.size());
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        if (distanceRange(palette_[i], low).first <= closestFarthest) {
            candidates_.push_back(static_cast<std::uint8_t>(i));
        }
    }
    candidateCount_[cube] =
        static_cast<std::uint8_t>(candidates_.size() - firstCandidate_[cube] - 1);
}

std::uint8_t NearestColour::index(QRgb colour) {
    const std::size_t cube = cubeOf(colour);
    if (firstCandidate_[cube] == kUnknown) {
        findCandidates(cube);
    }
    const std::uint8_t* candidate = candidates_.data() + firstCandidate_[cube];
    const std::uint8_t* end = candidate + candidateCount_[cube] + 1;
    int best = std::numeric_limits<int>::max();
    std::uint8_t bestIndex = 0;
    for (; candidate != end; ++candidate) {
        const int distance = squaredDistance(colour, palette_[*candidate]);
        if (distance < best) {
            best = distance;
            bestIndex = *candidate;
        }
    }
    return bestIndex;
}

}  // namespace vestura::anim

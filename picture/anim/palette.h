// One palette for many pictures: a histogram of every pixel of every picture, cut into at
// most 256 colours by median cut, and the nearest palette colour of any pixel.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace vestura::anim {

// Counts of colours, kept per cell of 6 bits a channel with the sums of the colours that
// fell in it, so a palette colour is the mean of the real colours it stands for. 8 MiB
// whatever the pictures.
class ColourHistogram {
public:
    ColourHistogram();
    // Counts every pixel of an RGB32 picture.
    void add(const QImage& picture);

    struct Cell {
        std::uint64_t count = 0;
        std::uint64_t red = 0, green = 0, blue = 0;  // sums
    };
    const std::vector<Cell>& cells() const { return cells_; }

private:
    std::vector<Cell> cells_;
};

// At most `size` colours standing for the histogram's: its cells split in boxes, each time
// the box with the largest squared error split at its median across its widest channel,
// each box then the mean of its colours; then each colour moved a few times to the mean of
// the cells nearest to it. A histogram of at most `size` cells each of one
// colour gets exactly those colours.
std::vector<QRgb> medianCutPalette(const ColourHistogram& histogram, int size = 256);

// The palette entry nearest to a colour (the least squared distance in RGB; the first entry
// of those as near). The colour space is cut in cubes of 8 levels a side; for each cube met,
// the entries that could be nearest to some colour in it are found once (those not farther
// from every point of the cube than another entry is from its farthest point), so a pixel
// is compared with a few entries rather than all.
class NearestColour {
public:
    explicit NearestColour(std::vector<QRgb> palette);
    std::uint8_t index(QRgb colour);

private:
    void findCandidates(std::size_t cube);

    std::vector<QRgb> palette_;
    std::vector<std::uint32_t> firstCandidate_;  // per cube, into candidates_; kUnknown at first
    std::vector<std::uint8_t> candidateCount_;
    std::vector<std::uint8_t> candidates_;       // palette indices, ascending per cube
};

}  // namespace vestura::anim

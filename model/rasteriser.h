// Draws the player model with a skin into a QImage: perspective at the game's field of view,
// a depth buffer, perspective-correct bilinear texturing, flat two-sided lighting. Software
// only, so the picture is the same on every machine.
#pragma once

#include <QImage>
#include <QSize>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "model/mesh.h"

namespace vestura {

// The skins menu's camera: 30 degrees from the top of the picture to its bottom.
inline constexpr float kFieldOfViewDegrees = 30.0F;
// The game's ambient light; a light from the viewer adds the rest up to full brightness.
inline constexpr float kAmbientLight = 0.65F;
// The view tilts at most this far up or down.
inline constexpr float kMaxPitchDegrees = 80.0F;
// The largest picture side drawn; larger sizes are drawn at this size.
inline constexpr int kMaxViewSide = 4096;
// The preview frame's colour, behind the model.
inline constexpr QRgb kViewBackground = 0xFF8CC6FF;
// Work bound: the pixels of triangle bounding boxes visited in one picture. The player model
// at 4096 x 4096 visits about two thirds of this; a file of triangles covering the picture
// many times over stops here, within a fraction of a second.
inline constexpr std::int64_t kFillBudget = std::int64_t{32} << 20;

struct ViewAngles {
    // About the model's +Y axis by the right-hand rule: 90 shows the model's +X side.
    float yawDegrees = 0;
    // Positive looks from above; held within +-kMaxPitchDegrees.
    float pitchDegrees = 0;
    // 1 fits the model's bounding sphere to the picture's shorter side.
    float zoom = 1;
};

// Draws views one after another, keeping its picture, depth buffer and per-vertex work
// between them, so a window redrawing while the user drags allocates nothing.
class ViewRenderer {
public:
    // The model seen from `angles`, with +Y up and, at yaw 0, its -Z side facing the viewer
    // and its +X side on the viewer's left. UV (0, 0) is the skin's top-left corner; UVs
    // wrap. The picture stays valid until the next call. Raises EOutOfResources "Out of
    // memory" when the picture cannot be allocated.
    const QImage& render(const Mesh& mesh, const QImage& skin, const ViewAngles& angles, QSize size);

    // The picture is drawn in this many bands of rows, at the same time.
    static constexpr int kBands = 4;

    // The skin's pixels as the fill reads them.
    struct Texture {
        const QRgb* pixels;
        int width, height;
        bool powerOfTwo;  // wrapping is then a mask
    };

private:
    struct ScreenVertex {
        float x, y, invZ;
    };
    void project(const Mesh& mesh, const ViewAngles& angles, QSize size);
    void orderFrontToBack(const Mesh& mesh);
    void drawBand(const Mesh& mesh, const Texture& texture, int top, int bottom);

    QThreadPool pool_;  // draws the bands other than the first
    QImage picture_;
    uchar* bits_ = nullptr;
    // The pixels of each row drawn since the depth buffer was last cleared there.
    struct Touched {
        int first, last;
    };
    struct FreeDepth {
        void operator()(float* depth) const { std::free(depth); }
    };
    void newDepth(QSize size);
    void clearDepth(int top, int bottom);

    // Zeroed when allocated, so pages no triangle reaches are never touched; afterwards each
    // band clears only what the last picture touched in its rows.
    std::unique_ptr<float[], FreeDepth> depth_;
    QSize depthSize_;
    std::vector<Touched> touched_;
    std::atomic<std::int64_t> budget_{0};  // what is left of kFillBudget, shared by the bands
    std::vector<Vec3> view_;
    std::vector<ScreenVertex> screen_;
    std::vector<std::uint32_t> order_;
    std::vector<std::uint32_t> buckets_;
};

// One view with a renderer of its own.
QImage renderView(const Mesh& mesh, const QImage& skin, const ViewAngles& angles, QSize size);

}  // namespace vestura

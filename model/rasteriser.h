// Draws the player model with a skin into a QImage: perspective at the game's field of view,
// a depth buffer, perspective-correct bilinear texturing, flat two-sided lighting. Software
// only, so the picture is the same on every machine.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "common/errors.h"
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
// Work bound for a batch of views of one model (a turntable's frames, a sheet's tiles), in
// pixel visits: several seconds of drawing. A model of 10,000 triangles (several times the
// player's) fits a 360-frame GIF (720 views) at 323 pixels, and one of 4,000 a sheet of
// 1,600 tiles; a model of a hundred thousand triangles reaches it within some sixty views.
inline constexpr std::int64_t kBatchWork = std::int64_t{2} << 30;
// What a triangle costs however small it is (projecting, ordering, setting it up), counted
// as pixel visits: about what a quarter of a microsecond buys.
inline constexpr std::int64_t kTriangleWork = 256;

// What the user is told when a picture stopped at the fill budget.
inline constexpr std::string_view kDrawnInPart =
    "Drawn in part: the model asks for more drawing than one view allows";

// The failure of a batch of views that would pass kBatchWork.
class EBatchWork : public Exception {
public:
    using Exception::Exception;
};

// A batch of views of one model, held to kBatchWork as a whole: `views` views, `viewsPerUnit`
// to each of its units; its failure reads "<name> asks for more drawing than one allows: with
// this player model, at most N <units>".
struct ViewBatch {
    std::int64_t views = 0;
    std::int64_t viewsPerUnit = 1;
    std::string_view name;
    std::string_view units;
};

// A turntable of `frames` frames, each drawn `passes` times by its encoder.
inline ViewBatch turntableBatch(int frames, int passes) {
    return {std::int64_t{frames} * passes, passes, "This turntable", "frames of this size"};
}

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
    // `bands`: how many bands of rows are drawn at the same time; 0 is one a processor, at
    // most kMaxBands. Every pixel is drawn the same whatever the number. `fillBudget`: the
    // pixels of triangle boxes one picture may visit (tests give less).
    explicit ViewRenderer(int bands = 0, std::int64_t fillBudget = kFillBudget);

    // The model seen from `angles`, with +Y up and, at yaw 0, its -Z side facing the viewer
    // and its +X side on the viewer's left. UV (0, 0) is the skin's top-left corner; UVs
    // wrap. The picture stays valid until the next call. Raises EOutOfResources "Out of
    // memory" when the picture cannot be allocated.
    const QImage& render(const Mesh& mesh, const QImage& skin, const ViewAngles& angles, QSize size);

    // True when the last picture reached the fill budget: the triangles after it in drawing
    // order (the farthest) were left out whole.
    bool partial() const { return partial_; }
    // The work of every picture drawn so far, in pixel visits: the triangles' own cost
    // (kTriangleWork each) and the pixels of their boxes.
    std::int64_t workDone() const { return workDone_; }
    // Makes every picture drawn from now on one of `batch`: once the pictures drawn say the
    // whole batch would pass kBatchWork, render() raises EBatchWork (after the first picture
    // when the model alone is too costly).
    void holdToBatch(const ViewBatch& batch) {
        batch_ = batch;
        batchDrawn_ = 0;
    }

    static constexpr int kMaxBands = 8;

    // The skin's pixels as the fill reads them.
    struct Texture {
        const QRgb* pixels;
        int width, height;
        bool powerOfTwo;  // wrapping is then a mask
    };
    struct ScreenVertex {
        float x, y, invZ;
    };
    // Pixels [x0, x1) x [y0, y1).
    struct Box {
        int x0, y0, x1, y1;
    };

private:
    void project(const Mesh& mesh, const ViewAngles& angles, QSize size);
    void orderFrontToBack(const Mesh& mesh);
    void holdToBudget(const Mesh& mesh, QSize size);
    void checkBatch();
    void shareOut(QSize size);
    void drawBand(const Mesh& mesh, const Texture& texture, int band);
    void drawBands(const Mesh& mesh, const Texture& texture);

    QImage picture_;
    uchar* bits_ = nullptr;
    struct FreeDepth {
        void operator()(float* depth) const { std::free(depth); }
    };
    void newDepth(QSize size);

    // Zeroed when allocated, so pages no triangle reaches are never touched; afterwards the
    // bands clear only the rectangle the last picture wrote.
    std::unique_ptr<float[], FreeDepth> depth_;
    QSize depthSize_;
    QRect dirty_;  // where the depth buffer holds the last picture's depths
    QRect drawn_;  // the boxes of this picture's triangles
    std::int64_t fillBudget_;
    std::int64_t workDone_ = 0;
    std::optional<ViewBatch> batch_;
    std::int64_t batchDrawn_ = 0;
    bool partial_ = false;
    std::vector<Vec3> view_;
    std::vector<ScreenVertex> screen_;
    std::vector<std::uint32_t> order_;  // the triangles drawn, in drawing order
    std::vector<Box> boxes_;            // their boxes, in the same order
    int bands_;
    std::vector<int> bandTops_;  // the first row of each band, then the picture's height
    std::vector<std::vector<std::uint32_t>> bandTriangles_;  // places in order_, per band
    std::vector<std::uint32_t> buckets_;
};

// How many views like those drawn so far fit kBatchWork: `drawn` views that cost `work` in
// all.
std::int64_t viewsWithinBatchWork(std::int64_t work, std::int64_t drawn);

// One view with a renderer of its own.
QImage renderView(const Mesh& mesh, const QImage& skin, const ViewAngles& angles, QSize size);

}  // namespace vestura

// vestura-cli view: the skin drawn on the game's player model, written as a PNG or a BMP,
// or with --turntable a whole turn of it written as an animation. Both draw the same skin
// from the same options; only what is drawn from it and how it is stored differ.
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "cli/skin_session.h"
#include "cli/skins_output.h"
#include "common/errors.h"
#include "common/failure_text.h"
#include "common/file_io.h"
#include "common/messages.h"
#include "common/platform.h"
#include "game/settings.h"
#include "model/model_errors.h"
#include "model/player_model.h"
#include "model/rasteriser.h"
#include "picture/allocation.h"
#include "picture/anim/animation_writer.h"
#include "picture/bmp/bmp_writer.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/picture.h"
#include "picture/png/png_writer.h"

namespace vestura::cli {

namespace {

std::string asFolder(std::string folder) {
    if (folder.empty() || !platform::isPathDelimiter(folder.back())) {
        folder.push_back(platform::kPathSeparator);
    }
    return folder;
}

// Any picture Vestura reads, drawn at its own size as convert draws it.
QImage pictureAsSkin(const std::string& path) {
    TPicture picture;
    picture.loadFromFile(path);
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture.graphic())) {
        jpeg->bitmap();  // a JPEG decodes here, so its failure is the command's
    }
    QImage canvas = allocateImage(picture.width(), picture.height(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    if (picture.graphic() != nullptr && !canvas.isNull()) {
        QPainter painter(&canvas);
        picture.graphic()->draw(painter, canvas.rect());
    }
    return canvas;
}

// The still picture, as PNG or BMP by the output's name. True when it was drawn in part.
bool writeStill(const Invocation& invocation, const Mesh& mesh, const QImage& skin) {
    ViewRenderer renderer;
    const QImage picture = renderer.render(mesh, skin, {invocation.yaw, invocation.pitch, 1},
                                           {invocation.size, invocation.size});
    const Bytes file = outputFormOf(invocation.output, OutputForm::Png) == OutputForm::Bmp
                           ? encodeBmp24(picture, {})
                           : encodePng(picture);
    writeFileSafely(invocation.output, {file});
    return renderer.partial();
}

// One whole turn from --yaw on: frame k is the still picture at k x 360 / frames degrees
// further. True when any frame was drawn in part.
bool writeTurntable(const Invocation& invocation, const Mesh& mesh, const QImage& skin) {
    AnimationSettings settings;
    settings.format = animationFormatOf(invocation.output);
    settings.frames = invocation.frames.value_or(kDefaultAnimationFrames);
    settings.fps = invocation.fps.value_or(kDefaultAnimationFps);
    settings.size = {invocation.size, invocation.size};
    settings.webpQuality = invocation.quality;
    ViewRenderer renderer;
    bool partial = false;
    renderer.holdToBatch(turntableBatch(settings.frames, framePasses(settings.format)));
    const std::optional<Bytes> file = encodeAnimation(settings, [&](int k) {
        const ViewAngles angles{turntableYaw(invocation.yaw, k, settings.frames), invocation.pitch,
                                1};
        const QImage& frame = renderer.render(mesh, skin, angles, settings.size);
        partial = partial || renderer.partial();
        return frame;
    });
    writeFileSafely(invocation.output, {*file});  // never stopped: there is no progress to stop
    return partial;
}

}  // namespace

Mesh viewModel(const Invocation& invocation, const std::string& settingsFolder) {
    if (invocation.model) {
        return loadModelFile(*invocation.model);
    }
    if (invocation.game) {
        return loadPlayerModel(asFolder(*invocation.game));
    }
    try {
        return loadPlayerModel(gameFolderFromSettings(settingsFolder));
    } catch (const EModelNotFound& e) {
        // The folder was never named on this command line: say where it came from.
        throw EModelError(e.message(),
                          "the game folder came from the settings; give --game DIR or "
                          "--model FILE.dff");
    }
}

int runView(const Invocation& invocation, const std::string& folder,
            const std::string& settingsFolder, std::ostream& err) {
    SkinsFolderNames().check(invocation.output);
    // A view is never a skin: drawn over the picture it shows, it would take its place.
    for (const auto& [input, what] : {std::pair{invocation.skin, "the --skin picture"},
                                      std::pair{invocation.base, "the --base picture"}}) {
        if (input) {
            refuseOutputOverInput(invocation.output, *input, what);
        }
    }
    if (invocation.turntable) {
        tryOutputPlace(invocation.output);  // before frames that can take seconds
    }
    const Mesh mesh = viewModel(invocation, settingsFolder);
    std::vector<std::string> failures;
    std::optional<SkinSession> session;
    if (!invocation.skin) {
        session.emplace(folder);
        reportListFailures(session->listFailures(), err);
    }
    QImage skin;
    if (invocation.skin) {
        skin = pictureAsSkin(*invocation.skin);
    } else {
        const Selection selection = selectionFor(*session, invocation.entries);
        applyLook(*session, invocation.base, invocation.colours);
        skin = session->compose(selection, failures);
    }
    const bool partial = invocation.turntable ? writeTurntable(invocation, mesh, skin)
                                              : writeStill(invocation, mesh, skin);
    if (partial) {
        err << kDrawnInPart << ".\n";
    }
    for (const std::string& failure : failures) {
        err << shownFailure(failure) << '\n';
    }
    return failures.empty() && (!session || session->listFailures().empty()) ? 0 : 1;
}

}  // namespace vestura::cli

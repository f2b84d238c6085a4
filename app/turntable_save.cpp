#include "app/turntable_save.h"

#include <QProgressDialog>
#include <QThread>

#include "app/failure_reporting.h"
#include "picture/anim/animation_writer.h"

namespace vestura {

namespace {

// The progress dialog shows only for work that takes longer than this.
constexpr int kProgressDelayMs = 400;

}  // namespace

TurntableSave::TurntableSave(DesktopServices& services, const Mesh& mesh, const QImage& skin,
                             const ViewAngles& first, const TurntableRequest& request,
                             QWidget* window)
    : services_(services),
      request_(request),
      mesh_(mesh),
      skin_(skin.copy()),  // the worker's own pixels, whatever the window does with its skin
      first_(first) {
    AnimationSettings settings;
    settings.format = request.format;
    settings.frames = request.frames;
    settings.fps = request.fps;
    settings.size = {request.size, request.size};
    settings.webpQuality = request.format == AnimationFormat::WebP ? request.quality : std::nullopt;
    total_ = settings.frames * framePasses(settings.format);

    progress_ = new QProgressDialog(QStringLiteral("Saving the turntable..."),
                                    QStringLiteral("Cancel"), 0, total_, window);
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(kProgressDelayMs);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
    progress_->setValue(0);
    connect(progress_, &QProgressDialog::canceled, this, &TurntableSave::cancel);

    worker_ = QThread::create([this, settings] {
        try {
            ViewRenderer renderer;
            renderer.holdToBatch(turntableBatch(settings.frames, framePasses(settings.format)));
            const auto frame = [&](int k) {
                const ViewAngles angles{turntableYaw(first_.yawDegrees, k, settings.frames),
                                        first_.pitchDegrees, first_.zoom};
                return renderer.render(mesh_, skin_, angles, settings.size);
            };
            file_ = encodeAnimation(settings, frame, [this](int done, int) {
                done_ = done;
                return !cancelled_;
            });
        } catch (...) {
            failure_ = std::current_exception();
        }
    });
    connect(worker_, &QThread::finished, this, &TurntableSave::finish);
    poll_.setInterval(kProgressIntervalMs);
    connect(&poll_, &QTimer::timeout, this, &TurntableSave::showProgress);
    poll_.start();
    worker_->start();
}

TurntableSave::~TurntableSave() {
    cancelled_ = true;
    if (worker_ != nullptr) {
        worker_->wait();
        delete worker_;
    }
    delete progress_;
}

void TurntableSave::cancel() {
    cancelled_ = true;
}

void TurntableSave::showProgress() {
    if (!cancelled_) {
        progress_->setValue(done_);
    }
}

// On the window's thread once the worker is done: the file written, or the failure
// reported; nothing at all after a cancel.
void TurntableSave::finish() {
    poll_.stop();
    progress_->hide();
    bool saved = false;
    if (failure_) {
        reportFailure(services_, failure_);
    } else if (file_ && !cancelled_) {
        runGuarded(services_, [this, &saved] {
            writeFileSafely(request_.path, {*file_});
            saved = true;
        });
    }
    file_.reset();
    emit finished(saved);
}

}  // namespace vestura

// Saving a turntable from the 3D view: the frames are drawn and encoded on a worker thread
// while a progress dialog shows how far it got and offers Cancel. The file is written only
// once the whole animation is encoded, so a cancelled save touches nothing on disk.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <exception>
#include <memory>
#include <optional>

#include "app/turntable_dialog.h"
#include "common/file_io.h"
#include "model/mesh.h"
#include "model/rasteriser.h"

class QThread;

namespace vestura {

class DesktopServices;

class TurntableSave final : public QObject {
    Q_OBJECT

public:
    // Starts at once: frame k is the view from `first` turned by k x 360 / frames further,
    // at the request's size. The progress dialog is modal to `window`.
    TurntableSave(DesktopServices& services, const Mesh& mesh, const QImage& skin,
                  const ViewAngles& first, const TurntableRequest& request, QWidget* window);
    // Cancels the work and waits for the worker to stop.
    ~TurntableSave() override;

    QProgressDialog* progressDialog() const { return progress_; }
    // The progress dialog's Cancel: the worker stops before its next frame.
    void cancel();

    // How often the progress dialog is brought up to date.
    static constexpr int kProgressIntervalMs = 50;

signals:
    // The work is over: the file written (true), or cancelled or failed (false; a failure
    // is reported first).
    void finished(bool saved);

private:
    void showProgress();
    void finish();

    DesktopServices& services_;
    TurntableRequest request_;
    Mesh mesh_;
    QImage skin_;
    ViewAngles first_;
    std::atomic<bool> cancelled_ = false;
    std::atomic<int> done_ = 0;
    std::atomic<int> total_ = 1;
    // What the worker leaves for the window's thread, read once the worker has finished.
    std::optional<Bytes> file_;
    std::exception_ptr failure_;
    QThread* worker_ = nullptr;
    QPointer<QProgressDialog> progress_;
    QTimer poll_;
};

}  // namespace vestura

// What the 3D view's Ctrl+Shift+S asks before it saves a turntable: a small dialog for the
// format, the frame count, the frame rate and the size, then the file to save it in.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>

#include "picture/anim/animation_format.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace vestura {

struct TurntableRequest {
    AnimationFormat format = AnimationFormat::WebP;
    int frames = kDefaultAnimationFrames;
    int fps = kDefaultAnimationFps;
    int size = 512;              // each frame's side
    std::string path;            // where it goes; in a suggestion, the name without its extension
    std::optional<int> quality;  // WebP only: lossy at this quality; lossless when empty
};

// The settings of one turntable. OK stays disabled while the frames would pass the pixel
// budget, and a line under the fields says why.
class TurntableDialog final : public QDialog {
    Q_OBJECT

public:
    TurntableDialog(const TurntableRequest& initial, QWidget* parent);

    // The settings as shown; the path is the one it was given.
    TurntableRequest request() const;

    QComboBox* format() const { return format_; }
    QSpinBox* frames() const { return frames_; }
    QSpinBox* fps() const { return fps_; }
    QSpinBox* size() const { return size_; }
    QPushButton* okButton() const { return ok_; }
    QString summary() const;

private:
    void update();

    TurntableRequest initial_;
    QComboBox* format_;
    QSpinBox* frames_;
    QSpinBox* fps_;
    QSpinBox* size_;
    QLabel* summary_;
    QPushButton* ok_;
};

// The extension a format's files carry: "webp", "gif", "png".
QString animationSuffix(AnimationFormat format);

// The file a name typed in the save dialog stands for, and the format it is written in: a
// name ending in .webp, .gif or .png (any letter case) keeps it and is written in that
// format; any other name gets the chosen format's extension added.
std::pair<QString, AnimationFormat> animationFileFor(const QString& typed, AnimationFormat chosen);

// The dialog, then the save-file dialog, opening on `suggested` (its path without an
// extension); empty when either is cancelled.
std::optional<TurntableRequest> chooseTurntable(QWidget* parent, const TurntableRequest& suggested);

}  // namespace vestura

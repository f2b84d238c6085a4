// The 3D view: a separate, resizable window showing the composed skin on the game's player
// model, drawn by the software rasteriser. Drag or the arrow keys turn and tilt it, the wheel
// or + and - zoom, a double-click or Home resets the view, 1, 2 and 3 show the front, the
// back and the left side, Space runs a turntable, Ctrl+S saves the view as a PNG,
// Ctrl+Shift+S saves a whole turn as an animation, F5 asks for the catalogue to be read
// again and Escape closes the window. A hint of these controls
// shows for a few seconds when the window opens, and again on F1.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/turntable_dialog.h"

#include "model/mesh.h"
#include "model/rasteriser.h"

class QPainter;

namespace vestura {

class DesktopServices;
class TurntableSave;

inline constexpr const char* kModelViewTitle = "Vestura 3D view";

class ModelViewWindow final : public QWidget {
    Q_OBJECT

public:
    // Asks where to save the view, offering `suggested`; empty when the user cancels.
    using SaveChooser =
        std::function<std::optional<std::string>(QWidget* parent, const QString& suggested)>;

    // Asks how to save a turntable, offering `suggested`; empty when the user cancels.
    using TurntableChooser = std::function<std::optional<TurntableRequest>(
        QWidget* parent, const TurntableRequest& suggested)>;

    // `services` reports a failed save; `chooser` is the file dialog (a test passes its own).
    ModelViewWindow(DesktopServices& services, SaveChooser chooser, QWidget* parent);
    ~ModelViewWindow() override;

    // What Ctrl+Shift+S asks with: chooseTurntable unless a test gives its own.
    void setTurntableChooser(TurntableChooser chooser) { turntableChooser_ = std::move(chooser); }
    // The turntable being saved, while it is.
    TurntableSave* turntableSave() const { return turntableSave_.get(); }

    void setModel(Mesh mesh);
    void setSkin(QImage skin);
    // The name Ctrl+S suggests the file after; an empty name, or one holding a folder
    // separator, stands for "skin".
    void setSkinName(const QString& name);

    const ViewAngles& angles() const { return angles_; }
    bool turntableRunning() const { return turntable_.isActive(); }
    // The view at the window's size, as the next paint shows it.
    QImage picture();
    // How strongly the controls hint shows: 1 while it holds, 0 once it has faded.
    qreal hintOpacity() const { return hintOpacity_; }
    // What the hint says: the controls, or after a turntable is saved, where it went.
    const QString& hintText() const { return hintText_; }
    // What Ctrl+S offers: "<skin name>-view.png" in the folder of the last view saved in this
    // run, at first the user's Pictures folder, or the home folder where there is none.
    QString suggestedSavePath() const;
    // What Ctrl+Shift+S offers: the settings of the last turntable saved in this run, named
    // "<skin name>-turntable" in the same folder as Ctrl+S offers.
    TurntableRequest suggestedTurntable() const;

    // The game's skins-menu speed: 2 degrees a frame at 30 frames a second.
    static constexpr float kTurntableDegrees = 2.0F;
    static constexpr int kTurntableIntervalMs = 33;
    // One press of an arrow key.
    static constexpr float kKeyTurnDegrees = 15.0F;
    // The hint holds this long, then fades out over kHintFadeMs.
    static constexpr int kHintHoldMs = 4000;
    static constexpr int kHintFadeMs = 700;

signals:
    // F5: the user asks for the catalogue to be read again, as F5 does in the main window.
    void reloadRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void turnBy(float yawDegrees, float pitchDegrees);
    void zoomBy(float notches);
    void resetView();
    void showSide(float yawDegrees);
    bool viewKey(int key);
    void save();
    void saveTurntable();
    void showHint(const QString& text);
    void hideHint();
    void paintHint(QPainter& painter);

    DesktopServices& services_;
    SaveChooser chooser_;
    Mesh mesh_;
    QImage skin_;
    QString skinName_;
    QString saveFolder_;  // empty until a view or turntable is saved
    TurntableChooser turntableChooser_;
    TurntableRequest lastTurntable_;
    std::unique_ptr<TurntableSave> turntableSave_;
    ViewAngles angles_;
    QTimer turntable_;
    ViewRenderer renderer_;
    QPoint dragFrom_;
    QTimer hintHold_;
    QVariantAnimation hintFade_;
    qreal hintOpacity_ = 0;
    QString hintText_;
};

// The file dialog for the view's PNG, opening on `suggested`.
std::optional<std::string> chooseViewFile(QWidget* parent, const QString& suggested);

// The file a name typed in that dialog stands for: with ".png" added when the name has no
// suffix of its own, as the dialog offers PNG files only.
QString withPngSuffix(const QString& chosen);

}  // namespace vestura

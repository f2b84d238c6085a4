#include "app/model_view_window.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardPaths>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/desktop_services.h"
#include "app/failure_reporting.h"
#include "app/turntable_save.h"
#include "common/file_io.h"
#include "picture/png/png_writer.h"

namespace vestura {

namespace {

constexpr QSize kInitialSize(480, 480);
constexpr float kDegreesPerPixel = 0.5F;
constexpr float kZoomPerNotch = 1.1F;
constexpr float kWheelNotch = 120.0F;
constexpr float kMinZoom = 0.25F, kMaxZoom = 8.0F;

// The sides 1, 2 and 3 show. At yaw 0 the model faces the viewer with +Y up, its -Z side
// forward; its right hand is then on the viewer's left, its +X side, which yaw 90 shows, so
// its left side is -X, shown at yaw 270.
constexpr float kFrontYaw = 0.0F, kBackYaw = 180.0F, kLeftSideYaw = 270.0F;

// Two lines that fit the window's first width; a narrower window wraps them further.
const QString kHintText = QStringLiteral(
    "Drag or arrows: turn \u00B7 Wheel or + -: zoom \u00B7 Home: reset \u00B7 F1: hint\n"
    "1 2 3: front, back, left \u00B7 Space: turntable \u00B7 F5: reload\n"
    "Ctrl+S: save the view \u00B7 Ctrl+Shift+S: save a turntable");
// A light panel behind the hint, so it reads over the model as well as the background.
const QColor kHintPanel(255, 255, 255, 200);
constexpr int kHintFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

const QString kDefaultSkinName = QStringLiteral("skin");
const QString kSavedViewSuffix = QStringLiteral("-view.png");
const QString kSavedTurntableSuffix = QStringLiteral("-turntable");

// The folder Ctrl+S first offers: the user's Pictures folder where there is one.
QString firstSaveFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

}  // namespace

std::optional<std::string> chooseViewFile(QWidget* parent, const QString& suggested) {
    const QString path = QFileDialog::getSaveFileName(parent, QString::fromLatin1(kModelViewTitle),
                                                      suggested, QStringLiteral("PNG (*.png)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return withPngSuffix(path).toLocal8Bit().toStdString();
}

QString withPngSuffix(const QString& chosen) {
    return QFileInfo(chosen).suffix().isEmpty() ? chosen + QStringLiteral(".png") : chosen;
}

ModelViewWindow::ModelViewWindow(DesktopServices& services, SaveChooser chooser, QWidget* parent)
    : QWidget(parent, Qt::Window),
      services_(services),
      chooser_(std::move(chooser)),
      skinName_(kDefaultSkinName),
      turntableChooser_(chooseTurntable) {
    setObjectName(QStringLiteral("ModelView"));
    setWindowTitle(QString::fromLatin1(kModelViewTitle));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    resize(kInitialSize);
    turntable_.setInterval(kTurntableIntervalMs);
    connect(&turntable_, &QTimer::timeout, this, [this] { turnBy(kTurntableDegrees, 0); });
    hintHold_.setSingleShot(true);
    hintHold_.setInterval(kHintHoldMs);
    hintFade_.setStartValue(1.0);
    hintFade_.setEndValue(0.0);
    hintFade_.setDuration(kHintFadeMs);
    connect(&hintHold_, &QTimer::timeout, this, [this] { hintFade_.start(); });
    connect(&hintFade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        hintOpacity_ = value.toReal();
        update();
    });
}

ModelViewWindow::~ModelViewWindow() = default;

void ModelViewWindow::setModel(Mesh mesh) {
    mesh_ = std::move(mesh);
    update();
}

void ModelViewWindow::setSkin(QImage skin) {
    skin_ = std::move(skin);
    update();
}

void ModelViewWindow::setSkinName(const QString& name) {
    skinName_ = name.isEmpty() || name.contains(QLatin1Char('/')) ? kDefaultSkinName : name;
}

QString ModelViewWindow::suggestedSavePath() const {
    return QDir(saveFolder_.isEmpty() ? firstSaveFolder() : saveFolder_)
        .filePath(skinName_ + kSavedViewSuffix);
}

TurntableRequest ModelViewWindow::suggestedTurntable() const {
    TurntableRequest suggested = lastTurntable_;
    suggested.path = QDir(saveFolder_.isEmpty() ? firstSaveFolder() : saveFolder_)
                         .filePath(skinName_ + kSavedTurntableSuffix)
                         .toLocal8Bit()
                         .toStdString();
    return suggested;
}

QImage ModelViewWindow::picture() {
    return renderer_.render(mesh_, skin_, angles_, size());  // shared until the next render
}

void ModelViewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    try {
        // A window larger than the largest picture shows it in the middle, on the background.
        const QImage& shown = renderer_.render(mesh_, skin_, angles_, size());
        if (shown.size() != size()) {
            painter.fillRect(rect(), QColor::fromRgb(kViewBackground));
        }
        painter.drawImage((width() - shown.width()) / 2, (height() - shown.height()) / 2, shown);
    } catch (const std::exception&) {  // out of memory for a picture this large
        painter.fillRect(rect(), QColor::fromRgb(kViewBackground));
        return;
    }
    if (renderer_.partial()) {
        // Over the picture only, so a saved view holds the model alone.
        const int margin = fontMetrics().height() / 2;
        painter.setPen(Qt::black);
        painter.drawText(
            rect().adjusted(margin, margin, -margin, -margin),
            Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap,
            QString::fromLatin1(kDrawnInPart.data(), static_cast<qsizetype>(kDrawnInPart.size())));
    }
    paintHint(painter);
}

// Each time the window opens; a spontaneous show (the window restored) is no opening.
void ModelViewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        showHint(kHintText);
    }
}

void ModelViewWindow::showHint(const QString& text) {
    hintText_ = text;
    hintFade_.stop();
    hintOpacity_ = 1;
    hintHold_.start();
    update();
}

void ModelViewWindow::hideHint() {
    hintFade_.stop();
    hintHold_.stop();
    hintOpacity_ = 0;
    update();
}

// In the upper left corner, over the picture only, so a saved view holds the model alone.
void ModelViewWindow::paintHint(QPainter& painter) {
    if (hintOpacity_ <= 0) {
        return;
    }
    const int margin = fontMetrics().height() / 2;
    const QRect room = rect().adjusted(2 * margin, 2 * margin, -2 * margin, -2 * margin);
    const QRect text = painter.boundingRect(room, kHintFlags, hintText_);
    painter.setOpacity(hintOpacity_);
    painter.fillRect(text.adjusted(-margin, -margin, margin, margin), kHintPanel);
    painter.setPen(Qt::black);
    painter.drawText(text, kHintFlags, hintText_);
}

void ModelViewWindow::turnBy(float yawDegrees, float pitchDegrees) {
    angles_.yawDegrees = std::fmod(angles_.yawDegrees + yawDegrees, 360.0F);
    angles_.pitchDegrees =
        std::clamp(angles_.pitchDegrees + pitchDegrees, -kMaxPitchDegrees, kMaxPitchDegrees);
    update();
}

void ModelViewWindow::mousePressEvent(QMouseEvent* event) {
    dragFrom_ = event->position().toPoint();
}

// Dragging right turns the near side to the right; dragging down tilts the top toward
// the viewer.
void ModelViewWindow::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) == 0) {
        return;
    }
    const QPoint at = event->position().toPoint();
    const QPoint moved = at - dragFrom_;
    dragFrom_ = at;
    turnBy(static_cast<float>(moved.x()) * kDegreesPerPixel,
           static_cast<float>(moved.y()) * kDegreesPerPixel);
}

void ModelViewWindow::zoomBy(float notches) {
    angles_.zoom = std::clamp(angles_.zoom * std::pow(kZoomPerNotch, notches), kMinZoom, kMaxZoom);
    update();
}

void ModelViewWindow::resetView() {
    angles_ = ViewAngles{};
    update();
}

// Level, at the zoom the user chose.
void ModelViewWindow::showSide(float yawDegrees) {
    angles_.yawDegrees = yawDegrees;
    angles_.pitchDegrees = 0;
    update();
}

void ModelViewWindow::mouseDoubleClickEvent(QMouseEvent*) {
    resetView();
}

void ModelViewWindow::wheelEvent(QWheelEvent* event) {
    zoomBy(static_cast<float>(event->angleDelta().y()) / kWheelNotch);
}

void ModelViewWindow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        close();
    } else if (key == Qt::Key_Space) {
        turntable_.isActive() ? turntable_.stop() : turntable_.start();
    } else if (key == Qt::Key_S &&
               event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
        saveTurntable();
    } else if (event->matches(QKeySequence::Save)) {
        save();
    } else if (key == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        emit reloadRequested();
    } else if (key == Qt::Key_F1) {
        // F1 on a hint just shown puts it away.
        hintHold_.isActive() ? hideHint() : showHint(kHintText);
    } else if (!viewKey(key)) {
        QWidget::keyPressEvent(event);
    }
}

// The keys that move the view, each as the mouse would: the arrows as a drag that way, + and
// - (= being + without Shift; the keypad's give the same keys) as a wheel notch. False for
// any other key.
bool ModelViewWindow::viewKey(int key) {
    switch (key) {
        case Qt::Key_Left:
            turnBy(-kKeyTurnDegrees, 0);
            break;
        case Qt::Key_Right:
            turnBy(kKeyTurnDegrees, 0);
            break;
        case Qt::Key_Up:
            turnBy(0, -kKeyTurnDegrees);
            break;
        case Qt::Key_Down:
            turnBy(0, kKeyTurnDegrees);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomBy(1);
            break;
        case Qt::Key_Minus:
            zoomBy(-1);
            break;
        case Qt::Key_Home:
            resetView();
            break;
        case Qt::Key_1:
            showSide(kFrontYaw);
            break;
        case Qt::Key_2:
            showSide(kBackYaw);
            break;
        case Qt::Key_3:
            showSide(kLeftSideYaw);
            break;
        default:
            return false;
    }
    return true;
}

void ModelViewWindow::save() {
    const bool turning = turntable_.isActive();
    turntable_.stop();  // the saved picture is the one on screen when asked
    runGuarded(services_, [this] {
        const QImage shown = picture();
        if (const std::optional<std::string> path = chooser_(this, suggestedSavePath())) {
            writeFileSafely(*path, {encodePng(shown)});
            saveFolder_ = QFileInfo(QString::fromLocal8Bit(*path)).absolutePath();
        }
    });
    if (turning) {
        turntable_.start();
    }
}

// A turntable being saved is cancelled with the window: nothing is written.
void ModelViewWindow::closeEvent(QCloseEvent* event) {
    if (turntableSave_) {
        turntableSave_->cancel();
    }
    QWidget::closeEvent(event);
}

// The turn starts from the view on screen (its turn, tilt and zoom) and is drawn at the size
// chosen. Only one turntable is saved at a time; the progress dialog keeps the keys from
// this window meanwhile.
void ModelViewWindow::saveTurntable() {
    if (turntableSave_) {
        return;
    }
    turntable_.stop();
    runGuarded(services_, [this] {
        const std::optional<TurntableRequest> request =
            turntableChooser_(this, suggestedTurntable());
        if (!request) {
            return;
        }
        lastTurntable_ = *request;
        turntableSave_ =
            std::make_unique<TurntableSave>(services_, mesh_, skin_, angles_, *request, this);
        connect(turntableSave_.get(), &TurntableSave::finished, this,
                [this, path = request->path](bool saved) {
                    if (saved) {
                        // Where it went, in the corner the controls hint uses: nothing else on
                        // screen says the save is done once the progress box has gone.
                        const QFileInfo file(QString::fromLocal8Bit(path));
                        saveFolder_ = file.absolutePath();
                        showHint(QStringLiteral("Saved %1 (%2)")
                                     .arg(file.fileName(),
                                          QLocale::system().formattedDataSize(file.size())));
                    }
                    // Not from inside its own signal: the save ends once the signal has returned.
                    QMetaObject::invokeMethod(
                        this, [this] { turntableSave_.reset(); }, Qt::QueuedConnection);
                });
    });
}

}  // namespace vestura

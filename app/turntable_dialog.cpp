#include "app/turntable_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <array>

#include "model/rasteriser.h"

namespace vestura {

namespace {

// The lossy WebP's quality: a turning model at 80 looks as the lossless one does at a
// fraction of its size, small enough for a forum post.
constexpr int kSmallWebPQuality = 80;

struct FormatChoice {
    AnimationFormat format;
    int quality;  // -1: lossless
    const char* label;
    const char* filter;
};

constexpr std::array<FormatChoice, 4> kFormats{{
    {AnimationFormat::WebP, -1, "Animated WebP (lossless)", "Animated WebP (*.webp)"},
    {AnimationFormat::WebP, kSmallWebPQuality, "Animated WebP (smaller, lossy)",
     "Animated WebP (*.webp)"},
    {AnimationFormat::Gif, -1, "GIF (256 colours)", "GIF (*.gif)"},
    {AnimationFormat::Png, -1, "Animated PNG", "Animated PNG (*.png)"},
}};

std::optional<int> qualityOf(const FormatChoice& choice) {
    return choice.quality < 0 ? std::nullopt : std::optional<int>(choice.quality);
}

std::size_t choiceIndexOf(AnimationFormat format, const std::optional<int>& quality) {
    for (std::size_t k = 0; k < kFormats.size(); ++k) {
        if (kFormats[k].format == format &&
            qualityOf(kFormats[k]).has_value() == quality.has_value()) {
            return k;
        }
    }
    return 0;
}

QSpinBox* spinBox(int least, int most, int value, const QString& suffix, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(least, most);
    box->setValue(value);
    box->setSuffix(suffix);
    // A key past the range is dropped without a word: the range is shown on hover.
    box->setToolTip(QStringLiteral("%1 to %2").arg(least).arg(most));
    return box;
}

}  // namespace

TurntableDialog::TurntableDialog(const TurntableRequest& initial, QWidget* parent)
    : QDialog(parent),
      initial_(initial),
      format_(new QComboBox(this)),
      frames_(spinBox(kMinAnimationFrames, kMaxAnimationFrames, initial.frames, {}, this)),
      fps_(spinBox(kMinAnimationFps, kMaxAnimationFps, initial.fps, {}, this)),
      size_(spinBox(1, kMaxViewSide, initial.size, QStringLiteral(" px"), this)),
      summary_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Save turntable"));
    for (const FormatChoice& choice : kFormats) {
        format_->addItem(QString::fromLatin1(choice.label));
    }
    format_->setCurrentIndex(static_cast<int>(choiceIndexOf(initial.format, initial.quality)));
    summary_->setWordWrap(true);
    // Room for the longer line, why it cannot be saved, from the start.
    summary_->setMinimumHeight(2 * summary_->fontMetrics().lineSpacing());
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("Save..."));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Format:"), format_);
    form->addRow(QStringLiteral("F&rames:"), frames_);
    form->addRow(QStringLiteral("Frames per &second:"), fps_);
    form->addRow(QStringLiteral("Si&ze:"), size_);
    form->addRow(summary_);
    form->addRow(buttons);

    for (QSpinBox* box : {frames_, fps_, size_}) {
        connect(box, &QSpinBox::valueChanged, this, &TurntableDialog::update);
    }
    connect(format_, &QComboBox::currentIndexChanged, this, &TurntableDialog::update);
    update();
}

TurntableRequest TurntableDialog::request() const {
    TurntableRequest request = initial_;
    const FormatChoice& choice =
        kFormats[static_cast<std::size_t>(std::max(0, format_->currentIndex()))];
    request.format = choice.format;
    request.quality = qualityOf(choice);
    request.frames = frames_->value();
    request.fps = fps_->value();
    request.size = size_->value();
    return request;
}

QString TurntableDialog::summary() const {
    return summary_->text();
}

// The turn's length, or why it cannot be saved.
void TurntableDialog::update() {
    const TurntableRequest asked = request();
    const bool lossless = asked.format == AnimationFormat::WebP && !asked.quality;
    if (lossless && size_->value() > kMaxLosslessWebPSide) {
        ok_->setEnabled(false);
        summary_->setText(QStringLiteral("Too large: a lossless WebP is at most %1 px; the smaller "
                                         "WebP, the GIF or the PNG may be larger.")
                              .arg(kMaxLosslessWebPSide));
        return;
    }
    const bool fits = animationFits(frames_->value(), size_->value());
    ok_->setEnabled(fits);
    if (!fits) {
        summary_->setText(QStringLiteral("Too large: frames x size x size may be at most %1 x %2 x "
                                         "%2 pixels; %3 frames take %4 px at most.")
                              .arg(kBudgetFrames)
                              .arg(kBudgetSide)
                              .arg(frames_->value())
                              .arg(largestAnimationSide(frames_->value())));
        return;
    }
    const double seconds = static_cast<double>(frames_->value()) / fps_->value();
    summary_->setText(QStringLiteral("One turn in %1 seconds, looping.").arg(seconds, 0, 'g', 3));
}

QString animationSuffix(AnimationFormat format) {
    switch (format) {
        case AnimationFormat::Gif:
            return QStringLiteral("gif");
        case AnimationFormat::Png:
            return QStringLiteral("png");
        case AnimationFormat::WebP:
            break;
    }
    return QStringLiteral("webp");
}

std::pair<QString, AnimationFormat> animationFileFor(const QString& typed, AnimationFormat chosen) {
    const QString suffix = QFileInfo(typed).suffix().toLower();
    for (const FormatChoice& choice : kFormats) {
        if (suffix == animationSuffix(choice.format)) {
            return {typed, choice.format};
        }
    }
    return {typed + QLatin1Char('.') + animationSuffix(chosen), chosen};
}

std::optional<TurntableRequest> chooseTurntable(QWidget* parent,
                                                const TurntableRequest& suggested) {
    TurntableDialog dialog(suggested, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    TurntableRequest request = dialog.request();
    const QString path = QFileDialog::getSaveFileName(
        parent, dialog.windowTitle(),
        QString::fromLocal8Bit(suggested.path) + QLatin1Char('.') + animationSuffix(request.format),
        QString::fromLatin1(kFormats[choiceIndexOf(request.format, request.quality)].filter));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const auto [file, format] = animationFileFor(path, request.format);
    request.path = file.toLocal8Bit().toStdString();
    if (format != request.format) {
        request.quality.reset();  // a name of another format: that format, as it comes
    }
    request.format = format;
    return request;
}

}  // namespace vestura

// The swatch menu and its icons.
#include "app/colour_menu.h"

#include <QActionGroup>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "skin/outfit.h"

namespace vestura {

namespace {

bool sameColour(QRgb a, QRgb b) {
    return (a & RGB_MASK) == (b & RGB_MASK);
}

}  // namespace

QIcon swatchIcon(QRgb colour, int size) {
    QPixmap square(size, size);
    square.fill(QColor::fromRgb(colour));
    QPainter painter(&square);
    painter.setPen(QColor(0, 0, 0, 160));
    painter.drawRect(0, 0, size - 1, size - 1);
    return QIcon(square);
}

QMenu* makeColourMenu(QWidget* parent, const QString& title, const QString& note,
                      std::optional<QRgb> current, std::function<void(std::optional<QRgb>)> choose,
                      std::function<void()> other) {
    constexpr int kIconSize = 14;
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("ColourMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setTitle(title);
    if (!note.isEmpty()) {
        menu->addAction(note)->setEnabled(false);
        menu->addSeparator();
    }
    auto* group = new QActionGroup(menu);
    const auto addColour = [&](const QString& name, QRgb colour) {
        QAction* action = menu->addAction(swatchIcon(colour, kIconSize), name);
        action->setCheckable(true);
        action->setChecked(current && sameColour(*current, colour));
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, menu, [choose, colour] { choose(colour); });
    };
    for (const Swatch& swatch : kSwatches) {
        addColour(QString::fromLatin1(swatch.name), swatch.colour);
    }
    const bool known =
        !current || std::any_of(kSwatches.begin(), kSwatches.end(), [&](const Swatch& swatch) {
            return sameColour(swatch.colour, *current);
        });
    if (!known) {
        addColour(QString::fromStdString(formatColour(*current)), *current);
    }
    menu->addSeparator();
    QAction* otherAction = menu->addAction(QString::fromLatin1(kOtherColourText));
    QObject::connect(otherAction, &QAction::triggered, menu, std::move(other));
    QAction* none = menu->addAction(QString::fromLatin1(kNoColourText));
    none->setEnabled(current.has_value());
    QObject::connect(none, &QAction::triggered, menu, [choose] { choose(std::nullopt); });
    return menu;
}

}  // namespace vestura

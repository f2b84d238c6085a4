// TForm1's construction: the fixed layout, the window's frame and the event wiring.
#include "app/form1.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/background_widget.h"
#include "app/builtin_art.h"
#include "app/catalogue_watcher.h"
#include "app/field_style.h"
#include "app/layout.h"
#include "app/preview_widget.h"
#include "common/platform.h"
#include "picture/window_fonts.h"

namespace vestura {

namespace {

QString text(std::string_view s) {
    return QString::fromLocal8Bit(s.data(), qsizetype(s.size()));
}

void setColour(QWidget* widget, QPalette::ColorRole role, QRgb colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, QColor::fromRgb(colour));
    widget->setPalette(palette);
}

QWidget* makeControl(const layout::ControlSpec& spec, QStyle* fieldStyle, QWidget* parent) {
    QWidget* widget = nullptr;
    switch (spec.kind) {
        case layout::ControlKind::GroupBox: {
            auto* frame = new QGroupBox(text(spec.text), parent);
            frame->setAutoFillBackground(true);
            setColour(frame, QPalette::Window, spec.colour);
            frame->setStyle(fieldStyle);
            widget = frame;
            break;
        }
        case layout::ControlKind::Selector: {
            auto* selector = new QComboBox(parent);
            selector->setEditable(false);
            // The field takes the colour; the drop-down button stays the style's own.
            setColour(selector, QPalette::Base, spec.colour);
            selector->setStyle(fieldStyle);
            selector->setItemDelegate(
                new SelectorEntryDelegate(layout::kSelectorEntryHeight, selector));
            selector->setToolTip(QString::fromLatin1(layout::kSelectorTip));
            widget = selector;
            break;
        }
        case layout::ControlKind::Edit: {
            auto* edit = new QLineEdit(text(spec.text), parent);
            setColour(edit, QPalette::Base, spec.colour);
            widget = edit;
            break;
        }
        case layout::ControlKind::Button:
            widget = new QPushButton(text(spec.text), parent);
            break;
    }
    widget->setObjectName(text(spec.name));
    widget->setGeometry(spec.x, spec.y, spec.width, spec.height);
    return widget;
}

QLabel* makeLabel(const layout::LabelSpec& spec, QWidget* parent) {
    auto* label = new QLabel(text(spec.text), parent);
    label->setObjectName(text(spec.name));
    label->setTextFormat(Qt::PlainText);
    label->move(spec.x, spec.y);
    switch (spec.style) {
        case layout::LabelStyle::Plain:
            label->adjustSize();
            break;
        case layout::LabelStyle::Centred:
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            label->resize(spec.width, spec.height);
            break;
        case layout::LabelStyle::LinkShadow:
        case layout::LabelStyle::Link:
            label->setFont(linkFont());
            setColour(label, QPalette::WindowText,
                      spec.style == layout::LabelStyle::Link ? layout::kLinkColour
                                                             : layout::kLinkShadowColour);
            label->adjustSize();
            break;
    }
    return label;
}

template <typename Widget>
void bind(const QWidget* form, Widget*& member, const char* name) {
    member = form->findChild<Widget*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT(member != nullptr);
}

}  // namespace

TForm1::TForm1(DesktopServices& services, std::string programFolder, std::string catalogueFolder)
    : services_(services),
      programFolder_(std::move(programFolder)),
      catalogueFolder_(catalogueFolder.empty() ? programFolder_ : std::move(catalogueFolder)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(text(kWindowCaption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(layout::kClientWidth, layout::kClientHeight);
    move(layout::kWindowLeft, layout::kWindowTop);
    setFont(windowFont());
    QWidget::setWindowIcon(programIcon());

    Image2 = new BackgroundWidget(stretchedBackground(size()), this);
    Image2->setObjectName(QStringLiteral("Image2"));
    buildLabels();
    buildControls();
    buildPreview();
    buildOutfitControls();
    wireEvents();
}

TForm1::~TForm1() = default;

void TForm1::buildLabels() {
    for (const layout::LabelSpec& spec : layout::kLabels) {
        makeLabel(spec, this);
    }
    bind(this, Label10, "Label10");
    bind(this, Label11, "Label11");
    bind(this, Label12, "Label12");
    bind(this, Label13, "Label13");
    bind(this, Label3, "Label3");
    bind(this, Label9, "Label9");
    bind(this, Label1, "Label1");
    bind(this, Label2, "Label2");
    bind(this, Label4, "Label4");
    bind(this, Label5, "Label5");
    bind(this, Label6, "Label6");
    bind(this, Label7, "Label7");
    bind(this, Label8, "Label8");
}

void TForm1::buildControls() {
    // Over the style every other control is drawn with.
    auto* fieldStyle = new FieldStyle(QApplication::style()->name());
    fieldStyle->setParent(this);  // a widget does not own the style it is given
    QWidget* previous = nullptr;
    for (const layout::ControlSpec& spec : layout::kControls) {
        QWidget* control = makeControl(spec, fieldStyle, this);
        if (spec.kind == layout::ControlKind::GroupBox) {
            continue;  // the frame takes no focus
        }
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(this);
        if (previous != nullptr) {
            setTabOrder(previous, control);
        }
        previous = control;
    }
    bind(this, GroupBox1, "GroupBox1");
    bind(this, ComboBox1, "ComboBox1");
    bind(this, ComboBox2, "ComboBox2");
    bind(this, ComboBox3, "ComboBox3");
    bind(this, ComboBox4, "ComboBox4");
    bind(this, ComboBox5, "ComboBox5");
    bind(this, ComboBox6, "ComboBox6");
    bind(this, ComboBox7, "ComboBox7");
    bind(this, Edit1, "Edit1");
    bind(this, Button2, "Button2");
    bind(this, Edit2, "Edit2");
    bind(this, Button3, "Button3");
    bind(this, Button1, "Button1");
    bind(this, Button4, "Button4");
    bind(this, vd, "vd");

    Edit1->setReadOnly(true);
    showGameFolder(platform::defaultGameFolder());
    Edit2->setMaxLength(layout::kSkinNameMaxLength);
    Edit2->setToolTip(QString::fromLatin1(layout::kSkinNameTip));
    Button2->setToolTip(QString::fromLatin1(layout::kFolderButtonTip));
    vd->setToolTip(QString::fromLatin1(layout::kStartTip));
    Button3->setDefault(true);
    ComboBox1->setFocus();
}

void TForm1::buildPreview() {
    preview_.setBaseSkin(baseSkin());
    previewWidget = new PreviewWidget(
        preview_, [this](const std::string& message) { report(message); }, GroupBox1);
    GroupBox1->setToolTip(QString::fromLatin1(layout::kPreviewTip));
    GroupBox1->installEventFilter(this);  // the double-click that opens the 3D view
}

void TForm1::buildOutfitControls() {
    for (const layout::ControlSpec& spec : layout::kAddedControls) {
        makeControl(spec, nullptr, this);
    }
    bind(this, OpenButton, "OpenButton");
    OpenButton->setFocusPolicy(Qt::NoFocus);  // Ctrl+O reaches it from the keyboard
    OpenButton->setToolTip(QString::fromLatin1(layout::kOpenTip));

    BaseLabel = new QLabel(this);
    BaseLabel->setObjectName(QStringLiteral("BaseLabel"));
    const int left = Label3->geometry().right() + 1 + layout::kBaseLabelGap;
    BaseLabel->setGeometry(left, layout::kBaseLabelY, layout::kBaseLabelRight - left,
                           layout::kBaseLabelHeight);
    BaseLabel->setTextFormat(Qt::RichText);
    BaseLabel->setFocusPolicy(Qt::NoFocus);
    BaseLabel->hide();

    openAction_ = new QAction(QStringLiteral("Open a skin..."), this);
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    randomAction_ = new QAction(QStringLiteral("Random outfit"), this);
    randomAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    builtInBaseAction_ = new QAction(QStringLiteral("Back to the built-in base skin"), this);
    builtInBaseAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    builtInBaseAction_->setEnabled(false);
    addAction(openAction_);  // their keys work wherever the focus is in the window
    addAction(randomAction_);
    addAction(builtInBaseAction_);
    random_.seed(std::random_device()());
}

void TForm1::wireEvents() {
    connect(ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Change);
    connect(ComboBox2, &QComboBox::activated, this, &TForm1::ComboBox2Change);
    connect(ComboBox3, &QComboBox::activated, this, &TForm1::ComboBox3Change);
    connect(ComboBox4, &QComboBox::activated, this, &TForm1::ComboBox4Change);
    connect(ComboBox5, &QComboBox::activated, this, &TForm1::ComboBox5Change);
    connect(ComboBox6, &QComboBox::activated, this, &TForm1::ComboBox6Change);
    connect(ComboBox7, &QComboBox::activated, this, &TForm1::ComboBox7Change);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(vd, &QPushButton::clicked, this, &TForm1::vdClick);
    connect(OpenButton, &QPushButton::clicked, this, &TForm1::openSkin);
    connect(openAction_, &QAction::triggered, this, &TForm1::openSkin);
    connect(randomAction_, &QAction::triggered, this, &TForm1::randomOutfit);
    connect(builtInBaseAction_, &QAction::triggered, this, &TForm1::useBuiltInBase);
    connect(BaseLabel, &QLabel::linkActivated, this, &TForm1::useBuiltInBase);
    catalogueWatcher_ = new CatalogueWatcher(this);
    connect(catalogueWatcher_, &CatalogueWatcher::settled, this, &TForm1::catalogueChangedOnDisk);
    // The link reacts to the pointer moving over it without a button held.
    Label13->setMouseTracking(true);
    Label13->installEventFilter(this);
    installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label13) {
        return handleLinkEvent(event);
    }
    if (watched == GroupBox1 && event->type() == QEvent::MouseButtonDblClick) {
        openModelView();
        return true;
    }
    if (watched == GroupBox1 && event->type() == QEvent::ContextMenu) {
        showPreviewMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (handleColourMenuRequest(watched, event)) {
        return true;
    }
    if (event->type() == QEvent::Wheel) {
        return handleWheel(watched, event);
    }
    return handleKey(watched, event);
}

// A wheel turn changes a selector only when the pointer is over it and it is the window's
// focus widget; over any other selector it changes nothing. The focus widget is asked, not
// hasFocus(): in a window that is not in front no widget has the focus, yet the wheel still
// reaches the one that had it.
bool TForm1::handleWheel(QObject* watched, QEvent*) {
    auto* box = qobject_cast<QComboBox*>(watched);
    return box != nullptr && box != focusWidget();
}

// Enter, Escape, F3 and F5 act for the whole window before the focused control sees them.
bool TForm1::handleKey(QObject*, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F5 && key->modifiers() == Qt::NoModifier) {
        FormReloadCatalogue();
        return true;
    }
    if (key->key() == Qt::Key_F3) {
        openModelView();
        return true;
    }
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool escape = key->key() == Qt::Key_Escape;
    if (!enter && !escape) {
        return false;
    }
    const Qt::KeyboardModifiers held =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (held != Qt::NoModifier) {
        return true;  // with Shift, Ctrl or Alt neither key presses a button
    }
    if (escape) {
        Button1->click();
    } else if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) {
        focused->click();
    } else {
        Button3->click();
    }
    return true;
}

bool TForm1::handleLinkEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            Label13MouseMove();
            return false;
        case QEvent::Leave:
            Label13MouseLeave();
            return false;
        case QEvent::MouseButtonPress:
            linkPressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool click = linkPressed_ && mouse->button() == Qt::LeftButton &&
                               Label13->rect().contains(mouse->position().toPoint());
            linkPressed_ = false;
            if (click) {
                Label13Click();
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace vestura

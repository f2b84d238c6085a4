// The main window's fixed layout: every control with its designer name, place, size, text
// and colours, in the order the controls are built (bottom to top). Pixels at 96 dpi.
#pragma once

#include <QRgb>
#include <array>
#include <string_view>

#include "app/program_info.h"

namespace vestura::layout {

inline constexpr int kClientWidth = 472;
inline constexpr int kClientHeight = 376;
inline constexpr int kWindowLeft = 300;  // outer top-left corner on the screen
inline constexpr int kWindowTop = 157;

// The window font and the bold font of the contact link: picture/window_fonts.h.

inline constexpr QRgb kSelectorColour = 0xFF9BCDFF;    // the selectors and the skin name
inline constexpr int kSelectorEntryHeight = 13;        // one entry of a dropped-down list
inline constexpr QRgb kGameFolderColour = 0xFF1C8DFF;  // the game-folder field
inline constexpr QRgb kPreviewColour = 0xFF8CC6FF;     // the preview frame's background
inline constexpr QRgb kLinkColour = 0xFF006CD9;        // the contact link
inline constexpr QRgb kLinkShadowColour = 0xFF000000;

inline constexpr int kSkinNameMaxLength = 25;
inline constexpr std::string_view kInitialSkinName = "NewSkin";

enum class LabelStyle {
    Plain,       // window font, sized to its text
    Centred,     // window font, fixed box, text centred in it
    LinkShadow,  // bold link font, black, sized to its text
    Link,        // bold link font in the link colour, sized to its text
};

struct LabelSpec {
    std::string_view name;
    int x, y;
    int width, height;  // the box for Centred; the others take their text's size
    std::string_view text;
    LabelStyle style;
};

// Labels drawn on the window, over the background picture, bottom to top.
inline constexpr std::array<LabelSpec, 13> kLabels{{
    {"Label10", 8, 288, 273, 13, "For viewing a new skin in game use GTA", LabelStyle::Centred},
    {"Label11", 272, 341, 149, 13, "Send questions and remarks on", LabelStyle::Plain},
    {"Label12", 272, 355, 101, 16, kContactAddress, LabelStyle::LinkShadow},
    {"Label13", 273, 356, 101, 16, kContactAddress, LabelStyle::Link},
    {"Label3", 16, 304, 95, 13, "Folder with Vice City", LabelStyle::Plain},
    {"Label9", 256, 304, 91, 13, "The name of a skin", LabelStyle::Plain},
    {"Label1", 288, 8, 56, 13, "Eye-glasses", LabelStyle::Plain},
    {"Label2", 288, 48, 126, 13, "Beard, moustache or mask", LabelStyle::Plain},
    {"Label4", 288, 88, 72, 13, "Chain or singlet", LabelStyle::Plain},
    {"Label5", 288, 128, 69, 13, "Hours or figure", LabelStyle::Plain},
    {"Label6", 288, 168, 21, 13, "Shirt", LabelStyle::Plain},
    {"Label7", 288, 208, 28, 13, "Jeans", LabelStyle::Plain},
    {"Label8", 288, 248, 27, 13, "Boots", LabelStyle::Plain},
}};

enum class ControlKind { GroupBox, Selector, Edit, Button };

struct ControlSpec {
    std::string_view name;
    ControlKind kind;
    int x, y;
    int width, height;
    std::string_view text;
    QRgb colour;  // the field colour; 0 keeps the platform's
};

// Controls with windows of their own, over the labels, in tab order after the frame
// (which takes no focus).
inline constexpr std::array<ControlSpec, 15> kControls{{
    {"GroupBox1", ControlKind::GroupBox, 8, 8, 273, 281, "Preview", kPreviewColour},
    {"ComboBox1", ControlKind::Selector, 288, 24, 169, 21, "", kSelectorColour},
    {"ComboBox2", ControlKind::Selector, 288, 64, 169, 21, "", kSelectorColour},
    {"ComboBox4", ControlKind::Selector, 288, 104, 169, 21, "", kSelectorColour},
    {"ComboBox5", ControlKind::Selector, 288, 144, 169, 21, "", kSelectorColour},
    {"ComboBox6", ControlKind::Selector, 288, 184, 169, 21, "", kSelectorColour},
    {"ComboBox7", ControlKind::Selector, 288, 224, 169, 21, "", kSelectorColour},
    {"ComboBox3", ControlKind::Selector, 288, 264, 169, 21, "", kSelectorColour},
    // The game folder's layout text is the platform's default folder, set when built.
    {"Edit1", ControlKind::Edit, 16, 318, 209, 21, "", kGameFolderColour},
    {"Button2", ControlKind::Button, 224, 319, 25, 20, "...", 0},
    {"Edit2", ControlKind::Edit, 256, 316, 129, 21, kInitialSkinName, kSelectorColour},
    {"Button3", ControlKind::Button, 392, 312, 73, 25, "Save", 0},
    {"Button1", ControlKind::Button, 8, 344, 81, 25, "Exit", 0},
    {"Button4", ControlKind::Button, 96, 344, 81, 25, "About", 0},
    {"vd", ControlKind::Button, 184, 344, 81, 25, "Start Vice", 0},
}};

// Beyond the layout's own controls, in room it leaves free, so that nothing above moves: a
// small "Open..." button over Save, and under the preview, beside the folder's label, the
// name of the base skin, with a link back to the built-in one, while a picture other than the
// built-in one is the base.
inline constexpr std::array<ControlSpec, 1> kAddedControls{{
    {"OpenButton", ControlKind::Button, 392, 289, 73, 20, "Open...", 0},
}};
// The base skin's label starts this far right of the folder's label, whose width follows its
// font, and ends before the skin name's label.
inline constexpr int kBaseLabelGap = 10;
inline constexpr int kBaseLabelY = 304;
inline constexpr int kBaseLabelRight = 250;
inline constexpr int kBaseLabelHeight = 13;

// The folder dialog's prompt.
inline constexpr std::string_view kFolderDialogTitle = "Directory with VICE CITY";

// Tooltips that tell where the controls hidden from sight are.
inline constexpr const char* kPreviewTip =
    "Double-click or F3: see it worn. Right-click: open a skin, a random outfit";
inline constexpr const char* kSelectorTip =
    "Right-click, the menu key or Shift+F10: a colour for this part. F5 reads the part lists "
    "again";
inline constexpr const char* kOpenTip =
    "Open a skin (Ctrl+O): a saved skin comes back with its parts and colours; any other "
    "picture becomes the base";
inline constexpr const char* kSkinNameTip =
    "The skin's file name in the game's skins folder: plain ASCII letters, digits, spaces and "
    "punctuation. Enter saves.";
inline constexpr const char* kFolderButtonTip = "Choose the folder that holds gta-vc.exe";
inline constexpr const char* kStartTip = "Starts the game from the folder with Vice City";

// The folder field's background when the folder holds no game: light red, where the black
// text stays as readable as on the usual blue.
inline constexpr QRgb kMissingGameColour = 0xFFFFB0B0;

}  // namespace vestura::layout

// The seven categories of parts: the window's selectors, the list files, the default
// entries and the preview slots, as one table in selector order (top to bottom).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace vestura {

enum class Category { Glasses, Beard, Chain, Watch, Shirt, Jeans, Boots };

inline constexpr std::size_t kCategoryCount = 7;

struct CategoryInfo {
    Category category;
    std::string_view label;         // the caption of the label above the selector
    std::string_view selector;      // the selector's control name
    std::string_view listFile;      // list file in the program folder
    std::string_view defaultEntry;  // entry 0 of the selector
    std::string_view pathList;      // the path list's control name
    std::string_view slot;          // the preview slot's control name
    std::string_view cliName;       // the category's name on the command line

    // The slot inside the preview frame ("Preview", 273 x 281).
    int frameX, frameY;             // top-left corner, relative to the frame
    int width, height;              // initial size
    bool takesPictureSize;          // resizes to the loaded picture; else draws clipped
    bool transparent;               // draws a bitmap with its bottom-left colour left out
    bool shownAtStart;
    int stacking;                   // 2 = just above the base skin ... 8 = topmost
};

inline constexpr std::array<CategoryInfo, kCategoryCount> kCategories{{
    {Category::Glasses, "Eye-glasses", "ComboBox1", "e.ls", "None", "em", "e", "glasses",
     168, 56, 96, 44, true, false, true, 3},
    {Category::Beard, "Beard, moustache or mask", "ComboBox2", "p.ls", "None", "pm", "p", "beard",
     136, 17, 128, 128, true, false, false, 2},
    {Category::Chain, "Chain or singlet", "ComboBox4", "c.ls", "Usual", "cm", "c", "chain",
     224, 163, 40, 40, true, false, true, 4},
    {Category::Watch, "Hours or figure", "ComboBox5", "h.ls", "Usual", "hm", "h", "watch",
     103, 17, 33, 84, true, false, true, 5},
    {Category::Shirt, "Shirt", "ComboBox6", "k.ls", "Usual", "km", "k", "shirt",
     95, 145, 105, 129, false, false, true, 6},
    {Category::Jeans, "Jeans", "ComboBox7", "j.ls", "Usual", "jm", "j", "jeans",
     8, 101, 94, 172, false, true, true, 7},
    {Category::Boots, "Boots", "ComboBox3", "b.ls", "Usual", "bm", "b", "boots",
     8, 17, 56, 72, true, false, true, 8},
}};

inline constexpr const CategoryInfo& info(Category c) {
    return kCategories[static_cast<std::size_t>(c)];
}

// The category a command-line name ("glasses", "beard", ...) stands for, written exactly
// or in other letter case.
std::optional<Category> categoryNamed(std::string_view name);

// The preview frame and the base skin inside it.
inline constexpr int kFrameWidth = 273;
inline constexpr int kFrameHeight = 281;
inline constexpr int kBaseSkinX = 8;   // relative to the frame
inline constexpr int kBaseSkinY = 17;
inline constexpr int kSkinSize = 256;  // the base skin and every saved skin are square

}  // namespace vestura

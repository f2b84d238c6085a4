// What vestura-cli was asked to do, parsed from its arguments.
#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "picture/anim/animation_format.h"
#include "skin/categories.h"

namespace vestura::cli {

// A command line that cannot be carried out as written: exit status 2 with its own line and
// a pointer to --help (the whole usage would bury that line).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Command {
    Render,
    Check,
    Convert,
    List,
    Games,
    Doctor,
    Template,
    View,
    Sheet,
    Help,
    Version
};

// One entry per category, as the user wrote it (an index or a caption); empty = default.
using EntryChoices = std::array<std::optional<std::string>, kCategoryCount>;

// One colour per category, 0xFFRRGGBB (a QRgb, kept Qt-free for the front end); empty = none.
using ColourChoices = std::array<std::optional<unsigned int>, kCategoryCount>;

struct Invocation {
    Command command = Command::Help;
    std::optional<std::string> folder;  // --folder; the executable's folder when absent
    EntryChoices entries;               // render --glasses ... --boots
    std::optional<std::string> base;    // render/view --base: a picture as the base skin
    ColourChoices colours;              // render/view --colour CATEGORY=#RRGGBB
    std::string output;                 // render --output, convert OUTPUT
    std::string recipes;                // render --recipes
    std::string input;                  // convert INPUT
    std::optional<std::string> game;    // doctor --game; the folder in vestu.cfg when absent
    bool fix = false;                   // doctor --fix
    std::optional<Category> category;   // template --category; the whole skin when absent
    std::optional<std::string> model;   // view --model: a loose .dff instead of the archive
    std::optional<std::string> skin;    // view --skin: a picture instead of the part options
    float yaw = 0;                      // view --yaw, degrees
    float pitch = 0;                    // view --pitch, degrees
    int size = 512;                     // view --size, the picture's side
    bool view = false;                  // sheet --view: tiles as the 3D view
    bool turntable = false;             // view --turntable: a whole turn as an animation
    std::optional<int> frames;          // view --turntable --frames
    std::optional<int> fps;             // view --turntable --fps
    std::optional<int> quality;         // view --turntable --quality: a lossy WebP
};

// The bounds of view's numbers.
inline constexpr float kMaxViewPitch = 80;
inline constexpr int kMaxViewSize = 4096;

Invocation parseCommandLine(const std::vector<std::string>& arguments);

// The command line parsed, with what needs no picture answered: --help and --version print
// to `out` and a usage error to `err`, and `status` says how to exit. Empty `status` for
// every other command, which is then the caller's to run.
struct Parsed {
    Invocation invocation;
    std::optional<int> status;
};
Parsed parseOrAnswer(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err);

extern const char* const kUsage;
extern const char* const kVersion;

// Prints a usage error as "vestura-cli: WHY" and the line that points to --help.
void reportUsageError(const UsageError& error, std::ostream& err);

// What an output file is written as, by its extension in any letter case.
enum class OutputForm { Bmp, Png };

// The form `path` asks for. Any other extension raises UsageError naming the two allowed,
// so a skin is never written in a form its name does not promise. An existing character
// device or FIFO (/dev/null, /dev/stdout, a pipe) has no name to keep a promise: it takes
// any name and gets `streamForm`.
OutputForm outputFormOf(const std::string& path, OutputForm streamForm = OutputForm::Bmp);

// The animation `path` asks for by its extension in any letter case: .webp, .gif or .png.
// Any other extension raises UsageError naming the three; an existing character device or
// FIFO takes any name and gets an animated PNG, as view writes a PNG there.
AnimationFormat animationFormatOf(const std::string& path);

// "; the closest: shirt": the category names close to `name`, each after `prefix` ("--"
// for an option); empty when none is.
std::string closeCategoryNames(std::string_view name, std::string_view prefix = {});

}  // namespace vestura::cli

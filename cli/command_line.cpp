#include "cli/command_line.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "cli/close_names.h"

namespace vestura::cli {

const char* const kUsage =
    "usage:\n"
    "  vestura-cli render  [--folder DIR] [--glasses E] [--beard E] [--chain E] [--watch E]\n"
    "                      [--shirt E] [--jeans E] [--boots E] [--base PICTURE]\n"
    "                      [--colour CATEGORY=#RRGGBB ...] --output FILE.bmp|FILE.png\n"
    "  vestura-cli render  [--folder DIR] --recipes FILE\n"
    "  vestura-cli check   [--folder DIR]\n"
    "  vestura-cli convert INPUT OUTPUT.bmp\n"
    "  vestura-cli list    [--folder DIR]\n"
    "  vestura-cli games\n"
    "  vestura-cli doctor  [--folder DIR] [--game DIR] [--fix]\n"
    "  vestura-cli template [--category NAME] --output FILE.png|FILE.bmp\n"
    "  vestura-cli view    [--folder DIR] [--game DIR | --model FILE.dff]\n"
    "                      [--skin PICTURE | --glasses E ... --boots E --base PICTURE\n"
    "                      --colour CATEGORY=#RRGGBB ...] [--yaw DEG] [--pitch DEG]\n"
    "                      [--size N] --output FILE.png|FILE.bmp\n"
    "  vestura-cli view    --turntable [the options of view] [--frames N] [--fps F]\n"
    "                      [--quality Q] --output FILE.webp|FILE.gif|FILE.png\n"
    "  vestura-cli sheet   [--folder DIR] [--category NAME]\n"
    "                      [--view [--game DIR | --model FILE.dff]] --output FILE.png|FILE.bmp\n"
    "  vestura-cli --help | --version\n"
    "E is an entry of the category's list: its index (0 = None/Usual) or its caption, in any\n"
    "letter case when no other caption matches it so.\n"
    "render writes the skin as the game reads it (.bmp) or as a PNG picture (.png). render\n"
    "and view (without --skin) compose over --base (any picture, scaled to 256 x 256) or the\n"
    "built-in base skin; --colour gives a part a colour, keeping its shading.\n"
    "A recipes line is OUTPUT category=E ... base=PICTURE CATEGORY.colour=#RRGGBB ...; a\n"
    "skin written into a game's skins folder has its line kept in skins/outfits.txt, which\n"
    "--recipes remakes (run it in that folder).\n"
    "games lists the game installs found: KIND, FOLDER, and whether it has a skins folder.\n"
    "doctor checks that the game can read every skin in DIR's skins folder (DIR: the game\n"
    "folder in vestu.cfg); --fix rewrites those only stored in another form, keeping NAME.bak.\n"
    "template draws the base skin with every category's box outlined and named, or with\n"
    "--category (glasses, beard, chain, watch, shirt, jeans, boots) the base skin under that\n"
    "box at its size: the canvas for a new part.\n"
    "view draws the skin on the game's player model (DIR/models/gta3.img): --yaw turns it\n"
    "(90 shows its +X side), --pitch (-80..80) looks from above, --size (up to 4096).\n"
    "view --turntable writes one whole turn from --yaw on as an animation that loops\n"
    "forever: --frames (4..360, 36), --fps (1..50, 12), a lossless WebP unless --quality\n"
    "(0..100) asks for a lossy one, a GIF, or an animated PNG; frames x size x size at most\n"
    "36 x 1024 x 1024.\n"
    "sheet draws every entry (or --category's) as a captioned tile, by category; --view\n"
    "draws each on the player model, from the front.\n";

const char* const kVersion = "vestura-cli 1.1\n";

namespace {

char lowerAscii(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool endsWithIgnoringCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - std::ssize(ending),
                      [](char e, char t) { return e == lowerAscii(t); });
}

}  // namespace

std::string closeCategoryNames(std::string_view name, std::string_view prefix) {
    std::u16string typed(name.size(), u'\0');
    std::transform(name.begin(), name.end(), typed.begin(),
                   [](char c) { return static_cast<unsigned char>(lowerAscii(c)); });
    CloseNames close(std::move(typed));
    for (std::size_t i = 0; i < kCategories.size(); ++i) {
        const std::string_view cliName = kCategories[i].cliName;
        close.offer(std::u16string(cliName.begin(), cliName.end()), static_cast<int>(i));
    }
    std::vector<std::string> names;
    for (const int i : close.closest()) {
        names.push_back(std::string(prefix) +
                        std::string(kCategories[static_cast<std::size_t>(i)].cliName));
    }
    return closestNames(names);
}

OutputForm outputFormOf(const std::string& path, OutputForm streamForm) {
    if (endsWithIgnoringCase(path, ".bmp")) {
        return OutputForm::Bmp;
    }
    if (endsWithIgnoringCase(path, ".png")) {
        return OutputForm::Png;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 &&
        (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode))) {
        return streamForm;
    }
    throw UsageError("the output must be FILE.bmp or FILE.png: " + path);
}

AnimationFormat animationFormatOf(const std::string& path) {
    if (endsWithIgnoringCase(path, ".webp")) {
        return AnimationFormat::WebP;
    }
    if (endsWithIgnoringCase(path, ".gif")) {
        return AnimationFormat::Gif;
    }
    if (endsWithIgnoringCase(path, ".png")) {
        return AnimationFormat::Png;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 &&
        (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode))) {
        return AnimationFormat::Png;
    }
    throw UsageError("the output of --turntable must be FILE.webp, FILE.gif or FILE.png: " + path);
}

namespace {

// A turn given in degrees beyond this is a mistake, not a number of whole turns.
constexpr double kMaxDegrees = 1e6;

Command commandNamed(const std::string& word) {
    if (word == "render")
        return Command::Render;
    if (word == "check")
        return Command::Check;
    if (word == "convert")
        return Command::Convert;
    if (word == "list")
        return Command::List;
    if (word == "games")
        return Command::Games;
    if (word == "doctor")
        return Command::Doctor;
    if (word == "template")
        return Command::Template;
    if (word == "view")
        return Command::View;
    if (word == "sheet")
        return Command::Sheet;
    if (word == "--help" || word == "-h")
        return Command::Help;
    if (word == "--version")
        return Command::Version;
    throw UsageError("unknown command: " + word);
}

// Walks the words after the command word.
class WordReader {
public:
    explicit WordReader(const std::vector<std::string>& words) : words_(words) {}
    bool done() const { return next_ >= words_.size(); }
    const std::string& take() { return words_[next_++]; }
    const std::string& valueOf(const std::string& option) {
        if (done()) {
            throw UsageError(option + " needs a value");
        }
        return take();
    }

private:
    const std::vector<std::string>& words_;
    std::size_t next_ = 1;
};

// "; the closest: --glasses" for an option that names no category but is close to one.
std::string closeCategoryOptions(const std::string& option) {
    return option.starts_with("--") ? closeCategoryNames(option.substr(2), "--") : std::string();
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = lowerAscii(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// --colour CATEGORY=#RRGGBB: the category's colour, as an outfit line's CATEGORY.colour.
void readColour(const std::string& option, const std::string& value, Invocation& invocation) {
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos) {
        throw UsageError(option + " needs CATEGORY=#RRGGBB: " + value);
    }
    const std::string name = value.substr(0, equals);
    const std::optional<Category> category = categoryNamed(name);
    if (!category) {
        throw UsageError("unknown category for " + option + ": " + name + closeCategoryNames(name));
    }
    const std::string_view colour = std::string_view(value).substr(equals + 1);
    unsigned int rgb = 0;
    const bool wellFormed = colour.size() == 7 && colour[0] == '#' &&
                            std::all_of(colour.begin() + 1, colour.end(), [&](char c) {
                                rgb = rgb * 16 + static_cast<unsigned int>(hexDigit(c));
                                return hexDigit(c) >= 0;
                            });
    if (!wellFormed) {
        throw UsageError(option + " " + name + ": a colour is #RRGGBB in hexadecimal, not " +
                         std::string(colour));
    }
    invocation.colours[static_cast<std::size_t>(*category)] = 0xFF000000u | rgb;
}

// --base and --colour, which render and view take alike; false for any other option.
bool readLookOption(const std::string& option, WordReader& reader, Invocation& invocation) {
    if (option == "--base") {
        invocation.base = reader.valueOf(option);
    } else if (option == "--colour" || option == "--color") {
        readColour(option, reader.valueOf(option), invocation);
    } else {
        return false;
    }
    return true;
}

void readRenderOption(const std::string& option, WordReader& reader, Invocation& invocation) {
    if (readLookOption(option, reader, invocation)) {
        return;
    }
    const auto category = option.starts_with("--") ? categoryNamed(option.substr(2)) : std::nullopt;
    if (option == "--output") {
        invocation.output = reader.valueOf(option);
    } else if (option == "--recipes") {
        invocation.recipes = reader.valueOf(option);
    } else if (category) {
        invocation.entries[static_cast<std::size_t>(*category)] = reader.valueOf(option);
    } else {
        throw UsageError("unknown option for render: " + option + closeCategoryOptions(option));
    }
}

float degreesOf(const std::string& option, const std::string& value) {
    char* end = nullptr;
    const double degrees = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(degrees) ||
        std::abs(degrees) > kMaxDegrees) {
        throw UsageError(option + " needs a number of degrees: " + value);
    }
    return static_cast<float>(degrees);
}

int wholeNumberOf(const std::string& option, const std::string& value, int least, int most) {
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < least ||
        number > most) {
        throw UsageError(option + " needs a whole number from " + std::to_string(least) + " to " +
                         std::to_string(most) + ": " + value);
    }
    return number;
}

void readViewOption(const std::string& option, WordReader& reader, Invocation& invocation) {
    if (option == "--game") {
        invocation.game = reader.valueOf(option);
    } else if (option == "--model") {
        invocation.model = reader.valueOf(option);
    } else if (option == "--skin") {
        invocation.skin = reader.valueOf(option);
    } else if (option == "--yaw") {
        invocation.yaw = degreesOf(option, reader.valueOf(option));
    } else if (option == "--pitch") {
        invocation.pitch = degreesOf(option, reader.valueOf(option));
    } else if (option == "--size") {
        invocation.size = wholeNumberOf(option, reader.valueOf(option), 1, kMaxViewSize);
    } else if (option == "--turntable") {
        invocation.turntable = true;
    } else if (option == "--frames") {
        invocation.frames =
            wholeNumberOf(option, reader.valueOf(option), kMinAnimationFrames, kMaxAnimationFrames);
    } else if (option == "--fps") {
        invocation.fps =
            wholeNumberOf(option, reader.valueOf(option), kMinAnimationFps, kMaxAnimationFps);
    } else if (option == "--quality") {
        invocation.quality =
            wholeNumberOf(option, reader.valueOf(option), kMinWebPQuality, kMaxWebPQuality);
    } else if (option == "--output" || option == "--base" || option == "--colour" ||
               option == "--color" || categoryNamed(option.substr(2))) {
        readRenderOption(option, reader, invocation);
    } else {
        throw UsageError("unknown option for view: " + option + closeCategoryOptions(option));
    }
}

// The turntable's own options: with --turntable only, --quality for a WebP only, and every
// frame within the animation budget.
void checkTurntable(const Invocation& invocation) {
    if (!invocation.turntable) {
        if (invocation.frames || invocation.fps || invocation.quality) {
            const char* given = invocation.frames ? "--frames"
                                : invocation.fps  ? "--fps"
                                                  : "--quality";
            throw UsageError(std::string(given) + " goes with --turntable");
        }
        return;
    }
    if (invocation.output.empty()) {
        throw UsageError("view --turntable needs --output FILE.webp, FILE.gif or FILE.png");
    }
    const AnimationFormat format = animationFormatOf(invocation.output);
    if (invocation.quality && format != AnimationFormat::WebP) {
        throw UsageError("--quality goes with a .webp output only: " + invocation.output);
    }
    const int frames = invocation.frames.value_or(kDefaultAnimationFrames);
    if (!animationFits(frames, invocation.size)) {
        const auto product = [](int frames, int side) {
            return std::to_string(frames) + " x " + std::to_string(side) + " x " +
                   std::to_string(side);
        };
        throw UsageError("--turntable draws at most " + product(kBudgetFrames, kBudgetSide) +
                         " pixels (--frames x --size x --size), not " +
                         product(frames, invocation.size) + "; " + std::to_string(frames) +
                         " frames take --size " + std::to_string(largestAnimationSide(frames)) +
                         " at most");
    }
    if (format == AnimationFormat::WebP && !invocation.quality &&
        invocation.size > kMaxLosslessWebPSide) {
        throw UsageError("a lossless WebP's --size is at most " +
                         std::to_string(kMaxLosslessWebPSide) + ", not " +
                         std::to_string(invocation.size) +
                         " (--quality makes a lossy one, which may be larger)");
    }
}

bool anyLook(const Invocation& invocation) {
    return invocation.base.has_value() ||
           std::any_of(invocation.colours.begin(), invocation.colours.end(),
                       [](const auto& colour) { return colour.has_value(); });
}

void checkView(const Invocation& invocation) {
    const bool anyEntry = std::any_of(invocation.entries.begin(), invocation.entries.end(),
                                      [](const auto& e) { return e.has_value(); });
    checkTurntable(invocation);
    if (invocation.output.empty()) {
        throw UsageError("view needs --output FILE.png or FILE.bmp");
    }
    if (!invocation.turntable) {
        try {
            outputFormOf(invocation.output);
        } catch (const UsageError& e) {
            // A name an animation would take: the user most likely meant one.
            bool animationName = true;
            try {
                animationFormatOf(invocation.output);
            } catch (const UsageError&) {
                animationName = false;
            }
            if (!animationName) {
                throw;
            }
            throw UsageError(std::string(e.what()) + "; --turntable writes an animation");
        }
    }
    if (invocation.game && invocation.model) {
        throw UsageError("view takes either --game or --model");
    }
    if (invocation.skin && (anyEntry || anyLook(invocation))) {
        throw UsageError("with --skin the part options, --base and --colour do not apply");
    }
    if (std::abs(invocation.pitch) > kMaxViewPitch) {
        throw UsageError("--pitch must lie between -80 and 80 degrees");
    }
}

void checkRender(const Invocation& invocation) {
    const bool anyEntry = std::any_of(invocation.entries.begin(), invocation.entries.end(),
                                      [](const auto& e) { return e.has_value(); });
    if (invocation.recipes.empty() == invocation.output.empty()) {
        throw UsageError("render needs either --output FILE.bmp or --recipes FILE");
    }
    if (!invocation.recipes.empty() && (anyEntry || anyLook(invocation))) {
        throw UsageError("with --recipes the entries, base and colours come from the recipes file");
    }
    if (!invocation.output.empty()) {
        outputFormOf(invocation.output);
    }
}

Category categoryOf(const std::string& name) {
    const std::optional<Category> category = categoryNamed(name);
    if (!category) {
        throw UsageError("unknown category: " + name + closeCategoryNames(name));
    }
    return *category;
}

void readTemplateOption(const std::string& option, WordReader& reader, Invocation& invocation) {
    if (option == "--output") {
        invocation.output = reader.valueOf(option);
    } else if (option == "--category") {
        const std::string& name = reader.valueOf(option);
        invocation.category = categoryNamed(name);
        if (!invocation.category) {
            throw UsageError("unknown category: " + name + closeCategoryNames(name));
        }
    } else {
        throw UsageError("unknown option for template: " + option);
    }
}

void readSheetOption(const std::string& option, WordReader& reader, Invocation& invocation) {
    if (option == "--output") {
        invocation.output = reader.valueOf(option);
    } else if (option == "--category") {
        invocation.category = categoryOf(reader.valueOf(option));
    } else if (option == "--view") {
        invocation.view = true;
    } else if (option == "--game") {
        invocation.game = reader.valueOf(option);
    } else if (option == "--model") {
        invocation.model = reader.valueOf(option);
    } else {
        throw UsageError("unknown option for sheet: " + option);
    }
}

void checkSheet(const Invocation& invocation) {
    if (invocation.output.empty()) {
        throw UsageError("sheet needs --output FILE.png or FILE.bmp");
    }
    outputFormOf(invocation.output);
    if (invocation.game && invocation.model) {
        throw UsageError("sheet takes either --game or --model");
    }
    if ((invocation.game || invocation.model) && !invocation.view) {
        throw UsageError(std::string(invocation.game ? "--game" : "--model") +
                         " applies only with --view");
    }
}

void checkTemplate(const Invocation& invocation) {
    const std::string extension = invocation.output.size() >= 4
                                      ? invocation.output.substr(invocation.output.size() - 4)
                                      : std::string();
    std::string lower = extension;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower != ".png" && lower != ".bmp") {
        throw UsageError("template needs --output FILE.png or FILE.bmp");
    }
}

}  // namespace

Invocation parseCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        throw UsageError("no command given");
    }
    Invocation invocation;
    // `help`, and --help after any command, answer with the usage.
    if (arguments[0] == "help" ||
        (arguments.size() > 1 && (arguments[1] == "--help" || arguments[1] == "-h"))) {
        invocation.command = Command::Help;
        return invocation;
    }
    invocation.command = commandNamed(arguments[0]);
    WordReader reader(arguments);
    std::vector<std::string> positional;
    while (!reader.done()) {
        const std::string& word = reader.take();
        const bool takesFolder =
            invocation.command != Command::Convert && invocation.command != Command::Help &&
            invocation.command != Command::Version && invocation.command != Command::Games &&
            invocation.command != Command::Template;
        if (word == "--folder" && takesFolder) {
            invocation.folder = reader.valueOf(word);
        } else if (invocation.command == Command::Doctor && word == "--game") {
            invocation.game = reader.valueOf(word);
        } else if (invocation.command == Command::Doctor && word == "--fix") {
            invocation.fix = true;
        } else if (invocation.command == Command::Render) {
            readRenderOption(word, reader, invocation);
        } else if (invocation.command == Command::Template) {
            readTemplateOption(word, reader, invocation);
        } else if (invocation.command == Command::View && word.starts_with("--")) {
            readViewOption(word, reader, invocation);
        } else if (invocation.command == Command::Sheet) {
            readSheetOption(word, reader, invocation);
        } else if (invocation.command == Command::Convert && !word.starts_with("--")) {
            positional.push_back(word);
        } else {
            throw UsageError("unexpected argument: " + word);
        }
    }
    if (invocation.command == Command::Render) {
        checkRender(invocation);
    } else if (invocation.command == Command::Template) {
        checkTemplate(invocation);
    } else if (invocation.command == Command::View) {
        checkView(invocation);
    } else if (invocation.command == Command::Sheet) {
        checkSheet(invocation);
    } else if (invocation.command == Command::Convert) {
        if (positional.size() != 2) {
            throw UsageError("convert needs INPUT and OUTPUT.bmp");
        }
        invocation.input = positional[0];
        invocation.output = positional[1];
    }
    return invocation;
}

void reportUsageError(const UsageError& error, std::ostream& err) {
    err << "vestura-cli: " << error.what() << "\nTry 'vestura-cli --help'.\n";
}

Parsed parseOrAnswer(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err) {
    Parsed parsed;
    try {
        parsed.invocation = parseCommandLine(arguments);
    } catch (const UsageError& e) {
        reportUsageError(e, err);
        parsed.status = 2;
        return parsed;
    }
    if (parsed.invocation.command == Command::Help) {
        out << kUsage;
        parsed.status = 0;
    } else if (parsed.invocation.command == Command::Version) {
        out << kVersion;
        parsed.status = 0;
    }
    return parsed;
}

}  // namespace vestura::cli

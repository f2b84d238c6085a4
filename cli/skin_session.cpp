#include "cli/skin_session.h"

#include <sys/stat.h>

#include <QString>
#include <algorithm>
#include <charconv>
#include <climits>
#include <filesystem>
#include <ostream>
#include <type_traits>

#include "cli/close_names.h"
#include "cli/command_line.h"
#include "common/escape.h"
#include "common/failure_text.h"
#include "common/text8.h"
#include "picture/bmp/bitmap.h"
#include "picture/builtin.h"
#include "picture/icon/icon.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/metafile/metafile.h"
#include "picture/png/png_writer.h"
#include "skin/image_graphic.h"
#include "skin/skin_export.h"

namespace vestura::cli {

namespace {

// A caption as a message names it: long ones cut, so that a batch of refusals stays small
// whatever the list files hold.
std::string shortened(const std::string& caption) {
    constexpr std::size_t kShownBytes = 60;
    return caption.size() <= kShownBytes ? caption : caption.substr(0, kShownBytes) + "...";
}

// A bitmap keeps its stored rows and, once drawn, a 32-bit display copy.
std::size_t bitmapBytes(const TBitmap& bitmap) {
    const auto pixels =
        static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height());
    return static_cast<std::size_t>(bitmap.image().sizeInBytes()) + pixels * 4;
}

}  // namespace

std::size_t decodedBytes(const TGraphic& picture, std::size_t fileBytes) {
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&picture)) {
        return bitmapBytes(*bitmap);
    }
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&picture)) {
        // decoded() first: bitmap() would decode a picture not drawn yet.
        const std::size_t file = jpeg->data().size();
        return jpeg->decoded() ? file + bitmapBytes(const_cast<TJPEGImage*>(jpeg)->bitmap()) : file;
    }
    if (const auto* icon = dynamic_cast<const TIcon*>(&picture)) {
        // Only drawn icons are kept, so the image is made already.
        return fileBytes +
               static_cast<std::size_t>(const_cast<TIcon*>(icon)->image().sizeInBytes());
    }
    return fileBytes;  // a metafile keeps its records and draws straight onto the skin
}

SkinSession::SkinSession(std::string programFolder)
    : programFolder_(std::move(programFolder)),
      cacheBudget_(kPictureCacheBytes),
      closeNameWork_(kCloseNameWork) {
    listFailures_ = catalogue_.load(programFolder_, memo_);
    builtinBase_ = loadBuiltinBitmap(BuiltinPicture::BaseSkin);
    preview_.setBaseSkin(builtinBase_);
}

namespace {

// A base picture is kept by the file it is, not by how its path is spelled: a batch naming one
// picture through many spellings or links reads it once. A path that names no file is its
// own key.
std::string baseKey(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return "path:" + path;
    }
    return "file:" + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

}  // namespace

void SkinSession::setBase(const std::optional<std::string>& path) {
    if (!path) {
        preview_.setBaseSkin(builtinBase_);
        return;
    }
    const std::string key = baseKey(*path);
    auto kept = std::find_if(bases_.begin(), bases_.end(),
                             [&](const KeptBase& base) { return base.path == key; });
    if (kept == bases_.end()) {
        KeptBase base{key, nullptr, nullptr};
        try {
            base.picture = loadBaseSkin(*path);
        } catch (const Exception& e) {
            base.failure = std::make_exception_ptr(
                Exception("Base skin " + *path + ": " + e.message(), e.cause()));
        }
        if (bases_.size() == kKeptBases) {
            bases_.pop_back();
        }
        bases_.insert(bases_.begin(), std::move(base));
    } else {
        std::rotate(bases_.begin(), kept, kept + 1);  // the most recent first
    }
    if (bases_.front().failure) {
        std::rethrow_exception(bases_.front().failure);
    }
    preview_.setBaseSkin(bases_.front().picture);
}

namespace {

std::u16string foldedCase(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
        .toCaseFolded()
        .toStdU16String();
}

// A caption or typed text as a refusal shows it: in quotes, control characters escaped, in
// the locale's encoding.
std::string quoted(const std::string& utf8) {
    return "\"" + text8::toLocale(escapeControls(utf8)) + "\"";
}

}  // namespace

const SkinSession::CaptionIndex& SkinSession::captionIndex(Category c) {
    std::unique_ptr<CaptionIndex>& made = captionIndexes_[static_cast<std::size_t>(c)];
    if (made) {
        return *made;
    }
    made = std::make_unique<CaptionIndex>();
    CaptionIndex& index = *made;
    const std::vector<std::string>& captions = catalogue_.entries(c).captions;
    for (const std::string& caption : captions) {
        index.shown.push_back(text8::decoded(caption));
        index.folded.push_back(foldedCase(index.shown.back()));
    }
    for (std::size_t k = 0; k < captions.size(); ++k) {
        const int entry = static_cast<int>(k);
        index.byBytes.try_emplace(captions[k], entry);
        if (index.byText.try_emplace(index.shown[k], entry).second) {
            index.byFolded[index.folded[k]].push_back(entry);
            index.distinct.push_back(entry);
        }
    }
    return index;
}

int SkinSession::resolveRecorded(Category c, const std::string& entry) {
    const std::vector<std::string>& captions = catalogue_.entries(c).captions;
    int number = -1;
    const auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), number);
    if (error == std::errc() && end == entry.data() + entry.size() && number >= 0 &&
        static_cast<std::size_t>(number) < captions.size()) {
        return number;
    }
    const CaptionIndex& index = captionIndex(c);
    if (const auto exact = index.byBytes.find(entry); exact != index.byBytes.end()) {
        return exact->second;
    }
    return resolve(c, entry);
}

int SkinSession::resolve(Category c, const std::string& entry) {
    const std::vector<std::string>& captions = catalogue_.entries(c).captions;
    int number = -1;
    const auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), number);
    const bool isIndex = error == std::errc() && end == entry.data() + entry.size();
    if (isIndex && number >= 0 && static_cast<std::size_t>(number) < captions.size()) {
        return number;
    }
    const CaptionIndex& index = captionIndex(c);
    const std::string typed = text8::fromLocale(entry);
    const auto byBytes = index.byBytes.find(entry);
    const auto byText = index.byText.find(typed);
    if (byBytes != index.byBytes.end() || byText != index.byText.end()) {
        return std::min(byBytes != index.byBytes.end() ? byBytes->second : INT_MAX,
                        byText != index.byText.end() ? byText->second : INT_MAX);
    }
    const std::u16string folded = foldedCase(typed);
    if (const auto same = index.byFolded.find(folded);
        same != index.byFolded.end() && same->second.size() == 1) {
        return same->second.front();
    }
    const auto [known, added] = refusals_.try_emplace({c, entry});
    if (added) {
        known->second = refusalFor(c, typed, isIndex, folded);
    }
    throw UsageError(known->second);
}

std::string SkinSession::refusalFor(Category c, const std::string& typed, bool isIndex,
                                    const std::u16string& folded) {
    const CaptionIndex& index = captionIndex(c);
    const auto listed = [&](const std::vector<int>& entries) {
        std::vector<std::string> names;
        for (const int k : entries) {
            names.push_back(quoted(shortened(index.shown[static_cast<std::size_t>(k)])) + " (" +
                            std::to_string(k) + ")");
        }
        return names;
    };
    const std::string what = std::string(info(c).cliName) + " entry " + quoted(shortened(typed));
    const bool listFailed =
        std::any_of(listFailures_.begin(), listFailures_.end(),
                    [c](const ListFileFailure& failure) { return failure.category == c; });
    if (listFailed) {
        return "no " + what + ": its list file " + std::string(info(c).listFile) +
               " could not be read";
    }
    if (const auto same = index.byFolded.find(folded); same != index.byFolded.end()) {
        std::vector<int> entries = same->second;
        entries.resize(std::min(entries.size(), kShownCloseNames));
        return what +
               " matches several captions in other letter case: " + joinedNames(listed(entries));
    }
    if (isIndex) {
        return "no " + what + ": its entries are 0 to " + std::to_string(index.shown.size() - 1);
    }
    CloseNames close(folded);
    std::size_t looked = 0;
    for (; looked < index.distinct.size() && looked + close.work() < closeNameWork_; ++looked) {
        const int k = index.distinct[looked];
        close.offer(index.folded[static_cast<std::size_t>(k)], k);
    }
    closeNameWork_ -= std::min(looked + close.work(), closeNameWork_);
    return "no " + what + closestNames(listed(close.closest()));
}

void SkinSession::showInSlot(Category c, int index) {
    std::unique_ptr<TGraphic> picture;
    std::size_t& fileBytes = slotFileBytes_[static_cast<std::size_t>(c)];
    std::string& failure = slotFailure_[static_cast<std::size_t>(c)];
    if (const auto found = pictures_.find({c, index}); found != pictures_.end()) {
        picture = std::move(found->second.picture);
        fileBytes = found->second.fileBytes;
        failure = std::move(found->second.failure);
        cachedBytes_ -= found->second.bytes;
        pictures_.erase(found);
    } else {
        const std::string path = programFolder_ + catalogue_.pathOf(c, index);
        TPicture loader;
        loader.loadFromFile(path);
        picture = loader.release();
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        fileBytes = error ? 0 : static_cast<std::size_t>(size);
        failure.clear();
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture.get())) {
            try {
                jpeg->bitmap();
            } catch (const Exception& e) {
                failure = e.message();
            }
        }
    }
    PreviewSlot& slot = preview_.slot(c);
    slot.picture.assign(std::move(picture));
    slot.visible = true;
}

void SkinSession::returnToCache(Category c) {
    const auto i = static_cast<std::size_t>(c);
    const int index = slotEntry_[i];
    std::unique_ptr<TGraphic> picture = preview_.slot(c).picture.release();
    std::string failure = std::move(slotFailure_[i]);
    slotFailure_[i].clear();
    slotEntry_[i] = 0;
    cachedBytes_ -= slotBytes_[i];
    slotBytes_[i] = 0;
    if (!picture || index <= 0) {
        return;
    }
    const std::size_t fileBytes = slotFileBytes_[i];
    const std::size_t bytes = decodedBytes(*picture, fileBytes);
    cachedBytes_ += bytes;
    pictures_[{c, index}] =
        Cached{std::move(picture), fileBytes, bytes, ++uses_, std::move(failure)};
}

void SkinSession::trimCache() {
    while (cachedBytes_ > cacheBudget_ && !pictures_.empty()) {
        const auto oldest = std::min_element(
            pictures_.begin(), pictures_.end(),
            [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
        cachedBytes_ -= oldest->second.bytes;
        pictures_.erase(oldest);
    }
    for (std::size_t i = 0; i < kCategoryCount && cachedBytes_ > cacheBudget_; ++i) {
        if (slotEntry_[i] > 0) {
            returnToCache(kCategories[i].category);
            trimCache();  // what went into the cache goes now
        }
    }
}

void SkinSession::fillSlot(Category c, int index) {
    const auto i = static_cast<std::size_t>(c);
    PreviewSlot& slot = preview_.slot(c);
    slot.visible = index > 0;
    if (slotEntry_[i] != index) {
        returnToCache(c);  // leaves the slot without a picture, so no colour is made for it
    }
    // A part that failed to draw for its coloured copy is drawn again, so every skin that
    // shows it reports the failure.
    if (slot.colour != colours_[i] || colouringFailed_[i]) {
        preview_.setColour(c, colours_[i]);
    }
    colouringFailed_[i] = !slot.colouredFailure.empty();
    if (slotEntry_[i] != index && index > 0) {
        showInSlot(c, index);  // the coloured copy is made here, once
        slotEntry_[i] = index;
        colouringFailed_[i] = !slot.colouredFailure.empty();
    }
}

QImage SkinSession::compose(const Selection& selection, std::vector<std::string>& failures) {
    struct Settle {
        SkinSession& session;
        ~Settle() {
            // A slot's picture is counted once it has drawn: a JPEG decodes then.
            for (std::size_t i = 0; i < kCategoryCount; ++i) {
                session.cachedBytes_ -= session.slotBytes_[i];
                const TGraphic* picture =
                    session.preview_.slot(kCategories[i].category).picture.graphic();
                session.slotBytes_[i] = session.slotEntry_[i] > 0 && picture != nullptr
                                            ? decodedBytes(*picture, session.slotFileBytes_[i])
                                            : 0;
                session.cachedBytes_ += session.slotBytes_[i];
            }
            session.trimCache();
        }
    } settle{*this};

    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        fillSlot(kCategories[i].category, selection[i]);
    }
    QImage skin = preview_.renderSkin(failures);
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        if (slotEntry_[i] > 0 && !slotFailure_[i].empty()) {
            failures.push_back(slotFailure_[i]);
        }
    }
    return skin;
}

std::unique_ptr<PendingFile> prepareOutputFile(const std::string& path, const QImage& skin) {
    if (outputFormOf(path) == OutputForm::Bmp) {
        return prepareSkinFile(path, skin);
    }
    const Bytes png = encodePng(skin);
    const std::array<ByteView, 1> pieces = {ByteView(png)};
    return std::make_unique<PendingFile>(path, pieces);
}

void SkinSession::render(const Selection& selection, const std::string& output,
                         std::vector<std::string>& failures) {
    const std::unique_ptr<PendingFile> file =
        prepareOutputFile(output, compose(selection, failures));
    file->sync();
    file->commit();
}

Selection selectionFor(SkinSession& session, const EntryChoices& entries, bool recorded) {
    Selection selection{};
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        if (entries[i]) {
            const Category c = kCategories[i].category;
            selection[i] = recorded ? session.resolveRecorded(c, *entries[i])
                                    : session.resolve(c, *entries[i]);
        }
    }
    return selection;
}

void applyLook(SkinSession& session, const std::optional<std::string>& base,
               const ColourChoices& colours) {
    static_assert(std::is_same_v<ColourChoices, PartColours>, "a colour choice is a QRgb");
    session.setBase(base);
    session.setColours(colours);
}

Outfit recordedOutfitOf(const SkinSession& session, const std::string& skinName,
                        const Selection& selection, const std::optional<std::string>& base,
                        const PartColours& colours) {
    Outfit outfit;
    outfit.skin = skinName;
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        outfit.entries[i] =
            outfitEntryText(session.catalogue(), kCategories[i].category, selection[i]);
    }
    if (base) {
        // Recorded so that it is found from wherever the record is used.
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(*base, error);
        outfit.base = error ? *base : absolute.string();
    }
    outfit.colours = colours;
    return outfit;
}

void reportListFailures(const std::vector<ListFileFailure>& failures, std::ostream& err) {
    for (const ListFileFailure& failure : failures) {
        err << shownFailure(failureLine(failure.message, failure.cause)) << '\n';
    }
}

std::string shownFailure(const std::string& failure) {
    return text8::toLocale(escapeControls(text8::decoded(withClosingPeriod(failure))));
}

}  // namespace vestura::cli

// TPicture: the container a preview slot owns. Holds at most one picture; a load either
// replaces it whole or leaves it exactly as it was.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "picture/graphic.h"

namespace vestura {

class TPicture {
public:
    // Loads the file at `path` (8-bit, as the platform opens it), choosing the picture kind
    // by the path's extension. Raises EInvalidGraphic for an unknown extension (the file is
    // not opened), EFOpenError when the file cannot be opened, or the kind's own failure.
    // On success the previous picture is released and the owner notified.
    void loadFromFile(const std::string& path);

    // The message loadFromFile raises for `path` before opening anything, when no picture
    // kind reads its extension; empty when one does. Lets a caller that goes through many
    // entries skip the raise for the common refusal.
    static std::string unknownExtensionMessage(const std::string& path);

    // Takes `graphic` as the new picture and notifies the owner.
    void assign(std::unique_ptr<TGraphic> graphic);

    // Hands the picture over to the caller; the container is then empty. Owners are not
    // notified: the container is being emptied, not loaded.
    std::unique_ptr<TGraphic> release() { return std::move(graphic_); }

    TGraphic* graphic() const { return graphic_.get(); }
    int width() const { return graphic_ ? graphic_->width() : 0; }
    int height() const { return graphic_ ? graphic_->height() : 0; }

    // Called after every successful load.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

private:
    std::unique_ptr<TGraphic> graphic_;
    std::function<void()> onChange_;
};

}  // namespace vestura

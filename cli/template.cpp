// `vestura-cli template`: the base skin with every category's box outlined and named, or
// the canvas for one category's part, written as PNG or BMP.
#include <QImage>

#include "cli/commands.h"
#include "cli/skins_output.h"
#include "common/file_io.h"
#include "picture/bmp/bmp_writer.h"
#include "picture/builtin.h"
#include "picture/png/png_writer.h"
#include "skin/skin_template.h"

namespace vestura::cli {

namespace {

// The command line admits only FILE.png or FILE.bmp, in any letter case.
bool endsWithPng(const std::string& path) {
    return QString::fromLocal8Bit(path.c_str())
        .endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
}

}  // namespace

int runTemplate(const Invocation& invocation) {
    SkinsFolderNames().check(invocation.output);
    const std::unique_ptr<TBitmap> base = loadBuiltinBitmap(BuiltinPicture::BaseSkin);
    const QImage picture =
        invocation.category ? partCanvas(*base, *invocation.category) : outlinedSkin(*base);
    const Bytes file =
        endsWithPng(invocation.output) ? encodePng(picture) : encodeBmp24(picture, {});
    writeFileSafely(invocation.output, {file});
    return 0;
}

}  // namespace vestura::cli

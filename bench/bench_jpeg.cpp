// JPEG decoding: TJPEGImage's load and first draw against a plain libjpeg loop with the same
// parameters (float IDCT, block smoothing, blue-green-red rows into a QImage), on a
// 1024 x 1024 baseline colour JPEG. The picture should stay within 1.1x of the plain loop.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <csetjmp>

#include "picture/jpeg/jpeg_image.h"
#include "picture/jpeg/jpeg_library.h"

namespace {

constexpr int kSide = 1024;
constexpr int kQuality = 90;

// A photograph-like test picture: smooth gradients with fine texture on top.
QImage sourcePicture() {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int texture = ((x * 7) ^ (y * 13)) & 31;
            image.setPixel(x, y,
                           qRgb((x / 4 + texture) & 255, (y / 4 + texture) & 255,
                                ((x + y) / 8 + texture) & 255));
        }
    }
    return image;
}

const vestura::Bytes& testJpeg() {
    static const vestura::Bytes bytes = [] {
        QByteArray file;
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(kQuality);
        if (!writer.write(sourcePicture())) {
            qFatal("cannot encode the benchmark JPEG: %s", qPrintable(writer.errorString()));
        }
        return vestura::Bytes(file.begin(), file.end());
    }();
    return bytes;
}

struct PlainErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void plainErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<PlainErrors*>(info->err)->jump, 1);
}

// The plain loop: libjpeg's own memory source, one row per call straight into the image.
bool decodePlain(const vestura::Bytes& jpeg, QImage& image) {
    jpeg_decompress_struct info{};
    PlainErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = &plainErrorExit;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), jpeg.size());
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = 1;
    info.do_block_smoothing = TRUE;
    info.dct_method = JDCT_FLOAT;
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_BGR888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

void PlainLibjpegLoop(benchmark::State& state) {
    const vestura::Bytes& jpeg = testJpeg();
    for (auto _ : state) {
        QImage image;
        if (!decodePlain(jpeg, image)) {
            state.SkipWithError("libjpeg failed");
            return;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

void PictureLoadAndDecode(benchmark::State& state) {
    const vestura::Bytes& jpeg = testJpeg();
    for (auto _ : state) {
        vestura::TJPEGImage picture;
        picture.loadFromBytes(jpeg);
        benchmark::DoNotOptimize(picture.bitmap().image().constBits());
    }
}

// The same two, each followed by one draw of the result onto a screen-format canvas, as
// the preview's first paint does.
void PlainLibjpegLoopAndDraw(benchmark::State& state) {
    const vestura::Bytes& jpeg = testJpeg();
    QImage canvas(kSide, kSide, QImage::Format_RGB32);
    for (auto _ : state) {
        QImage image;
        decodePlain(jpeg, image);
        QPainter painter(&canvas);
        painter.drawImage(canvas.rect(), image);
    }
}

void PictureLoadAndFirstDraw(benchmark::State& state) {
    const vestura::Bytes& jpeg = testJpeg();
    QImage canvas(kSide, kSide, QImage::Format_RGB32);
    for (auto _ : state) {
        vestura::TJPEGImage picture;
        picture.loadFromBytes(jpeg);
        QPainter painter(&canvas);
        picture.draw(painter, canvas.rect());
    }
}

BENCHMARK(PlainLibjpegLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(PictureLoadAndDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLibjpegLoopAndDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(PictureLoadAndFirstDraw)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

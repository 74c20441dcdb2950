// fxplot IN OUT.png: a picture of an audio file's waveform, one lane per channel. Each
// pixel column shows the lowest and highest sample of the stretch of time it covers;
// columns that go past full scale are drawn in red. Faint lines mark half scale and
// every second.
#include "audio_files.h"
#include "pending_output.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

constexpr int kWidth = 1000;
constexpr int kLaneHeight = 200;
constexpr int kSeparator = 2; // pixels between lanes

struct Colour {
    std::uint8_t r, g, b;
};
constexpr Colour kBackground{250, 250, 246};
constexpr Colour kSeparatorColour{170, 170, 170};
constexpr Colour kCentreLine{190, 190, 190};
constexpr Colour kHalfScale{225, 225, 220};
constexpr Colour kWave{31, 78, 153};
constexpr Colour kClipped{200, 30, 30};

class Image {
public:
    Image(int width, int height)
        : width(width), height(height), pixels(static_cast<std::size_t>(width * height * 3)) {}

    void set(int x, int y, Colour c) {
        std::uint8_t* p = &pixels[static_cast<std::size_t>((y * width + x) * 3)];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }
    void fillColumn(int x, int top, int rows, Colour c) {
        for (int y = top; y < top + rows; ++y)
            set(x, y, c);
    }
    void fillRows(int top, int rows, Colour c) {
        for (int y = top; y < top + rows; ++y)
            for (int x = 0; x < width; ++x)
                set(x, y, c);
    }
    std::uint8_t* row(int y) { return &pixels[static_cast<std::size_t>(y * width * 3)]; }

    const int width;
    const int height;

private:
    std::vector<std::uint8_t> pixels;
};

struct Span {
    float low;
    float high;
};

// The lowest and highest sample of one channel within each pixel column.
std::vector<Span> envelope(const std::vector<float>& interleaved, int channels, int channel) {
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    std::vector<Span> columns;
    if (frames == 0) return columns;
    for (std::size_t x = 0; x < kWidth; ++x) {
        const std::size_t begin = x * frames / kWidth;
        const std::size_t end = std::max(begin + 1, (x + 1) * frames / kWidth);
        Span span{interleaved[begin * channels + channel], interleaved[begin * channels + channel]};
        for (std::size_t f = begin; f < end; ++f) {
            const float v = interleaved[f * channels + channel];
            span.low = std::min(span.low, v);
            span.high = std::max(span.high, v);
        }
        columns.push_back(span);
    }
    return columns;
}

void drawLane(Image& image, int top, const std::vector<Span>& columns) {
    const auto yOf = [top](double v) {
        const double clamped = std::clamp(v, -1.0, 1.0);
        return top + static_cast<int>(std::lround((1.0 - clamped) * 0.5 * (kLaneHeight - 1)));
    };
    image.fillRows(yOf(0.5), 1, kHalfScale);
    image.fillRows(yOf(-0.5), 1, kHalfScale);
    image.fillRows(yOf(0.0), 1, kCentreLine);
    for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
        const Span s = columns[static_cast<std::size_t>(x)];
        const bool clipped = s.high > 1.0f || s.low < -1.0f;
        for (int y = yOf(s.high); y <= yOf(s.low); ++y)
            image.set(x, y, clipped ? kClipped : kWave);
    }
}

void drawSecondMarks(Image& image, std::size_t frames, int sampleRate) {
    if (frames == 0) return;
    for (std::size_t second = 1;; ++second) {
        const std::size_t x = second * static_cast<std::size_t>(sampleRate) * kWidth / frames;
        if (x >= kWidth) break;
        image.fillColumn(static_cast<int>(x), 0, image.height, kHalfScale);
    }
}

Image drawWaveform(const std::vector<float>& interleaved, int channels, int sampleRate) {
    Image image(kWidth, channels * kLaneHeight + (channels - 1) * kSeparator);
    image.fillRows(0, image.height, kBackground);
    drawSecondMarks(image, interleaved.size() / static_cast<std::size_t>(channels), sampleRate);
    for (int c = 0; c < channels; ++c) {
        const int top = c * (kLaneHeight + kSeparator);
        if (c > 0) image.fillRows(top - kSeparator, kSeparator, kSeparatorColour);
        drawLane(image, top, envelope(interleaved, channels, c));
    }
    return image;
}

// libpng reports errors by longjmp, so nothing with a destructor is created after setjmp.
bool encodePng(Image& image, std::FILE* file) {
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y)
        rows[static_cast<std::size_t>(y)] = image.row(y);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void writePng(Image& image, const std::string& path) {
    PendingOutput pending(path);
    std::FILE* file = fdopen(pending.releaseDescriptor(), "wb");
    if (!file) throw std::runtime_error("cannot write '" + path + "'");
    const bool encoded = encodePng(image, file);
    if (std::fclose(file) != 0 || !encoded) throw std::runtime_error("cannot write '" + path + "'");
    pending.commit();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fxplot IN OUT.png\n"
                             "  draws the waveform of the audio file IN, one lane per channel\n");
        return 2;
    }
    try {
        SoundFileReader input(argv[1]);
        const std::vector<float> samples = input.readAll();
        Image image = drawWaveform(samples, input.channels(), input.sampleRate());
        writePng(image, argv[2]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fxplot: %s\n", error.what());
        return 1;
    }
}

// squeezer_snapshot: the squeezer's editor as it draws itself, rendered with the
// in-memory window system: the same effect code and pictures as the plug-in.
//
//   squeezer_snapshot OUT.png [--param INDEX=VALUE]... [--level L]
//       Writes the editor's window as a PNG. --level runs a steady level L through the
//       compressor first, so that the meter shows its reduction.
//   squeezer_snapshot --compare SCREEN.png X Y [--param INDEX=VALUE]...
//       Compares the editor drawn for those parameters with the screenshot's 304 x 99
//       pixels at (X, Y), leaving out the meter (its level moves with the audio). Prints
//       the number of differing pixels; exits 1 when there are any.
#include "module_entry.h"
#include "plugin_host.h"
#include "window_memory.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 304;
constexpr int kHeight = 99;
constexpr int kMeterX = 20, kMeterY = 74, kMeterWidth = 115, kMeterHeight = 9;

int usage() {
    std::fputs("usage: squeezer_snapshot OUT.png [--param INDEX=VALUE]... [--level L]\n"
               "       squeezer_snapshot --compare SCREEN.png X Y [--param INDEX=VALUE]...\n",
               stderr);
    return 2;
}

bool writePng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width,
              int height) {
    std::vector<unsigned char> rgb;
    for (std::uint32_t p : pixels) {
        rgb.push_back(static_cast<unsigned char>(p >> 16));
        rgb.push_back(static_cast<unsigned char>(p >> 8));
        rgb.push_back(static_cast<unsigned char>(p));
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool readPng(const std::string& path, std::vector<unsigned char>& rgb, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, compare;
    int atX = 0, atY = 0;
    float level = 0.0f;
    std::vector<std::pair<int, float>> parameters;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--param" && i + 1 < args.size()) {
            const std::string& s = args[++i];
            const auto equals = s.find('=');
            if (equals == std::string::npos) return usage();
            parameters.emplace_back(std::atoi(s.substr(0, equals).c_str()),
                                    std::strtof(s.c_str() + equals + 1, nullptr));
        } else if (args[i] == "--level" && i + 1 < args.size()) {
            level = std::strtof(args[++i].c_str(), nullptr);
        } else if (args[i] == "--compare" && i + 3 < args.size()) {
            compare = args[++i];
            atX = std::atoi(args[++i].c_str());
            atY = std::atoi(args[++i].c_str());
        } else if (out.empty() && args[i].rfind("--", 0) != 0) {
            out = args[i];
        } else {
            return usage();
        }
    }
    if (out.empty() == compare.empty()) return usage();

    auto plugin = fxhost::Plugin::attach("squeezer", runMain);
    for (const auto& [index, value] : parameters)
        plugin->setParameter(index, value);
    fxwin::WindowHandle host = fxwin::memory::createHostWindow(kWidth, kHeight);
    plugin->dispatch(opEditOpen, 0, 0, host);
    const fxwin::WindowHandle editor = fxwin::memory::windows().back();
    if (level > 0.0f) {
        std::vector<float> in(512, level), discard(512);
        float* ins[] = {in.data(), in.data()};
        float* outs[] = {discard.data(), discard.data()};
        for (int block = 0; block < 64; ++block)
            plugin->processReplacing(ins, outs, 512);
    }
    fxwin::memory::dispatchAll();
    const std::vector<std::uint32_t> pixels = fxwin::memory::surface(editor);

    if (!out.empty()) {
        if (!writePng(out, pixels, kWidth, kHeight)) {
            std::fprintf(stderr, "squeezer_snapshot: cannot write %s\n", out.c_str());
            return 1;
        }
        return 0;
    }
    std::vector<unsigned char> screen;
    int width = 0, height = 0;
    if (!readPng(compare, screen, width, height)) {
        std::fprintf(stderr, "squeezer_snapshot: cannot read %s\n", compare.c_str());
        return 1;
    }
    if (atX < 0 || atY < 0 || atX + kWidth > width || atY + kHeight > height) {
        std::fprintf(stderr, "squeezer_snapshot: the editor does not fit the screenshot there\n");
        return 1;
    }
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool meter = x >= kMeterX && x < kMeterX + kMeterWidth && y >= kMeterY &&
                               y < kMeterY + kMeterHeight;
            if (meter) continue;
            const unsigned char* s =
                &screen[(static_cast<std::size_t>(atY + y) * width + atX + x) * 3];
            const std::uint32_t shown = std::uint32_t(s[0]) << 16 | std::uint32_t(s[1]) << 8 | s[2];
            if (shown != pixels[static_cast<std::size_t>(y) * kWidth + x]) ++differing;
        }
    std::printf("%d differing pixels\n", differing);
    return differing == 0 ? 0 : 1;
}

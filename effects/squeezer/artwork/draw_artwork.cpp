// Draws the squeezer editor's pictures and writes them as a C++ source of resource tables
// (and, for review, as PNG files). Run by the build; the pictures are code, so that they
// can be changed and reviewed like the rest.
//
// Usage: draw_artwork OUTPUT.cpp PNG_FOLDER [OUTPUT.rc]
//
// With OUTPUT.rc (the Windows builds), it also writes each picture as a BMP file into the
// folder and a resource script that compiles them into the module as bitmap resources
// under the same numbers.
//
// Every picture is a strip of equal frames one pixel apart (white columns between them).
// The panel's colour depends on the row only, so that a control's frames, drawn apart
// from the background, match the panel around them exactly.
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr const char* kFont = "DejaVu Sans";

struct Colour {
    double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void setColour(cairo_t* cr, Colour c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

// The blue panel, darker toward the bottom.
Colour panelAt(int row) {
    const Colour top{0.16, 0.33, 0.62};
    const Colour bottom{0.07, 0.17, 0.38};
    return mix(top, bottom, row / 98.0);
}

// Fills a rectangle with the panel as it is at rows top..top+height of the editor.
void fillPanel(cairo_t* cr, double x, double width, int panelTop, int height, double y = 0) {
    for (int row = 0; row < height; ++row) {
        setColour(cr, panelAt(panelTop + row));
        cairo_rectangle(cr, x, y + row, width, 1);
        cairo_fill(cr);
    }
}

struct Picture {
    int id;
    int width, height;
    cairo_surface_t* surface;
};

// A strip of `frames` frames of frameWidth x height, white between them; draw(cr, k) draws
// frame k with its origin at the frame's top left corner.
Picture strip(int id, int frames, int frameWidth, int height,
              const std::function<void(cairo_t*, int)>& draw) {
    const int width = frames * (frameWidth + 1) - 1;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    for (int k = 0; k < frames; ++k) {
        cairo_save(cr);
        cairo_translate(cr, k * (frameWidth + 1), 0);
        cairo_rectangle(cr, 0, 0, frameWidth, height);
        cairo_clip(cr);
        draw(cr, k);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    return {id, width, height, surface};
}

void useFont(cairo_t* cr, double size, bool bold = true) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

enum class Align { Left, Centre, Right };

void text(cairo_t* cr, const char* s, double x, double baseline, Align align, Colour c) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s, &e);
    double left = x;
    if (align == Align::Centre) left = x - e.x_advance / 2;
    if (align == Align::Right) left = x - e.x_advance;
    setColour(cr, c);
    cairo_move_to(cr, std::round(left), baseline);
    cairo_show_text(cr, s);
}

// ---- the controls ----

constexpr int kKnobTop = 20, kKnobSize = 44, kKnobFrames = 50;
constexpr int kSwitchTop = 20, kSwitchSize = 29;
constexpr int kLedTop = 49, kLedWidth = 7, kLedHeight = 15;
constexpr int kMeterLeft = 20, kMeterTop = 74, kMeterWidth = 115, kMeterHeight = 9, kDots = 16;
constexpr double kKnobSweep = 270.0; // degrees, clockwise from the lower left

const Colour kLabel{0.93, 0.95, 1.0};
const Colour kScale{0.72, 0.80, 0.93};

void drawKnob(cairo_t* cr, int frame) {
    fillPanel(cr, 0, kKnobSize, kKnobTop, kKnobSize);
    const double c = kKnobSize / 2.0;
    // Scale ticks around the knob, from the lower left over the top to the lower right.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int t = 0; t <= 10; ++t) {
        const double a = (-135.0 + 27.0 * t) * kPi / 180.0;
        const double s = std::sin(a), co = -std::cos(a);
        const double inner = t % 5 == 0 ? 17.5 : 18.5;
        cairo_move_to(cr, c + inner * s, c + inner * co);
        cairo_line_to(cr, c + 20.5 * s, c + 20.5 * co);
        setColour(cr, kScale, t % 5 == 0 ? 1.0 : 0.7);
        cairo_set_line_width(cr, t % 5 == 0 ? 1.4 : 1.0);
        cairo_stroke(cr);
    }
    // Shadow, body with a light from the upper left, rim.
    cairo_arc(cr, c + 0.8, c + 1.4, 15.5, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 0, 0, 0.05, 0.45);
    cairo_fill(cr);
    cairo_pattern_t* body = cairo_pattern_create_radial(c - 5, c - 6, 1, c, c, 16);
    cairo_pattern_add_color_stop_rgb(body, 0, 0.93, 0.93, 0.94);
    cairo_pattern_add_color_stop_rgb(body, 0.55, 0.70, 0.71, 0.73);
    cairo_pattern_add_color_stop_rgb(body, 1, 0.42, 0.43, 0.46);
    cairo_arc(cr, c, c, 15, 0, 2 * kPi);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    cairo_set_source_rgba(cr, 0.15, 0.16, 0.2, 0.9);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // Inner cap.
    cairo_pattern_t* cap = cairo_pattern_create_linear(c - 10, c - 10, c + 10, c + 10);
    cairo_pattern_add_color_stop_rgb(cap, 0, 0.86, 0.86, 0.88);
    cairo_pattern_add_color_stop_rgb(cap, 1, 0.55, 0.56, 0.59);
    cairo_arc(cr, c, c, 11, 0, 2 * kPi);
    cairo_set_source(cr, cap);
    cairo_fill(cr);
    cairo_pattern_destroy(cap);
    // The pointer groove: frame 0 at the lower left (7:30), frame 49 at the lower right.
    const double angle = (-135.0 + kKnobSweep * frame / (kKnobFrames - 1)) * kPi / 180.0;
    const double s = std::sin(angle), co = -std::cos(angle);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, c + 4 * s, c + 4 * co);
    cairo_line_to(cr, c + 13.5 * s, c + 13.5 * co);
    cairo_set_line_width(cr, 3.0);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
    cairo_stroke(cr);
    cairo_move_to(cr, c + 4 * s, c + 4 * co);
    cairo_line_to(cr, c + 13.5 * s, c + 13.5 * co);
    cairo_set_line_width(cr, 1.8);
    cairo_set_source_rgb(cr, 0.12, 0.12, 0.16);
    cairo_stroke(cr);
}

void drawPowerButton(cairo_t* cr, int frame) {
    fillPanel(cr, 0, kSwitchSize, kSwitchTop, kSwitchSize);
    const double c = kSwitchSize / 2.0;
    const bool lit = frame != 1;
    const double press = lit ? 0.0 : 0.8;
    cairo_arc(cr, c + 0.6, c + 1.2, 12.5, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 0, 0, 0.05, lit ? 0.45 : 0.25);
    cairo_fill(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, 2, 0, 27);
    cairo_pattern_add_color_stop_rgb(body, 0, lit ? 0.90 : 0.55, lit ? 0.90 : 0.56,
                                     lit ? 0.92 : 0.6);
    cairo_pattern_add_color_stop_rgb(body, 1, lit ? 0.50 : 0.38, lit ? 0.51 : 0.39,
                                     lit ? 0.55 : 0.43);
    cairo_arc(cr, c, c + press, 12, 0, 2 * kPi);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    cairo_set_source_rgb(cr, 0.13, 0.14, 0.19);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // The power symbol: a broken ring and a bar, glowing when lit.
    const Colour glyph = lit ? Colour{0.25, 0.85, 1.0} : Colour{0.22, 0.25, 0.32};
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 1.8);
    setColour(cr, glyph);
    cairo_arc(cr, c, c + press + 0.5, 5.5, -kPi / 2 + 0.65, 3 * kPi / 2 - 0.65);
    cairo_stroke(cr);
    cairo_move_to(cr, c, c + press - 6.5);
    cairo_line_to(cr, c, c + press - 0.5);
    cairo_stroke(cr);
}

void drawLed(cairo_t* cr, double cy, bool lit, Colour colour) {
    const double cx = kLedWidth / 2.0;
    cairo_arc(cr, cx, cy, 3.2, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.05, 0.07, 0.12);
    cairo_fill(cr);
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - 0.8, cy - 0.8, 0.2, cx, cy, 2.6);
    const Colour dark = mix(colour, Colour{0.1, 0.1, 0.12}, 0.8);
    const Colour centre =
        lit ? mix(colour, Colour{1, 1, 1}, 0.6) : mix(dark, Colour{1, 1, 1}, 0.12);
    const Colour edge = lit ? colour : dark;
    cairo_pattern_add_color_stop_rgb(p, 0, centre.r, centre.g, centre.b);
    cairo_pattern_add_color_stop_rgb(p, 1, edge.r, edge.g, edge.b);
    cairo_arc(cr, cx, cy, 2.6, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void drawLedPair(cairo_t* cr, int frame) {
    fillPanel(cr, 0, kLedWidth, kLedTop, kLedHeight);
    drawLed(cr, 3.5, frame == 0, Colour{0.25, 0.95, 0.35});
    drawLed(cr, 11.5, frame == 2, Colour{1.0, 0.25, 0.2});
}

// The dots of the meter; `lit` of them, counted from the right.
void drawMeterDots(cairo_t* cr, int lit) {
    const double pitch = kMeterWidth / double(kDots);
    for (int d = 0; d < kDots; ++d) {
        const double cx = pitch * (d + 0.5);
        const double cy = kMeterHeight / 2.0;
        const bool on = d >= kDots - lit;
        cairo_arc(cr, cx, cy, 3.4, 0, 2 * kPi);
        cairo_set_source_rgb(cr, 0.03, 0.06, 0.13);
        cairo_fill(cr);
        // Amber toward the right, red where the reduction is deepest (left).
        const Colour hot = mix(Colour{1.0, 0.78, 0.15}, Colour{1.0, 0.18, 0.1}, 1.0 - d / 15.0);
        const Colour c = on ? hot : Colour{0.10, 0.14, 0.24};
        cairo_pattern_t* p = cairo_pattern_create_radial(cx - 0.8, cy - 0.8, 0.3, cx, cy, 2.8);
        const Colour centre = mix(c, Colour{1, 1, 1}, on ? 0.55 : 0.1);
        cairo_pattern_add_color_stop_rgb(p, 0, centre.r, centre.g, centre.b);
        cairo_pattern_add_color_stop_rgb(p, 1, c.r, c.g, c.b);
        cairo_arc(cr, cx, cy, 2.7, 0, 2 * kPi);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
}

int litDots(int frame) {
    return frame <= 13 ? frame : frame + 1;
}

void drawMeter(cairo_t* cr, int frame) {
    fillPanel(cr, 0, kMeterWidth, kMeterTop, kMeterHeight);
    drawMeterDots(cr, litDots(frame));
}

// ---- the background ----

void drawLogo(cairo_t* cr, double x, double y) {
    // Inside the about hot rectangle (204, 72, 94 x 21).
    cairo_save(cr);
    useFont(cr, 12.5);
    cairo_text_extents_t e;
    cairo_text_extents(cr, "Squashbox", &e);
    text(cr, "Squashbox", x, y + 15, Align::Left, Colour{0.95, 0.97, 1.0});
    const double numeralX = x + e.x_advance + 3;
    cairo_arc(cr, numeralX + 7.5, y + 10.5, 8, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 1.0, 0.62, 0.12);
    cairo_fill(cr);
    useFont(cr, 12);
    text(cr, "2", numeralX + 7.5, y + 15, Align::Centre, Colour{0.08, 0.15, 0.34});
    cairo_restore(cr);
}

Picture background() {
    constexpr int width = 304, height = 99;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    fillPanel(cr, 0, width, 0, height);
    // A bevel around the panel and a groove above the meter row.
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
    cairo_move_to(cr, 0.5, height - 0.5);
    cairo_line_to(cr, 0.5, 0.5);
    cairo_line_to(cr, width - 0.5, 0.5);
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
    cairo_move_to(cr, width - 0.5, 0.5);
    cairo_line_to(cr, width - 0.5, height - 0.5);
    cairo_line_to(cr, 0.5, height - 0.5);
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
    cairo_move_to(cr, 8, 69.5);
    cairo_line_to(cr, width - 8, 69.5);
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_move_to(cr, 8, 70.5);
    cairo_line_to(cr, width - 8, 70.5);
    cairo_stroke(cr);

    useFont(cr, 7);
    text(cr, "POWER", 41.5, 15, Align::Centre, kLabel);
    const char* names[] = {"RATIO", "THRESHOLD", "ATTACK", "RELEASE", "MAKE-UP GAIN"};
    const char* lows[] = {"1:1", "-Inf. dB", "1 \u00b5s", "1 ms", "-20 dB"};
    const char* highs[] = {"20:1", "0", "1600", "1600", "+20"};
    for (int k = 0; k < 5; ++k) {
        const double left = 64 + 44 * k, centre = left + 22;
        // The last label is the widest: it leans into the free panel on the right.
        useFont(cr, k == 4 ? 6.3 : 7);
        text(cr, names[k], k == 4 ? centre + 3 : centre, 15, Align::Centre, kLabel);
        useFont(cr, 5.2, false);
        text(cr, lows[k], left + 4, 68, Align::Left, kScale);
        text(cr, highs[k], left + 40, 68, Align::Right, kScale);
    }
    useFont(cr, 6, true);
    text(cr, "On", 29, 55.5, Align::Left, kScale);
    text(cr, "Off", 29, 63.5, Align::Left, kScale);

    cairo_save(cr);
    cairo_translate(cr, kMeterLeft, kMeterTop);
    drawMeterDots(cr, 0);
    cairo_restore(cr);
    useFont(cr, 6.5);
    text(cr, "GAIN REDUCTION", 140, 81, Align::Left, kLabel);
    drawLogo(cr, 207, 73);
    cairo_destroy(cr);
    return {203, width, height, surface};
}

Picture aboutPicture() {
    constexpr int width = 300, height = 200;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.18, 0.36, 0.66);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.05, 0.12, 0.30);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    // A compression curve behind the title: straight, then bent at the threshold.
    cairo_set_line_width(cr, 2);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_move_to(cr, 20, 180);
    cairo_line_to(cr, 150, 70);
    cairo_line_to(cr, 285, 40);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_scale(cr, 2.0, 2.0);
    drawLogo(cr, 20, 14);
    cairo_restore(cr);
    useFont(cr, 11, false);
    text(cr, "Stereo-linked peak compressor", 150, 100, Align::Centre, kLabel);
    useFont(cr, 9, false);
    const char* credits[] = {"Version 2.0", "Threshold, ratio, attack, release, make-up gain",
                             "Artwork drawn from code at build time"};
    for (int i = 0; i < 3; ++i)
        text(cr, credits[i], 150, 128 + 16 * i, Align::Centre, kScale);
    useFont(cr, 8, false);
    text(cr, "Click anywhere in the editor to close", 150, 190, Align::Centre,
         Colour{0.6, 0.68, 0.82});
    cairo_destroy(cr);
    return {103, width, height, surface};
}

bool writeSource(const std::string& path, const std::vector<Picture>& pictures) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    std::fprintf(out, "// Generated by draw_artwork from effects/squeezer/artwork; do not edit.\n"
                      "#include \"window_system.h\"\n\nnamespace {\n\n");
    for (const Picture& p : pictures) {
        cairo_surface_flush(p.surface);
        const unsigned char* data = cairo_image_surface_get_data(p.surface);
        const int stride = cairo_image_surface_get_stride(p.surface);
        std::fprintf(out, "const std::uint32_t picture%d[] = {\n", p.id);
        for (int y = 0; y < p.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            for (int x = 0; x < p.width; ++x)
                std::fprintf(out, "0x%06X,%s", row[x] & 0xFFFFFFu, (x % 12 == 11) ? "\n" : "");
            std::fprintf(out, "\n");
        }
        std::fprintf(out, "};\n\n");
    }
    std::fprintf(out, "const fxwin::PictureResource pictures[] = {\n");
    for (const Picture& p : pictures)
        std::fprintf(out, "    {%d, %d, %d, picture%d},\n", p.id, p.width, p.height, p.id);
    std::fprintf(out,
                 "};\n\n} // namespace\n\nnamespace fxwin {\n\n"
                 "const ResourceTable& moduleResources() {\n"
                 "    static const ResourceTable table{pictures, %d};\n"
                 "    return table;\n}\n\n} // namespace fxwin\n",
                 static_cast<int>(pictures.size()));
    return std::fclose(out) == 0;
}

void putLittleEndian(std::vector<unsigned char>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A 24-bit bottom-up BMP file: the form a resource compiler takes for a bitmap resource.
bool writeBitmapFile(const std::string& path, const Picture& p) {
    cairo_surface_flush(p.surface);
    const unsigned char* data = cairo_image_surface_get_data(p.surface);
    const int stride = cairo_image_surface_get_stride(p.surface);
    const std::uint32_t rowSize = (static_cast<std::uint32_t>(p.width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = rowSize * static_cast<std::uint32_t>(p.height);
    constexpr std::uint32_t kHeadersSize = 14 + 40;
    std::vector<unsigned char> bytes;
    bytes.push_back('B');
    bytes.push_back('M');
    putLittleEndian(bytes, kHeadersSize + imageSize, 4);
    putLittleEndian(bytes, 0, 4);
    putLittleEndian(bytes, kHeadersSize, 4);
    putLittleEndian(bytes, 40, 4); // the information header
    putLittleEndian(bytes, static_cast<std::uint32_t>(p.width), 4);
    putLittleEndian(bytes, static_cast<std::uint32_t>(p.height), 4);
    putLittleEndian(bytes, 1, 2);  // planes
    putLittleEndian(bytes, 24, 2); // bits per pixel
    putLittleEndian(bytes, 0, 4);  // uncompressed
    putLittleEndian(bytes, imageSize, 4);
    putLittleEndian(bytes, 2835, 4); // 72 dots per inch
    putLittleEndian(bytes, 2835, 4);
    putLittleEndian(bytes, 0, 4);
    putLittleEndian(bytes, 0, 4);
    for (int y = p.height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        std::uint32_t written = 0;
        for (int x = 0; x < p.width; ++x, written += 3)
            putLittleEndian(bytes, row[x] & 0xFFFFFFu, 3); // blue, green, red
        for (; written < rowSize; ++written)
            bytes.push_back(0);
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool complete = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && complete;
}

bool writeResourceScript(const std::string& path, const std::string& folder,
                         const std::vector<Picture>& pictures) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    std::fprintf(out, "// Generated by draw_artwork from effects/squeezer/artwork; do not edit.\n");
    bool written = true;
    for (const Picture& p : pictures) {
        const std::string bitmap = folder + "/picture" + std::to_string(p.id) + ".bmp";
        written = writeBitmapFile(bitmap, p) && written;
        std::fprintf(out, "%d BITMAP \"%s\"\n", p.id, bitmap.c_str());
    }
    return std::fclose(out) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: draw_artwork OUTPUT.cpp PNG_FOLDER [OUTPUT.rc]\n");
        return 2;
    }
    std::vector<Picture> pictures = {
        strip(101, 3, kSwitchSize, kSwitchSize, drawPowerButton),
        strip(102, 3, kLedWidth, kLedHeight, drawLedPair),
        aboutPicture(),
        background(),
        strip(204, kKnobFrames, kKnobSize, kKnobSize, drawKnob),
        strip(208, 16, kMeterWidth, kMeterHeight, drawMeter),
    };
    int status = 0;
    for (const Picture& p : pictures) {
        const std::string png = std::string(argv[2]) + "/picture" + std::to_string(p.id) + ".png";
        if (cairo_surface_write_to_png(p.surface, png.c_str()) != CAIRO_STATUS_SUCCESS) status = 1;
    }
    if (!writeSource(argv[1], pictures)) {
        std::fprintf(stderr, "draw_artwork: cannot write %s\n", argv[1]);
        status = 1;
    }
    if (argc == 4 && !writeResourceScript(argv[3], argv[2], pictures)) {
        std::fprintf(stderr, "draw_artwork: cannot write %s and its bitmaps\n", argv[3]);
        status = 1;
    }
    for (Picture& p : pictures)
        cairo_surface_destroy(p.surface);
    cairo_debug_reset_static_data();
    return status;
}

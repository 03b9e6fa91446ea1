// Writes the bundled sample photo: a drawn 640x480 picture (sky gradient,
// sun, two hills, a lake), encoded by libjpeg-turbo, with an Exif APP1 block
// right after SOI that names the camera and holds a GPS position and time.
//
// usage: tamlix_make_sample OUTPUT.jpg    (the repository keeps res/sample.jpg)
#include "tests/support/JpegBuilder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace testjpeg;

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Rgb { int r, g, b; };

Rgb Mix(Rgb a, Rgb b, double t) {
    return {static_cast<int>(a.r + (b.r - a.r) * t), static_cast<int>(a.g + (b.g - a.g) * t),
            static_cast<int>(a.b + (b.b - a.b) * t)};
}

// The colour of one pixel; every shape is a formula, nothing is read in.
Rgb Pixel(int x, int y) {
    const double horizon = 300;
    double hill1 = horizon - 110 * std::exp(-std::pow((x - 170) / 140.0, 2));
    double hill2 = horizon - 70 * std::exp(-std::pow((x - 470) / 110.0, 2));
    double hills = std::min(hill1, hill2);
    if (y < hills) {
        double dx = x - 500, dy = y - 90;
        if (dx * dx + dy * dy < 45 * 45) return {255, 236, 150};   // sun
        return Mix({40, 90, 190}, {250, 200, 150}, y / horizon);     // sky
    }
    if (y < horizon) return Mix({40, 110, 60}, {90, 150, 70}, (y - hills) / 110.0);  // hills
    // Lake, with a darker band every 24 rows for ripples.
    Rgb water = Mix({70, 130, 190}, {20, 50, 110}, (y - horizon) / (kHeight - horizon));
    if ((y - static_cast<int>(horizon)) % 24 < 2 && (x / 40) % 3 != 0) water = Mix(water, {230, 240, 255}, 0.4);
    return water;
}

std::vector<unsigned char> DrawPicture() {
    std::vector<unsigned char> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            Rgb c = Pixel(x, y);
            unsigned char* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            p[0] = static_cast<unsigned char>(c.r);
            p[1] = static_cast<unsigned char>(c.g);
            p[2] = static_cast<unsigned char>(c.b);
        }
    return rgb;
}

// The encoded picture; empty on failure.
Bytes Encode(const std::vector<unsigned char>& rgb) {
    tjhandle h = tjInitCompress();
    if (h == nullptr) return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(h, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &out, &size, TJSAMP_420, 85,
                         TJFLAG_ACCURATEDCT);
    Bytes jpeg;
    if (rc == 0) jpeg.assign(out, out + size);
    else std::fprintf(stderr, "tjCompress2: %s\n", tjGetErrorStr2(h));
    tjFree(out);
    tjDestroy(h);
    return jpeg;
}

Bytes AsciiWithNul(const char* text) {
    Bytes b(text, text + std::char_traits<char>::length(text));
    b.push_back(0);
    return b;
}

// SOI followed by the Exif APP1 segment: the builder's file up to its first
// segment's end. Tags in ascending order, with the resolution and chroma
// positioning a JPEG's 0th IFD is expected to carry.
Bytes ExifHead() {
    const Bytes date = AsciiWithNul("2026:12:07");
    Bytes f = ExifBuilder(Order::II)
                  .Ifd0Text(271, "Tamlix")
                  .Ifd0Text(272, "Sample Camera")
                  .Ifd0Data(282, kRational, 1, RationalBytes({{72, 1}}, Order::II))
                  .Ifd0Data(283, kRational, 1, RationalBytes({{72, 1}}, Order::II))
                  .Ifd0(296, kShort, 1, 2)  // resolution in inches
                  .Ifd0Text(306, "2026:12:07 12:00:00")
                  .Ifd0(531, kShort, 1, 1)  // chroma samples centred
                  .Gps(0, kByte, 4, 0x00000202)  // version 2.2.0.0, bytes in file order (II)
                  .GpsRef(1, 'N')
                  .GpsRationals(2, {{35, 1}, {39, 1}, {2915, 100}})
                  .GpsRef(3, 'E')
                  .GpsRationals(4, {{139, 1}, {44, 1}, {4030, 100}})
                  .GpsRationals(7, {{3, 1}, {0, 1}, {0, 1}})  // 12:00 at UTC+9
                  .GpsData(29, kAscii, static_cast<uint32_t>(date.size()), date)
                  .Build();
    size_t app1End = 4 + (size_t{f[4]} << 8 | f[5]);
    f.resize(app1End);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tamlix_make_sample OUTPUT.jpg\n", stderr);
        return 2;
    }
    Bytes jpeg = Encode(DrawPicture());
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return 1;
    Bytes file = ExifHead();
    file.insert(file.end(), jpeg.begin() + 2, jpeg.end());
    if (!WriteFileBytes(argv[1], file)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %zu bytes\n", argv[1], file.size());
    return 0;
}

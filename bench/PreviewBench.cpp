// Speed and memory of opening a large photo: the whole file-open sequence
// (conversion, fetch, copy, fit, resampling, analysis) against a bare
// libjpeg-turbo decode of the same file to RGB; and one paint's display
// conversion for a large picture box.
//
//   tamlix_bench_preview [photo.jpg]   (default: a generated 6000 x 4000 photo)
#include "app/FileSelect.h"
#include "platform/Memory.h"
#include "preview/PreviewBmp.h"
#include "preview/PreviewScale.h"
#include "tests/support/JpegEncode.h"
#include "tests/support/JpegBuilder.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// <chrono> cannot be used: its "\u00b5s" has no CP932 form, which the
// narrow-literal encoding of this build needs.
double Now() {
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

double Seconds(const std::function<void()>& f) {
    const double t0 = Now();
    f();
    return Now() - t0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Peak resident memory (KiB) of running f in a child process of its own.
long PeakKiB(const std::function<void()>& f) {
    const pid_t pid = fork();
    if (pid == 0) {
        f();
        _exit(0);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    return ru.ru_maxrss;
}

// `largePages`: the RGB buffer asks for large pages as the program's do, so
// the comparison shows the sequence's own overhead too.
void BareDecode(const std::string& path, bool largePages) {
    testjpeg::Bytes data = testjpeg::ReadFileBytes(path);
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, ss = 0, cs = 0;
    tjDecompressHeader3(tj, data.data(), data.size(), &w, &h, &ss, &cs);
    const size_t n = static_cast<size_t>(w) * h * 3;
    std::unique_ptr<uint8_t[]> rgb = largePages ? plat::NewLargeBuffer(n)
                                                : std::unique_ptr<uint8_t[]>(new uint8_t[n]);
    tjDecompress2(tj, data.data(), data.size(), rgb.get(), w, 0, h, TJPF_RGB, 0);
    tjDestroy(tj);
}

// The file-open sequence as the window runs it, for a picture box of
// boxW x boxH pixels.
void OpenSequence(const std::string& path, int boxW, int boxH) {
    static CurrentFile cur;
    static TagNameTable tags;
    std::unique_ptr<uint8_t[]> bgr;
    LoadImageFile(cur, path.c_str(), tags, [&](const char* p) {
        PreviewSize size;
        if (!g_pPreviewBmp->LoadJpeg(p)) return size;
        CPreviewBmp& b = *g_pPreviewBmp;
        b.m_dFitScale = FitScale(boxW, boxH, b.m_nBmpWidth, b.m_nBmpHeight);
        int32_t pw = 0, ph = 0;
        bgr = ResampleToBgr(b.m_pBmpRGB.get(), b.m_nBmpWidth, b.m_nBmpHeight, b.m_dFitScale, pw, ph);
        return PreviewSize{b.m_nBmpWidth, b.m_nBmpHeight};
    });
}

std::string MakeLargePhoto() {
    const int w = 6000, h = 4000;
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x * 255 / w);
            p[1] = static_cast<uint8_t>(y * 255 / h);
            p[2] = static_cast<uint8_t>((x ^ y) & 0xFF);  // detail, so the file is not trivial
        }
    const std::string path = "/tmp/tamlix-bench-24mp.jpg";
    testjpeg::WriteFileBytes(path, testjpeg::EncodeJpeg(px, w, h, testjpeg::JpegKind::Rgb, 90));
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : MakeLargePhoto();
    int32_t w = 0, h = 0;
    {
        testjpeg::Bytes data = testjpeg::ReadFileBytes(path);
        tjhandle tj = tjInitDecompress();
        int ss = 0, cs = 0;
        tjDecompressHeader3(tj, data.data(), data.size(), &w, &h, &ss, &cs);
        tjDestroy(tj);
        std::printf("photo: %s, %d x %d (%.1f MP), %zu bytes\n", path.c_str(), w, h,
                    w * static_cast<double>(h) / 1e6, data.size());
    }
    const int runs = 5;
    std::vector<double> bare, bareLarge, open;
    for (int i = 0; i < runs; ++i) {
        bare.push_back(Seconds([&] { BareDecode(path, false); }));
        bareLarge.push_back(Seconds([&] { BareDecode(path, true); }));
        open.push_back(Seconds([&] { OpenSequence(path, 196, 150); }));
    }
    const double b = Median(bare), bl = Median(bareLarge), o = Median(open);
    std::printf("bare decode to RGB:     %7.1f ms (median of %d)\n", b * 1e3, runs);
    std::printf("  same, large pages:    %7.1f ms\n", bl * 1e3);
    std::printf("file-open sequence:     %7.1f ms (median of %d)\n", o * 1e3, runs);
    std::printf("ratio:                  %7.3f  (target <= 1.25; %.3f against large pages)\n",
                o / b, o / bl);

    const long fileKiB = static_cast<long>(testjpeg::ReadFileBytes(path).size() / 1024);
    const long rgbKiB = static_cast<long>(static_cast<int64_t>(w) * h * 3 / 1024);
    const long idle = PeakKiB([] {});
    const long peak = PeakKiB([&] { OpenSequence(path, 196, 150); });
    std::printf("peak memory:            %7ld MiB above an idle process (%ld MiB)\n",
                (peak - idle) / 1024, idle / 1024);
    std::printf("limit 3 x RGB + file:   %7ld MiB  (RGB %ld MiB, file %ld MiB)\n",
                (3 * rgbKiB + fileKiB) / 1024, rgbKiB / 1024, fileKiB / 1024);

    // One paint: display conversion of a picture filling a large box.
    const int pw = 800, ph = 600;
    std::vector<uint8_t> bgr(static_cast<size_t>(pw) * ph * 3, 0x5A);
    for (int bits : {16, 24, 32}) {
        std::vector<double> t;
        for (int i = 0; i < 50; ++i) {
            t.push_back(Seconds([&] {
                const int32_t stride = DisplayStride(bits, pw);
                std::unique_ptr<uint8_t[]> disp(new uint8_t[static_cast<size_t>(stride) * ph]);
                ConvertPixels(disp.get(), bgr.data(), pw, ph, stride, bits);
            }));
        }
        std::printf("paint conversion %2d bit, %dx%d box: %6.3f ms (median; budget 2 ms)\n", bits,
                    pw, ph, Median(t) * 1e3);
    }
    return 0;
}

#include "locate/Containers.h"

#include "locate/Pieces.h"
#include "locate/aae/AaeWalker.h"
#include "locate/ogg/OggWalker.h"
#include "locate/aiff/AiffWalker.h"
#include "locate/appledouble/AppleDoubleWalker.h"
#include "locate/asf/AsfWalker.h"
#include "locate/bmp/BmpWalker.h"
#include "locate/caf/CafWalker.h"
#include "locate/codestream/CodestreamWalker.h"
#include "locate/crw/CrwWalker.h"
#include "locate/flv/FlvWalker.h"
#include "locate/gif/GifWalker.h"
#include "locate/id3/AudioFrames.h"
#include "locate/id3/Id3Walker.h"
#include "locate/gzip/GzipWalker.h"
#include "locate/json/JsonWalker.h"
#include "locate/tar/TarWalker.h"
#include "locate/zip/ZipWalker.h"
#include "locate/ico/IcoWalker.h"
#include "locate/isobmff/IsobmffWalker.h"
#include "locate/jp2/Jp2Walker.h"
#include "locate/jpeg/JpegWalker.h"
#include "locate/jxl/JxlWalker.h"
#include "locate/matroska/MatroskaWalker.h"
#include "locate/mpegts/TsWalker.h"
#include "locate/mrw/MrwWalker.h"
#include "locate/pdf/PdfWalker.h"
#include "locate/png/PngWalker.h"
#include "locate/psd/PsdWalker.h"
#include "locate/raf/RafWalker.h"
#include "locate/riff/RiffWalker.h"
#include "locate/sef/SefWalker.h"
#include "locate/subtitles/SubtitleWalker.h"
#include "locate/svg/SvgWalker.h"
#include "locate/tiff/TiffWalker.h"
#include "locate/vrd/VrdWalker.h"
#include "locate/x3f/X3fWalker.h"
#include "locate/xmp/XmpFileWalker.h"
#include "locate/xml/XmlTextWalker.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

bool Is(const ByteReader& f, int64_t pos, int64_t end, std::string_view sig) {
    const int64_t n = static_cast<int64_t>(sig.size());
    if (pos < 0 || end - pos < n) return false;
    const uint8_t* p = f.Span(pos, n);
    return p != nullptr && std::memcmp(p, sig.data(), sig.size()) == 0;
}

// An SOI: what follows it is the walker's to judge (stray bytes, say).
bool Jpeg(const ByteReader& f, int64_t pos, int64_t end) { return Is(f, pos, end, "\xFF\xD8"); }

// Exiv2's metadata file: a JPEG's segments after "\xFF\x01Exiv2".
bool Exv(const ByteReader& f, int64_t pos, int64_t end) { return Is(f, pos, end, "\xFF\x01" "Exiv2"); }

bool Png(const ByteReader& f, int64_t pos, int64_t end) { return Is(f, pos, end, "\x89PNG\r\n\x1A\n"); }

// MNG and JNG, which share PNG's chunks (after a picture, a JNG's JPEG
// data is data like any other, as a JPEG is there).
bool MngOrJng(const ByteReader& f, int64_t pos, int64_t end) {
    return Is(f, pos, end, "\x8AMNG\r\n\x1A\n") || Is(f, pos, end, "\x8BJNG\r\n\x1A\n");
}

// "RIFF", a size, and a form type of four printable letters (WEBP, AVI , WAVE).
bool Riff(const ByteReader& f, int64_t pos, int64_t end) {
    if (!Is(f, pos, end, "RIFF") || end - pos < 12) return false;
    const uint8_t* form = f.Span(pos + 8, 4);
    for (int i = 0; form != nullptr && i < 4; ++i)
        if (form[i] < 0x20 || form[i] > 0x7E) return false;
    return form != nullptr;
}

// The TIFF byte orders and magic numbers, with the raw files' own: BigTIFF
// (43), Olympus ORF ("IIRO", "IIRS", "MMOR"), Panasonic RW2 ("IIU\0"); and
// JPEG XR's (HD Photo: "II\xBC" and its version, 1), whose IFDs are TIFF's.
bool Tiff(const ByteReader& f, int64_t pos, int64_t end) {
    if (end - pos < 8) return false;
    for (std::string_view sig : {std::string_view("II*\0", 4), std::string_view("MM\0*", 4),
                                 std::string_view("II+\0", 4), std::string_view("MM\0+", 4),
                                 std::string_view("IIRO"), std::string_view("IIRS"),
                                 std::string_view("MMOR"), std::string_view("IIU\0", 4),
                                 std::string_view("II\xBC\x01", 4)})
        if (Is(f, pos, end, sig)) return true;
    return false;
}

// A box header: a 32-bit size (0: to the end, 1: a 64-bit size follows,
// else at least the header and inside the data) and a type.
bool BoxAt(const ByteReader& f, int64_t pos, int64_t end, std::string_view type, uint32_t least) {
    uint32_t size = 0;
    const ByteReader be = f.WithOrder(ByteReader::kBigEndian);
    if (!Is(f, pos + 4, end, type) || !be.U32(pos, size)) return false;
    return size == 0 || size == 1 || (size >= least && int64_t{size} <= end - pos);
}

// An ISOBMFF file starts with `ftyp` (16 bytes at least: brand and version),
// an older QuickTime file with one of its top-level boxes.
bool Isobmff(const ByteReader& f, int64_t pos, int64_t end) {
    if (BoxAt(f, pos, end, "ftyp", 16)) return true;
    for (std::string_view t : {"moov", "mdat", "wide", "free", "skip", "pnot"})
        if (BoxAt(f, pos, end, t, 8)) return true;
    return false;
}

bool Gif(const ByteReader& f, int64_t pos, int64_t end) {
    return Is(f, pos, end, "GIF87a") || Is(f, pos, end, "GIF89a");
}

// JPEG XL's signature box; a bare codestream (FF 0A) is a row of its own.
bool Jxl(const ByteReader& f, int64_t pos, int64_t end) {
    return Is(f, pos, end, std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12));
}

bool Jp2(const ByteReader& f, int64_t pos, int64_t end) {
    return Is(f, pos, end, std::string_view("\0\0\0\x0CjP  \r\n\x87\n", 12));
}

bool Matroska(const ByteReader& f, int64_t pos, int64_t end) { return Is(f, pos, end, "\x1A\x45\xDF\xA3"); }

bool Sef(const ByteReader& f, int64_t pos, int64_t end) { return Is(f, pos, end, "SEFH"); }

bool Raf(const ByteReader& f, int64_t pos, int64_t end) { return Is(f, pos, end, "FUJIFILMCCD-RAW "); }

// "8BPS" and version 1 (PSD) or 2 (PSB).
bool Psd(const ByteReader& f, int64_t pos, int64_t end) {
    return Is(f, pos, end, std::string_view("8BPS\0\x01", 6)) || Is(f, pos, end, std::string_view("8BPS\0\x02", 6));
}

// An XMP packet (a file of its own only: after a picture it is data like
// any other, read by the opaque rule).
bool XmpFile(const ByteReader& f, int64_t pos, int64_t end) {
    const int64_t n = std::min<int64_t>(end - pos, 1024);
    const uint8_t* p = n > 0 ? f.Span(pos, n) : nullptr;
    return p != nullptr && StartsXmpPacket(p, n);
}

// One row per container: how it is recognised, which walker takes it
// apart, whether only as a file of its own. A walk of a container nested
// in another takes its kind's first row.
const ContainerRow kRows[] = {
    {Container::Jpeg, Jpeg, WalkJpegContainer},
    {Container::Jpeg, Exv, WalkJpegContainer, true},
    {Container::Png, Png, WalkPngContainer},
    {Container::Png, MngOrJng, WalkPngContainer, true},
    {Container::Riff, Riff, WalkRiffContainer},
    {Container::Tiff, Tiff, WalkTiffContainer},
    {Container::Isobmff, Isobmff, WalkIsobmffContainer},
    {Container::SamsungSef, Sef, WalkSefContainer},
    {Container::Raf, Raf, WalkRafContainer},
    {Container::Psd, Psd, WalkPsdContainer},
    {Container::XmpFile, XmpFile, WalkXmpFileContainer, true},
    {Container::Gif, Gif, WalkGifContainer},
    {Container::Jxl, Jxl, WalkJxlContainer},
    {Container::Matroska, Matroska, WalkMatroskaContainer},
    {Container::Jp2, Jp2, WalkJp2Container},
    {Container::Mpegts, StartsTransportStream, WalkTsContainer},
    {Container::Subtitles, StartsSubtitles, WalkSubtitleContainer, true},
    {Container::Bmp, StartsBmp, WalkBmpContainer},
    {Container::Codestream, StartsBareCodestream, WalkCodestreamContainer, true},
    {Container::Mrw, StartsMrw, WalkMrwContainer, true},
    {Container::Svg, StartsSvg, WalkSvgContainer, true},
    {Container::Gzip, StartsGzip, WalkGzipContainer, true},
    {Container::Ico, StartsIco, WalkIcoContainer, true},
    {Container::Aae, StartsAae, WalkAaeContainer, true},
    {Container::Pdf, StartsPdf, WalkPdfContainer, true},
    {Container::X3f, StartsX3f, WalkX3fContainer, true},
    {Container::Crw, StartsCrw, WalkCrwContainer, true},
    {Container::CanonVrd, StartsCanonVrd, WalkCanonVrdContainer},
    {Container::CanonVrd, StartsCanonDr4, WalkCanonVrdContainer, true},
    {Container::Zip, StartsZip, WalkZipContainer, true},
    {Container::Json, StartsJson, WalkJsonContainer, true},
    {Container::Tar, StartsTar, WalkTarContainer, true},
    {Container::Xml, StartsXmlText, WalkXmlTextContainer, true},
    {Container::AppleDouble, StartsAppleDouble, WalkAppleDoubleContainer, true},
    {Container::Ogg, StartsOgg, WalkOggContainer},
    {Container::Flac, StartsFlac, WalkFlacContainer, true},
    {Container::Flv, StartsFlv, WalkFlvContainer},
    {Container::Id3, StartsId3, WalkId3Container, true},  // the sound after the tags is not read
    {Container::Id3, StartsAudioFrames, WalkId3Container, true},  // no leading tag: only those at the end
    {Container::Asf, StartsAsf, WalkAsfContainer},
    {Container::Aiff, StartsAiff, WalkAiffContainer},
    {Container::Caf, StartsCaf, WalkCafContainer},
};

}  // namespace

int64_t SefStart(const ByteReader& file, int64_t from, int64_t end) {
    if (!Is(file, end - 4, end, "SEFT")) return -1;
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    uint32_t dirLen = 0;
    if (!le.U32(end - 8, dirLen)) return -1;
    const int64_t dir = end - 8 - int64_t{dirLen};
    if (dir < from || !Is(file, dir, end, "SEFH")) return end - 8 >= from ? end - 8 : -1;
    int64_t start = dir;
    uint32_t count = 0;
    if (le.U32(dir + 8, count))
        for (int64_t i = 0; i < int64_t{count} && i < 1024; ++i) {
            uint32_t back = 0;
            if (!le.U32(dir + 12 + 12 * i + 4, back)) break;
            if (dir - int64_t{back} >= from && dir - int64_t{back} < start) start = dir - back;
        }
    return start;
}

const ContainerRow* ContainerRowOf(Container kind) {
    for (const ContainerRow& row : kRows)
        if (row.kind == kind) return &row;
    return nullptr;
}

Container RecogniseContainer(const ByteReader& file, int64_t pos, int64_t end, bool asFile) {
    for (const ContainerRow& row : kRows)
        if ((!row.fileOnly || pos == 0 || asFile) && row.recognise(file, pos, end)) return row.kind;
    return Container::None;
}

Embedded FindEmbeddedContainer(const ByteReader& file, int64_t pos, int64_t end) {
    // Padding and a clip's `ftyp` nearly always come at once.
    constexpr int64_t kSmallPiece = 4096;
    Embedded out;
    auto take = [&](Container kind, int64_t at) {
        if (at >= pos && (out.pos < 0 || at < out.pos)) out = {kind, at};
    };
    // At the start, and after padding (a box's size starts with zeros).
    int64_t padded = end;
    ForEachPiece(file, pos, end - pos, 0, [&](const uint8_t* p, int64_t at, int64_t n) {
        int64_t i = 0;
        // Padding is long runs of one byte: 8 bytes are looked at together.
        for (uint64_t w = 0; i + 8 <= n; i += 8) {
            std::memcpy(&w, p + i, 8);
            if (w != 0 && w != ~uint64_t{0}) break;
        }
        for (; i < n; ++i)
            if (p[i] != 0x00 && p[i] != 0xFF) {
                padded = at + i;
                return true;
            }
        return false;
    }, kSmallPiece);
    for (int64_t at : {pos, padded}) {
        const Container c = RecogniseContainer(file, at, end);
        if (c != Container::None && c != Container::Jpeg) take(c, at);
    }
    // An ISOBMFF box "ftyp" anywhere after the first 4 bytes (its size),
    // piece by piece up to the first that parses: the clip's media data
    // after it is not read. Candidates are judged after each piece's
    // search: reading a box header may give the searched piece's pages back.
    const int64_t ftyp = FirstHit(file, pos + 4, end - pos - 4, {"ftyp"}, [&](int64_t at, int) {
        return BoxAt(file, at - 4, end, "ftyp", 16);
    }, kSmallPiece);
    if (ftyp >= 0) take(Container::Isobmff, ftyp - 4);
    if (end == file.Length()) take(Container::SamsungSef, SefStart(file, pos, end));
    return out;
}

bool JpegFileAt(const ByteReader& file, ByteRange r) {
    const uint8_t* p = r.len >= 4 ? file.Span(r.pos, 3) : nullptr;
    return p != nullptr && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF;
}

bool TiffHeaderAt(const ByteReader& file, int64_t pos) {
    return file.Matches(pos, 'I', 'I', '*', 0) || file.Matches(pos, 'M', 'M', 0, '*');
}

int64_t ExifTiffStart(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* exif = end - pos >= 6 ? file.Span(pos, 6) : nullptr;
    const int64_t at = exif != nullptr && std::memcmp(exif, "Exif\0\0", 6) == 0 ? pos + 6 : pos;
    const uint8_t* mark = end - at >= 8 ? file.Span(at, 2) : nullptr;
    if (mark != nullptr && mark[0] == mark[1] && (mark[0] == 'I' || mark[0] == 'M')) return at;
    return FindTiffHeader(file, pos, end);
}

int64_t FindTiffHeader(const ByteReader& file, int64_t pos, int64_t end) {
    // A match of the byte order and magic is a header when 8 bytes fit.
    int64_t found = -1;
    ForEachPiece(file, pos, end - pos, 3, [&](const uint8_t* p, int64_t at, int64_t n) {
        for (int64_t i = 0; i + 4 <= n; ++i) {
            const bool ii = p[i] == 'I' && p[i + 1] == 'I' && p[i + 2] == '*' && p[i + 3] == 0;
            const bool mm = p[i] == 'M' && p[i + 1] == 'M' && p[i + 2] == 0 && p[i + 3] == '*';
            if ((ii || mm) && end - (at + i) >= 8) {
                found = at + i;
                return true;
            }
        }
        return false;
    });
    return found;
}

bool EndsWithSef(const ByteReader& file) {
    const int64_t len = file.Length();
    return Is(file, len - 4, len, "SEFT");
}

bool TextNamesMotionPhoto(const uint8_t* p, int64_t n) {
    // Both names start with 'M': one pass over the packet.
    constexpr std::string_view kMicro = "MicroVideo", kMotion = "MotionPhoto";
    for (const uint8_t* m = FindBytes(p, n, "M"); m != nullptr; m = FindBytes(m + 1, n - (m + 1 - p), "M")) {
        const int64_t left = n - (m - p);
        if ((left >= 10 && std::memcmp(m, kMicro.data(), kMicro.size()) == 0) ||
            (left >= 11 && std::memcmp(m, kMotion.data(), kMotion.size()) == 0))
            return true;
    }
    return false;
}

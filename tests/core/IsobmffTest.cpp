// The box tree walk: one row per place a position hides in an ISOBMFF file
// (HEIF Exif and XMP items in every layout `iloc` allows, a clip's location
// boxes and keys, timed GPS tracks and captions, a dashcam's GPS blocks,
// XMP and Canon boxes, a clip inside a picture or behind it in Samsung's
// trailer, Insta360's trailer) and per hostile box tree. Each file is walked at
// both depths; each one whose finds can all be removed is stripped: same
// length, found clean again, no byte changed outside the strip's ranges.
#include "cli/FindText.h"
#include "locate/Locator.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <sstream>

using namespace testjpeg;

namespace {

std::vector<Row> Rows() {
    const ExifBuilder gps = FiveEntryGps();
    const Bytes tiff = TiffFile(gps);
    const int64_t gpsIfd = gps.FilePosOfGpsIfd() - gps.FilePosOfTiff();
    const Bytes exif = Concat({Be32(0), tiff});
    auto item = [](const std::string& type, Bytes data, const std::string& contentType = {}) {
        HeifItem it;
        it.type = type;
        it.data = std::move(data);
        it.contentType = contentType;
        return it;
    };
    auto exifItem = [&](Bytes data) { return item("Exif", std::move(data)); };
    // iloc's version and the sizes of its offset, length and base fields.
    auto iloc = [](int version, int off, int len, int base) {
        HeifLayout l;
        l.iloc = version;
        l.offSize = off;
        l.lenSize = len;
        l.baseSize = base;
        return l;
    };
    HeifLayout wide = iloc(2, 4, 8, 0), idat = iloc(1, 4, 4, 0), inFree;
    wide.infe = 3;
    wide.indexSize = 4;
    wide.firstId = 0x10001;
    idat.method = 1;
    inFree.holder = "free";
    // A HEIF file of one Exif item, its GPS IFD found where the TIFF lies.
    auto heif = [&](const std::string& name, Bytes data, const HeifLayout& l = {}, const Bytes& extra = {}) {
        Bytes f = Heif({exifItem(data)}, l, extra);
        return Row{name, f, {{FindKind::ExifGps, true, FindWhy::None, At(f, tiff, gpsIfd)}}};
    };
    const HeifItem xmpItem = item("mime", Text(kXmp), "application/rdf+xml");
    HeifItem deflated = xmpItem, isProtected = exifItem(exif), split = exifItem(exif), reversed;
    deflated.data = ZlibStored(deflated.data);
    deflated.encoding = "deflate";
    HeifItem brotli = xmpItem;
    brotli.data = Brotli(brotli.data);
    brotli.encoding = "br";
    isProtected.protection = 1;
    split.extents = 2;
    reversed = split;
    reversed.reversed = true;
    // The GPS IFD straddles the two extents. Stored in order and early,
    // the window reads it too, in one run; stored last first, only the
    // extents put it together.
    const Bytes splitFile = Heif({split}), reversedFile = Heif({reversed});
    const Bytes firstHalf(exif.begin(), exif.begin() + static_cast<int64_t>(exif.size() / 2));
    // The second extent made to start 4 bytes inside the first.
    Bytes overlapFile = splitFile;
    {
        const auto x = static_cast<uint32_t>(At(splitFile, firstHalf)), n = static_cast<uint32_t>(firstHalf.size());
        const int64_t second = At(overlapFile, Concat({Be32(x), Be32(n), Be32(x + n)}), 8);
        if (second >= 0) Put32(overlapFile, static_cast<size_t>(second), x + n - 4, Order::MM);
    }
    // A thumbnail with an Exif block of its own, in an item stored last
    // extent first: its removal is laid onto the extents.
    HeifItem thumbSplit = exifItem(Concat({Be32(0), TiffWithThumbnail(Picture({ExifSegment(gps)}))}));
    thumbSplit.extents = 2;
    thumbSplit.reversed = true;
    const Bytes thumbFile = Heif({thumbSplit});
    const Bytes thumbHead(thumbSplit.data.begin(), thumbSplit.data.begin() + 64);
    // Pushes the items' bytes past the window's first 200 bytes.
    const Bytes pad = Box("free", Bytes(200, 0));
    const Bytes clean = Heif({exifItem(Concat({Be32(0), TiffFile(ExifBuilder().Ifd0Text(0x010F, "Make"))}))});
    // Items of other kinds: a JSON document and a URI item by the opaque
    // rule, a JPEG picture item keeping a photo's Exif segment.
    const Bytes jsonItem = Heif({item("mime", Text("{\"where\": \"" + kWhere + "\"}"), "application/json")});
    const Bytes uriItem = Heif({item("uri ", Text("tag:GPS"))});
    const Bytes jpegItem = Heif({item("jpeg", Picture({ExifSegment(gps)}))});

    // A clip with a CAMM track: two type 5 samples (latitude, longitude,
    // altitude) in `mdat`, named by the track's sample tables.
    auto camm = [](double lat) {
        Bytes b{0, 0, 5, 0};
        for (double v : {lat, 139.7454, 10.0}) {
            uint8_t d[8];
            std::memcpy(d, &v, 8);
            b.insert(b.end(), d, d + 8);
        }
        return b;
    };
    const Bytes samples = Concat({camm(35.6586), camm(35.6587)});
    const int64_t mdatBody = static_cast<int64_t>(Ftyp("isom", "isom").size()) + 8;
    // A track of two samples of `size` bytes, one chunk at the start of mdat.
    auto timedTrack = [&](const char* handler, const char* format, uint32_t size, const Bytes& entry = Bytes(8, 0)) {
        const Bytes stbl = Box("stbl", Concat({
            FullBox("stsd", 0, Concat({Be32(1), Box(format, entry)})),
            FullBox("stsc", 0, Concat({Be32(1), Be32(1), Be32(2), Be32(1)})),
            FullBox("stsz", 0, Concat({Be32(size), Be32(2)})),
            FullBox("stco", 0, Concat({Be32(1), Be32(static_cast<uint32_t>(mdatBody))}))}));
        return Box("trak", Concat({FullBox("tkhd", 0, Concat({Be32(0), Be32(0), Be32(1), Bytes(68, 0)})),
            Box("mdia", Concat({FullBox("hdlr", 0, Concat({Be32(0), Text(handler), Bytes(13, 0)})),
                                Box("minf", stbl)}))}));
    };
    const Bytes cammClip = Concat({Ftyp("isom", "isom"), Box("mdat", samples), Box("moov", timedTrack("meta", "camm", 28))});
    // Motion JPEG: two frames, each a photo keeping its Exif.
    const Bytes still = Picture({ExifSegment(FiveEntryGps())});
    const Bytes mjpegClip = Concat({Ftyp("isom", "isom"), Box("mdat", Concat({still, still})),
                                    Box("moov", timedTrack("vide", "jpeg", static_cast<uint32_t>(still.size())))});
    // A drone's captions: tx3g samples, a 16-bit length and the text.
    auto caption = [](const std::string& text) {
        return Concat({Bytes{0, static_cast<uint8_t>(text.size())}, Text(text)});
    };
    const std::string fix = "F/2.8, GPS (139.7454, 35.6586, 20)", yuneec = "Lat:35.658600 Lon:139.745400 A";
    const std::string noFix = std::string("F/2.8, ISO 100").append(fix.size() - 14, ' ');
    const Bytes captions = Concat({Ftyp("isom", "isom"), Box("mdat", Concat({caption(fix), caption(noFix)})),
                                   Box("moov", timedTrack("sbtl", "tx3g", static_cast<uint32_t>(fix.size() + 2)))});
    const Bytes yuneecClip = Concat({Ftyp("isom", "isom"), Box("mdat", Concat({caption(yuneec), caption(yuneec)})),
                                     Box("moov", timedTrack("text", "tx3g", static_cast<uint32_t>(yuneec.size() + 2)))});
    const Bytes plainCaptions = Concat({Ftyp("isom", "isom"), Box("mdat", Concat({caption("Turn the GPS on"), caption("Lat: 2.5 miles ")})),
                                        Box("moov", timedTrack("sbtl", "tx3g", 17))});
    // UTF-16 captions, NMEA sentences with and without a fix, Garmin's
    // binary record in a QuickTime text track.
    auto caption16 = [](const std::string& text) {
        Bytes b{0, static_cast<uint8_t>(2 + 2 * text.size())};
        b.push_back(0xFE);
        b.push_back(0xFF);
        for (char ch : text) b.insert(b.end(), {0, static_cast<uint8_t>(ch)});
        return b;
    };
    const std::string rmc = "$GPRMC,120000,A,3539.516,N,13944.724,E", noRmc = "$GPRMC,000125,V,,,,,000.0,,280908,,N*71";
    auto textClip = [&](const char* handler, const char* format, const Bytes& sample) {
        return Concat({Ftyp("isom", "isom"), Box("mdat", Concat({sample, sample})),
                       Box("moov", timedTrack(handler, format, static_cast<uint32_t>(sample.size())))});
    };
    const Bytes utf16 = textClip("sbtl", "tx3g", caption16(yuneec)), nmea = textClip("text", "text", caption(rmc));
    // WebVTT cues (ISO 14496-30: a cue box holding its text box) and a TTML
    // document, under the subtitle handler.
    const Bytes vttCue = Box("vttc", Concat({Box("iden", Text("1")), Box("payl", Text(fix))}));
    const Bytes webVtt = textClip("subt", "wvtt", vttCue);
    const Bytes ttml = textClip("subt", "stpp", Text("<tt><p>" + fix + "</p></tt>"));
    const Bytes simpleText = textClip("subt", "sbtt", Text(fix)), textMeta = textClip("meta", "mett", Text(rmc));
    const Bytes noFixNmea = textClip("text", "text", caption(noRmc));
    const Bytes pndm = textClip("text", "gpsd", Concat({Bytes{0, 20}, Text("PNDM"), Bytes(16, 9)}));
    const Bytes rvmi = textClip("data", "RVMI", Concat({Text("gReV"), Bytes(16, 9)}));
    // Exif IFDs without a header in a clip's udta: Casio's QVMI (big-endian,
    // the 0th IFD at 10, offsets from the data) and Fujifilm's MVTG
    // (little-endian, from 16, offsets from there).
    auto udtaClip = [](const char* type, const Bytes& body) {
        return Concat({Ftyp("qt  ", "qt  "), Box("mdat", Bytes(8, 0)), Box("moov", Box("udta", Box(type, body)))});
    };
    const Bytes casio = udtaClip("QVMI", HeaderlessExif(Order::MM, 10, 0)),
                fuji = udtaClip("MVTG", HeaderlessExif(Order::II, 16, 16));
    // DJI's djmd: protobuf, the protocol at 1.1.1, the fix at 3.3.4.1.
    auto pb = [](int n, const Bytes& v) { return Concat({Bytes{static_cast<uint8_t>(n << 3 | 2), static_cast<uint8_t>(v.size())}, v}); };
    const Bytes djiFix = Concat({Bytes{0x08, 0, 0x11}, Bytes(8, 0x41), Bytes{0x19}, Bytes(8, 0x42)});
    const Bytes djmd = textClip("meta", "djmd", Concat({pb(1, pb(1, pb(1, Text("dvtm_wm265e.proto")))),
                                                        pb(3, pb(3, pb(4, pb(1, djiFix))))}));
    // Parrot's drone metadata, known by its MIME type; another mett track
    // (a Pixel's motion photo writes one) is not read.
    auto mett = [&](const std::string& mime, const Bytes& sample) {
        const Bytes entry = Concat({Bytes(8, 0), Bytes{0}, Text(mime), Bytes{0}});
        return Concat({Ftyp("isom", "isom"), Box("mdat", Concat({sample, sample})),
                       Box("moov", timedTrack("meta", "mett", static_cast<uint32_t>(sample.size()), entry))});
    };
    const Bytes parrotSample = Concat({Text("P3"), Bytes{0, 17}, Bytes(4, 1), Bytes(12, 0x41), Bytes(52, 2)});
    const Bytes parrot = mett("application/octet-stream;type=com.parrot.videometadata3", parrotSample);
    const Bytes otherMett = mett("application/microvideo-meta-stream", parrotSample);
    // Apple's timed metadata: a key table naming a location key and
    // another, samples holding a value of each.
    auto key = [](const char* id, const std::string& name) {
        return Box(id, Concat({Box("keyd", Concat({Text("mdta"), Text(name)})), Box("dtyp", Concat({Be32(0), Be32(1)}))}));
    };
    const Bytes mebxEntry = Concat({Bytes{0, 0, 0, 0, 0, 0, 0, 1},
                                    Box("keys", Concat({key("lkey", "com.apple.quicktime.location.ISO6709"),
                                                        key("orie", "com.apple.quicktime.video-orientation")}))});
    const Bytes mebxSample = Concat({Box("orie", Bytes{0, 1}), Box("lkey", Text(kWhere))});
    const Bytes mebx = Concat({Ftyp("qt  ", "qt  "), Box("mdat", Concat({mebxSample, mebxSample})),
                               Box("moov", timedTrack("meta", "mebx", static_cast<uint32_t>(mebxSample.size()), mebxEntry))});
    Bytes cammOutside = cammClip;  // the table names the bytes of `moov` instead
    cammOutside[static_cast<size_t>(At(cammOutside, "stco", 12) + 3)] += 60;

    // Sony's rtmd track: two samples, each a 28-byte header and a GPS
    // latitude item (tag 0x8502, 24 bytes).
    const Bytes rtmdSample = Concat({Bytes{0, 28}, Bytes(26, 1), Bytes{0x85, 0x02, 0, 24}, Bytes(24, 9)});
    const Bytes rtmdClip = Concat({Ftyp("isom", "isom"), Box("mdat", Concat({rtmdSample, rtmdSample})),
                                   Box("moov", timedTrack("meta", "rtmd", static_cast<uint32_t>(rtmdSample.size())))});
    // A dashcam's clip: GPS blocks (`free` boxes whose body starts "GPS ")
    // in `mdat`, listed by moov/gps (a version, a count, offset and size).
    auto freeGps = [](const std::string& rmc) {
        return Concat({Be32(128), Text("freeGPS "), Text(rmc), Bytes(116 - rmc.size(), 0)});
    };
    auto dashcam = [&](uint32_t secondAt) {
        const auto first = static_cast<uint32_t>(mdatBody);
        return Concat({Ftyp("isom", "isom"),
                       Box("mdat", Concat({freeGps("$GPRMC,120000,A,3539.516,N,13944.724,E"), freeGps("$GPRMC,120001")})),
                       Box("moov", Box("gps ", Concat({Be32(0x101), Be32(3), Be32(first), Be32(128), Be32(0), Be32(0),
                                                       Be32(secondAt), Be32(128)})))});
    };
    const Bytes dashcamClip = dashcam(static_cast<uint32_t>(mdatBody + 128));
    // Blocks no list names, after a video track's chunk of two 16-byte
    // samples; the same bytes inside the samples are no block.
    const Bytes gpsFix = freeGps("$GPRMC,120000,A,3539.516,N,13944.724,E");
    auto unlisted = [&](const Bytes& media, uint32_t sampleSize) {
        return Concat({Ftyp("isom", "isom"), Box("mdat", media), Box("moov", timedTrack("vide", "avc1", sampleSize))});
    };
    const Bytes unlistedClip = unlisted(Concat({Bytes(32, 7), Bytes(40, 0), gpsFix, freeGps("$GPRMC,120001")}), 16);
    Bytes unlistedLong = unlistedClip;  // the second block claims more than the media data holds
    unlistedLong[static_cast<size_t>(mdatBody + 72 + 128 + 2)] = 1;
    const Bytes inSamples = unlisted(Concat({gpsFix, gpsFix}), 128);
    // The same clips as a motion photo's video: their offsets count from
    // the video's start.
    const Bytes cammMotion = GoogleMotionPhoto(cammClip), unlistedMotion = GoogleMotionPhoto(unlistedClip);
    const Bytes dashcamAstray = dashcam(static_cast<uint32_t>(mdatBody + 64));  // its third entry: into the first block
    // Dashcams' tracks in top-level boxes of their own (gps0: binary
    // records; udat: an NMEA log), and udta/@xyz, ©xyz's other spelling.
    const Bytes logs = Concat({Mp4({}), Box("gps0", Concat({Be32(0x0A0B0C0D), Bytes(28, 7)})),
                               Box("udat", Text("$GPRMC,120000,A,3539.516,N,13944.724,E"))});
    const Bytes atXyz = Mp4(Box("udta", Box("@xyz", Concat({Bytes{0, 18, 0x15, 0xC7}, Text(kWhere)}))));
    // Cameras' own boxes: Nikon's tags (records of a tag, an Exif type, a
    // count, the value: Make, then the latitude's reference and value);
    // Ricoh's TIFF maker box; a thumbnail JPEG holding Exif.
    const Bytes nctg = Concat({Be32(0x01), {0, 2, 0, 6}, Text(std::string("NIKON\0", 6)), Be32(0x01200001),
                               {0, 2, 0, 2}, Text(std::string("N\0", 2)), Be32(0x01200002), {0, 5, 0, 3}, Be32(35),
                               Be32(1), Be32(39), Be32(1), Be32(3096), Be32(100)});
    // Pentax's PENT: its make, "GPS_" and the version at 0xC7, the GPS fields from 0xCF to 0x14D.
    Bytes pent = Concat({Text("PENTAX"), Bytes(0x14D - 6, 0)});
    const Bytes pentFix = Concat({Text("GPS_"), {2, 2, 0, 0}, Text("N"), {0}, RationalBytes({{35, 1}, {39, 1}}, Order::II)});
    std::copy(pentFix.begin(), pentFix.end(), pent.begin() + 0xC7);
    const Bytes pentax = Mp4(Box("udta", Box("PENT", pent)), "qt  ");
    const Bytes nikon = Mp4(Box("udta", Box("NCDT", Concat({Box("NCHD", Text("0100")), Box("NCTG", nctg)}))), "qt  ");
    const Bytes nikonCut = Mp4(Box("udta", Box("NCDT", Box("NCTG", Concat({nctg, Bytes{0, 0, 0, 9, 0, 99}})))), "qt  ");
    const Bytes ricoh = Mp4(Box("udta", Box("RMKN", tiff)), "qt  ");
    const Bytes thumb = Mp4(Box("udta", Box("CNTH", Concat({Text("CNDA"), Picture({ExifSegment(gps)})}))), "qt  ");
    // Insta360's trailer after a clip: a GPS record (one fix), then the last
    // 78 bytes (its id and length, little-endian; the trailer's length at
    // 38; the magic); and the same with the fix already zeroed.
    auto insta360 = [](uint8_t fill) {
        auto le = [](uint32_t v, int n) {
            Bytes b;
            for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> 8 * i));
            return b;
        };
        const Bytes fix(53, fill);
        return Concat({Mp4({}), fix, le(0x700, 2), le(53, 4), Bytes(32, 0), le(53 + 78, 4), Bytes(4, 0),
                       Text("8db42d694ccc418790edff439fe026bf")});
    };
    const Bytes insv = insta360('A'), insvCleaned = insta360(0);
    // Pittasoft's: a top-level `gps ` box holding the NMEA log itself.
    const Bytes nmeaLog = Concat({Mp4({}), Box("gps ", Text("[1686830400000]$GPRMC,120000,A,3539.516,N,13944.724,E"))});

    const Want xyz{FindKind::Location, true};
    auto location = [](int64_t pos, std::string carrier = {}) {
        return std::vector<Want>{{FindKind::Location, true, FindWhy::None, pos, std::move(carrier)}};
    };
    auto xmp = [](const Bytes& f) {
        return std::vector<Want>{{FindKind::Xmp, true, FindWhy::None, At(f, "exif:GPSLatitude")}};
    };
    auto no = [](FindKind k, FindWhy why, int64_t pos = -1) { return std::vector<Want>{{k, false, why, pos}}; };
    const Bytes ilst = Mp4(Box("udta", ItemListMeta("\xA9xyz", kWhere)));
    const Bytes coverPhoto = Picture({ExifSegment(FiveEntryGps())});
    const Bytes cover = Mp4(Box("udta", ItemListMeta("covr", std::string(coverPhoto.begin(), coverPhoto.end()))));
    const Bytes txxx = Concat({Bytes{3}, Text("location"), Bytes{0}, Text(kWhere)});
    const Bytes frame = Concat({Text("TXXX"), Be32(static_cast<uint32_t>(txxx.size())), Bytes{0, 0}, txxx});
    const Bytes tag = Concat({Text("ID3"), Bytes{4, 0, 0}, Be32(static_cast<uint32_t>(frame.size())), frame});
    const Bytes id32 = Mp4(Box("udta", FullBox("meta", 0, FullBox("ID32", 0, Concat({Bytes{0x15, 0xC7}, tag})))));
    const Bytes loci = Mp4(Box("udta", LociBox(35.6586, 139.7454)), "3gp6");
    const Bytes track = Mp4(Box("trak", Box("udta", XyzBox(kWhere))));
    // Texts people write naming a coordinate in words: QuickTime's text
    // record (a length, a language, the text), 3GPP's assets (version,
    // flags, a language, then UTF-8 or UTF-16 after its byte order mark)
    // and Nero's chapter list (a count, then each start, length and title).
    const std::string words = "Lat: 35.6586 Lon: 139.7454";
    Bytes wideText = {0xFE, 0xFF};
    for (char ch : words) wideText.insert(wideText.end(), {0, static_cast<uint8_t>(ch)});
    const Bytes udtaTexts = Box("udta", Concat({Box("\xA9""cmt", Concat({Bytes{0, 26, 0x15, 0xC7}, Text(words)})),
                                                FullBox("dscp", 0, Concat({Bytes{0x15, 0xC7}, Text(words), Bytes{0}})),
                                                FullBox("auth", 0, Concat({Bytes{0x15, 0xC7}, wideText, Bytes{0, 0}})),
                                                FullBox("titl", 0, Concat({Bytes{0x15, 0xC7}, Text("walk")})),
                                                FullBox("chpl", 1, Concat({Bytes(4, 0), Bytes{1}, Bytes(8, 0),
                                                                           Bytes{26}, Text(words)}))}));
    const Bytes texts = Mp4(Concat({Box("trak", Box("udta", Box("name", Text(words)))), udtaTexts}));
    // QuickTime's compressed movie header: the inflated size, a zlib stream of a moov box.
    auto cmov = [](const Bytes& moovBody) {
        const Bytes movie = Box("moov", moovBody);
        const Bytes cmvd = Concat({Be32(static_cast<uint32_t>(movie.size())), ZlibStored(movie)});
        return Concat({Ftyp("qt  ", "qt  "), Box("mdat", Bytes(8, 0)),
                       Box("moov", Box("cmov", Concat({Box("dcom", Text("zlib")), Box("cmvd", cmvd)})))});
    };
    const Bytes mov = MovWithLocation(kWhere);
    const Bytes uuid = Concat({Mp4({}), XmpUuidBox(kXmp)});
    const Bytes qtXmp = Mp4(Box("udta", Box("XMP_", Text(kXmp))), "qt  ");
    const ExifBuilder cmt4 = ExifBuilder(Order::II).Ifd0(1, kAscii, 2, 'N').Ifd0Data(
        2, kRational, 3, RationalBytes({{35, 1}, {39, 1}, {2910, 100}}, Order::II));
    const Bytes cr3 = Mp4(CanonGpsBox(cmt4), "crx ");
    const Bytes mpvd = Concat({clean, Box("mpvd", Mp4WithLocation(kWhere))});
    const Bytes large = Concat({Ftyp("isom", "isom"), LargeBox("moov", Box("udta", XyzBox(kWhere)))});
    const Bytes toEnd = Concat({Ftyp("isom", "isom"), Box("mdat", {}), ToEndBox("moov", Box("udta", XyzBox(kWhere)))});
    Bytes pastParent = Mp4(Box("udta", XyzBox(kWhere)));
    const int64_t udta = At(pastParent, "udta", -4);
    Put32(pastParent, static_cast<size_t>(udta), static_cast<uint32_t>(pastParent.size() - udta + 4), Order::MM);
    const Bytes garbage = Concat({Mp4WithLocation(kWhere), Text("junk; GPS off")});
    const Bytes mp4 = Mp4WithLocation(kWhere);
    const Bytes sefClip = Concat({Picture({}), SefTrailer(0x0A30, "MotionPhoto_Data",
                                                          Concat({Text("mpv2"), Bytes(4, 0), mp4}))});
    const Bytes sefText = Concat({Picture({}), SefTrailer(0x0A01, "Image_UTC_Data", Text("GPS 35.6586"))});
    const Bytes unknown = Mp4(Box("udta", Box("abcd", Text(kWhere))));
    // Garmin's track: a `uuid` box, a header, records of 20 bytes.
    const Bytes garminUuid = {0x9B, 0x63, 0x0F, 0x8D, 0x63, 0x74, 0x40, 0xEC,
                              0x82, 0x04, 0xBC, 0x5F, 0xF5, 0x09, 0x17, 0x28};
    const Bytes garmin = Concat({Mp4({}), Box("uuid", Concat({garminUuid, Bytes(17, 1), Be32(0xCB000000), Bytes(8, 0),
                                                              Be32(0x1964A5A9), Be32(0x635F5A6B)}))});
    // Damage lenient readers read past: a HEIF meta's flags (not a QuickTime
    // meta's first size), a QuickTime meta's first box's type (not a HEIF
    // meta's flags), a location entry's `data` type (its body the value).
    Row badFlags = heif("HEIF meta whose flags are damaged", exif);
    badFlags.file[static_cast<size_t>(At(badFlags.file, "meta") + 5)] = 0x08;
    // ... flags that read as the size of a box filling the meta (a type not in letters).
    Row fillingFlags = heif("HEIF meta whose flags read as one box's size", exif);
    const auto metaAt = static_cast<size_t>(At(fillingFlags.file, "meta"));
    const Bytes& f = fillingFlags.file;
    const uint32_t metaLen = uint32_t{f[metaAt - 4]} << 24 | f[metaAt - 3] << 16 | f[metaAt - 2] << 8 | f[metaAt - 1];
    Put32(fillingFlags.file, metaAt + 4, metaLen - 8, Order::MM);
    // iloc placing the Exif item twice: first where a picture item's bytes lie.
    Bytes twice = Heif({item("hvc1", Bytes(32, 0x11)), exifItem(exif)});
    twice[static_cast<size_t>(At(twice, "iloc") + 13)] = 2;
    // An ISO 6709 string whose altitude is damaged, in a text record.
    const Bytes damagedIso = Mp4(Box("udta", Box("\xA9""cmt", Concat({Bytes{0, 25, 0x15, 0xC7},
                                                                     Text("+35.6586+139.7454+10T000/")}))));
    // One whose longitude's decimals are damaged, in a description.
    const Bytes damagedLon = Mp4(Box("udta", Box("\xA9""des", Concat({Bytes{0, 18, 0x15, 0xC7},
                                                                     Text("+35.6586+139.7\x80""54/")}))));
    Bytes asFragment = mov;  // a moov whose type is damaged into a movie fragment's
    asFragment[static_cast<size_t>(At(asFragment, "moov") + 3)] = 'f';
    Bytes badHdlr = mov;
    badHdlr[static_cast<size_t>(At(badHdlr, "hdlr"))] = 0x80;
    Bytes badData = mov;
    badData[static_cast<size_t>(At(badData, "data"))] = '.';
    // Its key's "location" and its string both damaged: the key still names ISO 6709.
    Bytes badKey = MovWithLocation("+35.6586+13;.7454/");
    badKey[static_cast<size_t>(At(badKey, "location") + 5)] = 'X';
    return {
        badFlags,
        fillingFlags,
        {"iloc placing the Exif item twice, first at another item's bytes", twice,
         {{FindKind::ExifGps, true, FindWhy::None, At(twice, tiff, gpsIfd)}}},
        {"a text record holding an ISO 6709 pair, its altitude damaged", damagedIso,
         location(At(damagedIso, "\xA9""cmt", 8))},
        {"a description holding an ISO 6709 pair, its longitude damaged", damagedLon,
         location(At(damagedLon, "\xA9""des", 8))},
        {"MOV whose moov reads as a movie fragment", asFragment, location(At(asFragment, kWhere))},
        {"MOV meta whose hdlr box type is damaged", badHdlr, location(At(badHdlr, kWhere))},
        {"MOV location entry whose data box is damaged", badData, location(At(badData, ".ata") + 4)},
        heif("HEIC: iloc 0, 4-byte offsets and lengths, offset field 0", exif),
        heif("iloc 1: 8-byte offsets, lengths and base", exif, iloc(1, 8, 8, 8)),
        heif("iloc 1: no offset (the base), no length (to the end)", exif, iloc(1, 0, 0, 4)),
        heif("iloc 2, infe 3: 32-bit item IDs, extent indexes", exif, wide),
        heif("iloc 1, construction method 1: the item in idat", exif, idat),
        heif("offset field 6, then Exif\\0\\0", Concat({Be32(6), Text(std::string("Exif\0\0", 6)), tiff})),
        heif("offset field 0, then Exif\\0\\0", Concat({Be32(0), Text(std::string("Exif\0\0", 6)), tiff})),
        heif("no offset field: the TIFF header at once", tiff),
        {"Exif item in two extents", splitFile,
         {{FindKind::ExifGps, true, FindWhy::None, At(splitFile, tiff, gpsIfd)}}},
        {"Exif item in two extents, stored last first", reversedFile,
         {{FindKind::ExifGps, true, FindWhy::None, At(reversedFile, firstHalf, 4 + gpsIfd), "meta / Exif item 1"}}},
        {"a thumbnail's Exif in an item of two extents", thumbFile,
         {{FindKind::ExifGps, true, FindWhy::None, At(thumbFile, thumbHead, 4 + 44 + gps.FilePosOfGpsIfd())}}},
        {"Exif item in two extents sharing bytes", overlapFile, no(FindKind::ExifGps, FindWhy::ItemUnreadable)},
        {"HEIC without GPS", clean, {}},
        {"a JSON item holding a coordinate string", jsonItem,
         no(FindKind::Unparsed, FindWhy::BoxesUnparsed, At(jsonItem, "{\"where"))},
        {"a URI item naming GPS", uriItem, no(FindKind::Unparsed, FindWhy::BoxesUnparsed, At(uriItem, "tag:GPS"))},
        {"a JPEG picture item's Exif", jpegItem,
         {{FindKind::ExifGps, true, FindWhy::None, -1, "meta / item 1 / picture 1 / APP1 #1"}}},
        {"XMP item", Heif({xmpItem}), xmp(Heif({xmpItem}))},
        {"compressed XMP item", Heif({deflated}), {{FindKind::Xmp, true, FindWhy::None, -1}}},
        {"XMP item compressed with Brotli", Heif({brotli}), {{FindKind::Xmp, true, FindWhy::None, -1}}},
        {"protected Exif item", Heif({isProtected}, {}, pad), no(FindKind::ExifGps, FindWhy::ItemProtected)},
        {"Exif item outside mdat", Heif({exifItem(exif)}, inFree, pad),
         no(FindKind::ExifGps, FindWhy::ItemUnreadable)},
        heif("HEIF meta inside the HEIF meta", exif, {}, FullBox("meta", 0, FullBox("hdlr", 0, Concat({
             Be32(0), Text("pict"), Bytes(13, 0)})))),
        {"AVIF with a mini box", Concat({Ftyp("avif", "mif3avif"), Box("mini", Bytes(12, 0))}),
         no(FindKind::Container, FindWhy::ItemsUnreadable, static_cast<int64_t>(Ftyp("avif", "mif3avif").size()))},
        {"HEIC with Samsung's mpvd clip", mpvd, location(At(mpvd, "\xA9xyz", -4), "mpvd / moov / udta / \xC2\xA9xyz")},
        {"MP4 udta/\xC2\xA9xyz", mp4, location(At(mp4, "\xA9xyz", -4), "moov / udta / \xC2\xA9xyz")},
        {"MP4 udta/meta/ilst/\xC2\xA9xyz", ilst, location(At(ilst, kWhere), "moov / udta / meta / ilst / \xC2\xA9xyz")},
        {"udta texts naming a coordinate: a track's name, a text record, 3GPP assets, a chapter list", texts,
         {{FindKind::Location, true, FindWhy::None, At(texts, "Lat:"), "moov / trak / udta / name"},
          {FindKind::Location, true, FindWhy::None, At(texts, "\xA9""cmt", 8), "moov / udta / \xC2\xA9""cmt"},
          {FindKind::Location, true, FindWhy::None, At(texts, "dscp", 4 + 4 + 2), "moov / udta / dscp"},
          {FindKind::Location, true, FindWhy::None, At(texts, wideText) + 2, "moov / udta / auth"},
          {FindKind::Location, true, FindWhy::None, At(texts, "chpl", 4 + 4 + 4 + 1 + 8 + 1), "moov / udta / chpl"}}},
        {"MP4 udta/meta/ilst/covr: a geotagged cover photo", cover, {{FindKind::ExifGps, true, FindWhy::None, -1}}},
        {"MP4 meta/ID32: an ID3 tag's location", id32, location(At(id32, "location", 9))},
        {"MOV location key", mov, location(At(mov, kWhere))},
        {"MOV key naming ISO 6709, its word location damaged", badKey, location(At(badKey, "+35.6586"))},
        {"Motion JPEG frames keeping a photo's Exif", mjpegClip,
         {{FindKind::ExifGps, true, FindWhy::None, -1}, {FindKind::ExifGps, true, FindWhy::None, -1}}},
        {"a CAMM track's GPS samples", cammClip, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 4}}},
        {"a CAMM track naming bytes outside mdat", cammOutside, no(FindKind::TimedGps, FindWhy::TimedGpsUnreadable)},
        {"a Sony rtmd track's GPS items", rtmdClip, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 32}}},
        {"a drone's captions with its fix", captions, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 2}}},
        {"captions with Lat: and Lon:", yuneecClip, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 2}}},
        {"captions that name GPS but hold no position", plainCaptions, {}},
        {"UTF-16 captions", utf16, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 2}}},
        {"WebVTT cues: the cue's text alone", webVtt, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 25}}},
        {"ISO's simple text: the whole sample", simpleText, {{FindKind::TimedGps, true, FindWhy::None, mdatBody}}},
        {"a text metadata track's NMEA sentences", textMeta, {{FindKind::TimedGps, true, FindWhy::None, mdatBody}}},
        {"a TTML document naming a fix", ttml, {{FindKind::TimedGps, false, FindWhy::TimedGpsUnreadable, mdatBody}}},
        {"a text track's NMEA sentences", nmea, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 2}}},
        {"an NMEA sentence with no fix", noFixNmea, {}},
        {"Garmin's binary fix in a text track", pndm, {{FindKind::TimedGps, true, FindWhy::None, mdatBody}}},
        {"a dashcam's RVMI track", rvmi, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 4}}},
        {"Casio's QVMI: an Exif IFD without a header", casio, {{FindKind::ExifGps, true, FindWhy::None}}},
        {"Fujifilm's MVTG: an Exif IFD without a header", fuji, {{FindKind::ExifGps, true, FindWhy::None}}},
        {"a compressed movie header holding a location", cmov(Box("udta", XyzBox(kWhere))),
         no(FindKind::Unparsed, FindWhy::CompressedMovieHoldsPosition)},
        {"a compressed movie header without one", cmov(Box("udta", Box("name", Text("clip")))), {}},
        {"a Parrot drone's mett track", parrot, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 8}}},
        {"another mett track", otherMett, {}},
        {"a DJI drone's djmd track", djmd, {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 23 + 11}}},
        {"a location key's values in Apple's timed metadata", mebx,
         {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 10 + 8}}},
        {"a dashcam's GPS blocks listed by moov/gps", dashcamClip,
         {{FindKind::Location, true, FindWhy::None, At(dashcamClip, "gps ", -4), "moov / gps "},
          {FindKind::TimedGps, true, FindWhy::None, mdatBody, "moov / gps "}}},
        {"a dashcam's GPS blocks that no list names", unlistedClip,
         {{FindKind::TimedGps, true, FindWhy::None, mdatBody + 72, "mdat"}}},
        {"a GPS block no list names running past the media data", unlistedLong,
         {{FindKind::TimedGps, false, FindWhy::TimedGpsUnreadable, mdatBody + 204}}},
        {"a GPS block's bytes inside a track's samples", inSamples, {}},
        {"a motion photo's CAMM track", cammMotion,
         {{FindKind::TimedGps, true, FindWhy::None, At(cammMotion, cammClip) + mdatBody + 4}}},
        {"a motion photo's GPS blocks that no list names", unlistedMotion,
         {{FindKind::TimedGps, true, FindWhy::None, At(unlistedMotion, unlistedClip) + mdatBody + 72}}},
        {"a dashcam's GPS list naming bytes that are no GPS block, not its second block", dashcamAstray,
         {xyz, {FindKind::TimedGps, false, FindWhy::TimedGpsUnreadable, At(dashcamAstray, "gps ", -4) + 32},
          {FindKind::TimedGps, true, FindWhy::None, mdatBody + 128, "mdat"}}},
        {"a dashcam's NMEA log in a top-level gps box", nmeaLog, location(At(nmeaLog, "gps ", -4), "gps ")},
        {"dashcams' top-level gps0 and udat boxes", logs,
         {{FindKind::Location, true, FindWhy::None, At(logs, "gps0", -4), "gps0"},
          {FindKind::Location, true, FindWhy::None, At(logs, "udat", -4), "udat"}}},
        {"Insta360's trailer after a clip: a GPS record", insv,
         {{FindKind::TimedGps, true, FindWhy::None, static_cast<int64_t>(Mp4({}).size()), "Insta360 trailer / GPS record"}}},
        {"Insta360's trailer, its GPS record zeroed", insvCleaned, {}},
        {"MP4 udta/@xyz", atXyz, location(At(atXyz, "@xyz", -4), "moov / udta / @xyz")},
        {"Pentax's PENT: its GPS fields", pentax, location(At(pentax, "GPS_", 8), "moov / udta / PENT")},
        {"Nikon's NCTG: its GPS fields", nikon, location(At(nikon, Be32(0x01200001)), "moov / udta / NCDT / NCTG")},
        {"Nikon's NCTG: a record that cannot be followed", nikonCut,
         {{FindKind::Location, false, FindWhy::LocationUnreadable, At(nikonCut, Bytes{0, 0, 0, 9, 0, 99})},
          {FindKind::Location, true, FindWhy::None, At(nikonCut, Be32(0x01200001))}}},
        {"Ricoh's RMKN: a TIFF structure", ricoh,
         {{FindKind::ExifGps, true, FindWhy::None, At(ricoh, tiff, gpsIfd), "moov / udta / RMKN"}}},
        {"a thumbnail JPEG's Exif in a camera's box", thumb,
         {{FindKind::ExifGps, true, FindWhy::None, At(thumb, tiff, gpsIfd), "moov / udta / CNTH"}}},
        {"3GP loci", loci, location(At(loci, "loci", -4), "moov / udta / loci")},
        {"a track's udta/\xC2\xA9xyz", track, location(At(track, "\xA9xyz", -4))},
        {"XMP uuid box", uuid, xmp(uuid)},
        {"MOV udta/XMP_", qtXmp, xmp(qtXmp)},
        {"CR3 CMT4", cr3, {{FindKind::ExifGps, true, FindWhy::None, At(cr3, "CMT4", 12)}}},
        {"Garmin's GPS uuid box", garmin, location(At(garmin, "uuid", -4), "uuid")},
        {"ISO 6709 string in an unknown box", unknown, no(FindKind::Unparsed, FindWhy::BoxesUnparsed)},
        {"64-bit box size", large, location(At(large, "\xA9xyz", -4))},
        {"size 0: moov to the end", toEnd, location(At(toEnd, "\xA9xyz", -4))},
        {"child box running past its parent", pastParent, no(FindKind::Unparsed, FindWhy::BoxesUnparsed, udta)},
        {"40 nested udta", Mp4(NestedBoxes("udta", 40, XyzBox(kWhere))), no(FindKind::Unparsed, FindWhy::BoxTooDeep)},
        {"40 nested QuickTime meta", Mp4(NestedBoxes("meta", 40, XyzBox(kWhere))),
         no(FindKind::Unparsed, FindWhy::BoxTooDeep)},
        {"40 nested trak", Mp4(NestedBoxes("trak", 40, XyzBox(kWhere))), no(FindKind::Unparsed, FindWhy::BoxTooDeep)},
        {"garbage after the last box", garbage,
         {xyz, {FindKind::AfterEnd, false, FindWhy::AfterEndHoldsGps, At(garbage, "junk")}}},
        {"SEF clip after an mpv2 header", sefClip, location(At(sefClip, "\xA9xyz", -4))},
        {"SEF block holding GPS text", sefText, no(FindKind::Unparsed, FindWhy::AfterEndHoldsGps)},
    };
}

}  // namespace

TEST(Isobmff, EveryPlaceInABoxTreeIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        const int64_t len = static_cast<int64_t>(row.file.size());
        LocateResult r;
        std::unique_ptr<uint8_t[]> copy;
        ExpectFinds(row.file, row.finds, r, copy);
        // Data after the last box is left to a cut; every other find is stripped.
        EXPECT_EQ(r.CanClean(true), Cleanable(row.finds));
        if (!Cleanable(row.finds)) continue;
        // A trailer the strip may cut leaves a clean file of its offset's length.
        Bytes out = row.file;
        if (r.trailer >= 0) {
            ASSERT_TRUE(StripPositions(out.data(), len, r, {}, true));
            LocateResult cut;
            LocatePositions(ByteReader(out.data(), r.trailer), cut);
            EXPECT_TRUE(cut.Clean()) << "found after the cut " << Describe(cut.finds);
        }
        if (!r.CanClean()) continue;
        out = row.file;
        ASSERT_TRUE(StripPositions(out.data(), len, r, {}));
        ASSERT_EQ(out.size(), row.file.size());
        LocateResult again;
        LocatePositions(ByteReader(out.data(), len), again);
        EXPECT_TRUE(again.Clean()) << "found after the strip " << Describe(again.finds);
        const std::vector<ByteRange> ranges = StripRanges(r, {});
        for (int64_t i = 0; i < len; ++i) {
            const bool inside = std::any_of(ranges.begin(), ranges.end(),
                                            [&](const ByteRange& b) { return i >= b.pos && i < b.End(); });
            EXPECT_TRUE(inside || out[i] == row.file[i]) << "byte " << i << " changed outside the strip's ranges";
        }
    }
}

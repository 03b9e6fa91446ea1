// The walks of GIF pictures, XMP sidecars and JPEG XL files: one row per
// place a position hides (the raw XMP of a GIF's application extension, a
// comment, data after the trailer; a sidecar's packet; a JPEG XL's Exif and
// XMP boxes, and what Brotli compresses there; the files SVG drawings,
// gzip files, icons, PDF documents and ZIP archives hold) and per damaged or
// look-alike file. Each file is walked at both depths; each one whose finds can all
// be removed keeps the strip contract (same length, found clean again, no
// byte changed outside the strip's ranges), which for a GIF means its
// sub-block chains still end where they did.
#include "fuzz/StripContract.h"
#include "locate/Locator.h"
#include "locate/payload/Deflate.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace testjpeg;

namespace {

// A 1x1 GIF: header, screen descriptor without a colour table, `blocks`,
// one picture and the trailer.
Bytes Gif(const Bytes& blocks, const Bytes& after = {}) {
    const Bytes picture{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0x02, 0x02, 0x4C, 0x01, 0x00};
    return Concat({Text("GIF89a"), {1, 0, 1, 0, 0, 0, 0}, blocks, picture, {0x3B}, after});
}

// XMP stored raw after its application identifier, then the landing zone
// (0x01, 0xFF down to 0x00) and the terminator.
Bytes XmpExtension(const std::string& xmp, bool zone = true) {
    Bytes z{0x01};
    for (int v = 0xFF; v >= 0; --v) z.push_back(static_cast<uint8_t>(v));
    return Concat({{0x21, 0xFF, 0x0B}, Text("XMP DataXMP"), Text(xmp), zone ? z : Bytes{}, {0x00}});
}

// A comment in sub-blocks of at most `piece` bytes.
Bytes Comment(const std::string& text, size_t piece = 255) {
    Bytes b{0x21, 0xFE};
    for (size_t i = 0; i < text.size(); i += piece) {
        const std::string s = text.substr(i, piece);
        b.push_back(static_cast<uint8_t>(s.size()));
        const Bytes t = Text(s);
        b.insert(b.end(), t.begin(), t.end());
    }
    b.push_back(0x00);
    return b;
}

// A JPEG XL container: the signature box, `ftyp`, `boxes`, a codestream.
Bytes Jxl(const Bytes& boxes) {
    return Concat({Box("JXL ", {0x0D, 0x0A, 0x87, 0x0A}), Box("ftyp", Text(std::string("jxl \0\0\0\0jxl ", 12))),
                   boxes, Box("jxlc", Text("\xFF\x0A GPS"))});
}

// A `brob` box standing for a box of `type` whose body is `body`.
Bytes Brob(const std::string& type, const Bytes& body) { return Box("brob", Concat({Text(type), Brotli(body)})); }

// Rebuild data: some packed fields, then a Brotli stream of `content`.
Bytes Jbrd(const Bytes& content) { return Box("jbrd", Concat({{0x12, 0x34, 0x56}, Brotli(content)})); }

// A JPEG 2000 file: the signature box, `ftyp`, `boxes`, a codestream.
Bytes Jp2(const Bytes& boxes) {
    return Concat({Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A}), Box("ftyp", Text(std::string("jp2 \0\0\0\0jp2 ", 12))),
                   boxes, Box("jp2c", Text("\xFF\x4F GPS"))});
}

// A bitmap of 4 x 2 pixels at 24 bits (rows of 12 bytes) holding
// `pixels`; its fifth-version header names `profile`, stored after the
// pixels, then `after`. Compression 4 or 5 stores a JPEG or PNG as the pixels.
Bytes Bmp(const Bytes& pixels, const Bytes& profile = {}, const Bytes& after = {}, uint32_t compression = 0) {
    const uint32_t offset = 14 + 124;
    auto le = [](uint32_t v) { return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; };
    Bytes info = Concat({le(124), le(4), le(2), Bytes{1, 0, 24, 0}, le(compression),
                         le(static_cast<uint32_t>(pixels.size()))});
    info.resize(124, 0);
    if (!profile.empty()) {
        std::copy_n("DEBM", 4, info.begin() + 56);  // "MBED", little-endian
        const Bytes at = le(static_cast<uint32_t>(124 + pixels.size())), len = le(static_cast<uint32_t>(profile.size()));
        std::copy(at.begin(), at.end(), info.begin() + 112);
        std::copy(len.begin(), len.end(), info.begin() + 116);
    }
    const Bytes body = Concat({info, pixels, profile, after});
    return Concat({Text("BM"), le(static_cast<uint32_t>(14 + body.size())), le(0), le(offset), body});
}

// A Mac's AppleDouble file: the Finder's information with the extended
// attributes `attrs` (names and values) after it, then a resource fork.
Bytes AppleDouble(const std::vector<std::pair<std::string, Bytes>>& attrs, const Bytes& fork) {
    const uint32_t finder = 26 + 2 * 12;
    Bytes entries, values;
    size_t listLen = 0;
    for (const auto& a : attrs) listLen += (11 + a.first.size() + 1 + 3) / 4 * 4;
    uint32_t at = finder + 32 + 2 + 36 + static_cast<uint32_t>(listLen);
    for (const auto& [name, value] : attrs) {
        Bytes e = Concat({Be32(at), Be32(static_cast<uint32_t>(value.size())), {0, 0, uint8_t(name.size() + 1)},
                          Text(name), {0}});
        e.resize((e.size() + 3) / 4 * 4, 0);
        entries = Concat({entries, e});
        values = Concat({values, value});
        at += static_cast<uint32_t>(value.size());
    }
    Bytes attr = Concat({Text("ATTR"), Bytes(30, 0), {0, uint8_t(attrs.size())}});
    const Bytes info = Concat({Bytes(34, 0), attr, entries, values});
    const auto len = [](const Bytes& b) { return Be32(static_cast<uint32_t>(b.size())); };
    return Concat({{0, 5, 0x16, 7, 0, 2, 0, 0}, Text("Mac OS X        "), {0, 2}, Be32(9), Be32(finder), len(info),
                   Be32(2), Be32(finder + static_cast<uint32_t>(info.size())), len(fork), info, fork});
}

std::vector<Row> Rows() {
    const ExifBuilder gps = FiveEntryGps();
    const Bytes tiff = TiffFile(gps);
    // JPEG XR: TIFF's IFDs (little-endian) under its own magic number and version.
    Bytes jxr = tiff;
    jxr[2] = 0xBC, jxr[3] = 0x01;
    const int64_t gpsIfd = gps.FilePosOfGpsIfd() - gps.FilePosOfTiff();
    const Bytes jxl = Jxl(Concat({Box("Exif", Concat({Be32(0), tiff})), Box("xml ", Text(kXmp))}));
    // A JPEG's Exif segment whose magic number is damaged (0): lenient readers read on.
    Bytes damagedMagic = Picture({ExifSegment(gps)});
    const auto magicAt = static_cast<size_t>(At(damagedMagic, tiff, 2));
    damagedMagic[magicAt] = damagedMagic[magicAt + 1] = 0;
    const Bytes brob = Jxl(Box("brob", Concat({Text("Exif"), Text("\x1b\x8f GPS")})));
    const Bytes brobExif = Jxl(Brob("Exif", Concat({Be32(0), tiff})));
    const Bytes brobXmp = Jxl(Brob("xml ", Text(kXmp)));
    const Bytes brobOther = Jxl(Brob("abcd", Text(kWhere)));
    const Bytes jbrd = Jxl(Box("jbrd", Bytes(40, 0x5A)));
    // A transcoded JPEG's other segments and what followed its end: here a second picture with a position.
    const Bytes jbrdPicture = Jxl(Jbrd(Concat({Text("APP2 data"), Picture({ExifSegment(gps)})})));
    Bytes past = Jxl(Box("abcd", Text("GPS 35.6586")));
    const Bytes jxlBadExif = Jxl(Box("E2if", Concat({Be32(0), tiff})));  // the Exif box's type damaged
    const Bytes xmpUuid = {0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8,
                           0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC};
    const Bytes jp2 = Jp2(Concat({Box("uuid", Concat({Text("JpgTiffExif->JP2"), tiff})),
                                  Box("uuid", Concat({xmpUuid, Text(kXmp)}))}));
    const Bytes jp2Prefixed =
        Jp2(Box("uuid", Concat({Text("JpgTiffExif->JP2"), Text(std::string("Exif\0\0", 6)), tiff})));
    Bytes zeroMagic = tiff;
    zeroMagic[2] = zeroMagic[3] = 0;
    const Bytes jp2Magic = Jp2(Box("uuid", Concat({Text("JpgTiffExif->JP2"), zeroMagic})));
    const Bytes jp2Xml = Jp2(Concat({Box("xml ", Text(kXmp)), Box("xml ", Text("<gml:pos>GPS 35.6 139.7</gml:pos>"))}));
    Put32(past, static_cast<size_t>(At(past, "abcd", -4)), 1000, Order::MM);
    const std::string packet = "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n" + kXmp +
                               "\n<?xpacket end='w'?>";
    const Bytes gifXmp = Gif(XmpExtension(packet));
    const Bytes gifXmpLater = Gif(Concat({Comment("made by hand"), XmpExtension(packet)}));
    const Bytes noZone = Gif(XmpExtension(packet, false));
    // A landing zone with one byte damaged, before a packet whose title names a coordinate.
    Bytes damagedZone = Gif(XmpExtension("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description "
                                         "xmlns:dc='http://purl.org/dc/elements/1.1/' dc:title='Lat: 35.6586 Lon: "
                                         "139.7454'/></rdf:RDF></x:xmpmeta>"));
    damagedZone[static_cast<size_t>(At(damagedZone, "\x11\x10\x0F") + 1)] = 0x0D;
    // DJI's XMP (its names in "Gps") holding a NUL, which no packet may.
    const Bytes djiNul = Gif(XmpExtension(std::string("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:Description "
                                                      "xmlns:drone-dji='http://www.dji.com/drone-dji/1.0/' "
                                                      "drone-dji:GpsLatitude='35.6586'/>\0</x:xmpmeta>", 151)));
    const Bytes split = Gif(Comment("track: G" + std::string("PS 35.6586 N"), 8));  // "G" ends a sub-block
    const Bytes trailer = Gif({}, Text(kWhere));
    Bytes cut = gifXmp;
    cut.resize(cut.size() - 300);  // inside the landing zone
    const Bytes sidecar =
        Text("\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\n<!-- darktable -->\n" + kXmp + "\n");
    // SVG drawings: metadata read as XMP, pictures and fonts held as base64.
    auto svg = [](const std::string& prolog, const std::string& body, const std::string& after = "\n") {
        return Text(prolog + "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'>" +
                    body + "</svg>" + after);
    };
    const std::string doctype =
        "<?xml version='1.0'?>\n<!DOCTYPE svg PUBLIC '-//W3C//DTD SVG 1.1//EN' 'svg11.dtd' [ <!ENTITY a 'b'> ]>\n";
    const Bytes svgXmp = svg(doctype, "<metadata>" + kXmp + "</metadata><text>GPS</text>");
    const Bytes photo = Picture({ExifSegment(gps)});
    const Bytes svgPhoto = svg("", "<image xlink:href='data:image/jpeg;base64," + Base64(photo, 76) + "'/>");
    const Bytes svgPhotoClean = svg("", "<image href='data:image/jpeg;base64," + Base64(Picture({}), 0) + "'/>");
    const Bytes svgFont = svg("", "<style>@font-face{src:url(data:font/woff2;base64," +
                                      Base64(Text("wOF2 name: GPS 35.6586 N"), 0) + ")}</style>");
    const Bytes svgProlog = svg("<!-- drawn at " + kWhere + " -->", "");
    const Bytes svgAfter = svg("", "", "\n" + kWhere);
    const Bytes svgTitle = svg("", "<title>Lat: 35.6586 Lon: 139.7454</title><desc>" + kWhere + "</desc>");
    // gzip files: a compressed SVG, a photo; a name, a damaged CRC, text.
    const Bytes svgz = Gzip(svgXmp, "drawing.svg"), photoGz = Gzip(photo);
    const Bytes namedGz = Gzip(Picture({}), "at " + kWhere);
    Bytes crcGz = Gzip(photo);
    crcGz[crcGz.size() - 8] ^= 1;
    const Bytes textGz = Gzip(Text("plain text, GPS 35.6586 N"));
    // ZIP archives: a photo stored, deflated after a descriptor, a photo
    // service's sidecar naming the position, an encrypted entry, a name.
    const std::string json = "{\"geoData\": {\"latitude\": 35.6586111, \"longitude\": 139.7454}}";
    const Bytes zipStored = Zip({{"notes.txt", Text("Holiday")}, {"a.jpg", photo}});
    const Bytes zipDeflated = Zip({{"a.jpg", photo, true, true}});
    const Bytes zipSidecar = Zip({{"a.jpg", Picture({}), true}, {"a.jpg.json", Text(json), true}});
    const Bytes zipNote = Zip({{"notes.txt", Text("Lat: 35.6586, Lon: 139.7454"), true}});
    // A map's placemark, as a KMZ file holds it.
    const Bytes zipMap = Zip({{"doc.kml", Text("<kml><Placemark><Point><coordinates>139.7454,35.6586,0</coordinates>"
                                               "</Point></Placemark></kml>"), true}});
    // JSON: as a photo service, a metadata tool and GeoJSON write it.
    // (with commas before the ends, as some services leave them)
    const Bytes takeout = Text(R"({"title": "a.jpg", "geoData": {"latitude": 35.6586, "longitude": 139.7454,},})");
    const Bytes tool = Text(R"([{"GPS:GPSLatitudeRef": "North", "Composite:GPSPosition": "35.6586 N, 139.7454 E"},)"
                            R"( {"type": "Point", "coordinates": [139.7454, 35.6586]}])");
    const Bytes iso = Text(R"({"location": "at )" + kWhere + R"("})");
    const Bytes gpsNote = Text(R"({"comment": "taken with GPS off", "device": "GPSMAP 64s", "note": "GPS 35.6586 N"})");
    // XML: a track's points, a camera's clip metadata (items named by an
    // attribute), a property list (a key naming the next value), a feed;
    // names of fonts and shapes that start as "geo" does.
    const Bytes gpx = Text(R"(<?xml version="1.0"?><gpx creator="app"><trk><trkseg>)"
                           R"(<trkpt lat="35.658600" lon="139.745400"><ele>40</ele></trkpt></trkseg></trk></gpx>)");
    const std::string clipXml = R"(<NonRealTimeMeta><AcquisitionRecord><Group name="ExifGPS">)"
                                R"(<Item name="LatitudeRef" value="N"/><Item name="Latitude" value="35:39:30.960"/>)"
                                R"(</Group></AcquisitionRecord></NonRealTimeMeta>)";
    const Bytes clip = Text(clipXml);
    const Bytes plist = Text(R"(<?xml version="1.0"?><!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" )"
                             R"("http://www.apple.com/DTDs/PropertyList-1.0.dtd"><plist version="1.0"><dict>)"
                             R"(<key>Latitude</key><real>35.6586</real><key>Font</key><string>Georgia</string>)"
                             R"(</dict></plist>)");
    const Bytes feed = Text(R"(<rss xmlns:georss="http://www.georss.org/georss"><item><title>GPS: 35N</title>)"
                            R"(<georss:point>35.6586 139.7454</georss:point></item></rss>)");
    const Bytes fonts =
        Text(R"(<typemap><type name="Georgia" glyphs="/g.ttf"/><event name="geometry"/><lang id="lat"/>)"
             R"(<model><name>latitude</name><description>Dell Latitude 7</description></model></typemap>)");
    // Settings keyed by an attribute, and a table's heading.
    const Bytes keyed = Text(R"(<s><E K="GPSLatitude" V="35.6586"/><E K="Rating" V="3"/></s>)");
    const Bytes table = Text(R"(<table><tr><th>Longitude</th><td>139.7454</td><td>3.25</td></tr></table>)");
    // A clip's metadata as a camera keeps it in the movie.
    const Bytes nrtm = FullBox("hdlr", 0, Concat({Be32(0), Text("nrtm"), Bytes(13, 0)}));
    // AppleDouble: attributes a browser and an app wrote; a sidecar's JSON
    // as an attribute; a comment naming a fix; entries that overlap.
    const Bytes blank = Concat({Bytes(30, 0), Text("This resource fork intentionally left blank")});
    const Bytes adClean = AppleDouble({{"com.apple.quarantine", Text("0081;6579a1b2;Safari;")}}, blank);
    const Bytes adJson = AppleDouble({{"com.example.where", Text(json)}}, blank);
    const Bytes adNote = AppleDouble({{"com.apple.metadata:kMDItemComment", Text("GPS 35.6586 N")}}, blank);
    Bytes adOverlap = adClean;
    Put32(adOverlap, 26 + 12 + 4, 26 + 2 * 12, Order::MM);  // the fork over the Finder's information
    // Archives in archives, deeper than copies of them are walked: the
    // innermost, a ZIP of photos, cannot be known.
    Bytes nested = zipStored;
    for (int level = 0; level < 5; ++level) nested = Tar({{"level.tar", nested}});
    const Bytes tarTrack = Tar({{"notes.txt", Text("Holiday")}, {"walk.gpx", gpx}});
    const Bytes movieXml = Mp4(FullBox("meta", 0, Concat({nrtm, FullBox("xml ", 0, clip)})));
    // tar archives: a photo, a note naming a coordinate, gzipped, a checksum wrong.
    const Bytes tar = Tar({{"notes.txt", Text("Holiday")}, {"a.jpg", photo}});
    const Bytes tarNote = Tar({{"notes.txt", Text("Lat: 35.6586, Lon: 139.7454")}});
    // A table of photos and places, its coordinates bare; a colour matrix, a
    // version and a long run of digits (found by fuzzing) are none.
    const Bytes tarTable =
        Tar({{"places.csv", Text("IMG_1.JPG,35.658600,139.745400,40.5\n")},
             {"matrix.txt", Text("1.3447 -0.5358 -0.1327 -0.4287 1.1831 0.2882\nv1.2345.6789 1.25\n"
                                 "88888888888888.88888 35.6586\n")}});
    const Bytes tarGz = Gzip(tar);
    // Prose that names coordinates, and a number far from the word.
    const Bytes tarProse = Tar({{"CHANGES", Text("Fixed the check for all-zero coordinates that the triangle check "
                                                "detects.\nThe default gamma is now 0.45455.\n")}});
    Bytes tarSum = tar, tarV7 = tar;
    tarSum[0] ^= 1;
    // The first format: no ustar magic in either header, the checksums summed anew.
    for (size_t h : {size_t{0}, size_t{1024}}) {
        std::fill_n(tarV7.begin() + static_cast<int64_t>(h) + 257, 8, 0);
        unsigned sum = 8 * ' ';
        for (size_t i = 0; i < 512; ++i) sum += i >= 148 && i < 156 ? 0 : tarV7[h + i];
        for (int d = 5; d >= 0; --d, sum /= 8)
            tarV7[h + 148 + static_cast<size_t>(d)] = static_cast<uint8_t>('0' + sum % 8);
    }
    const Bytes zipLocked = Zip({{"a.jpg", photo, false, false, 1}});
    const Bytes zipNamed = Zip({{"GPS 35.6586 N.txt", Text("a")}});
    const Bytes zipLineEnd = Zip({{"a\nb.jpg: clean\nc.jpg", photo}});
    Bytes zipOverlap = Zip({{"a.jpg", photo}, {"b.jpg", photo}});
    Bytes zipTwice = zipOverlap;
    Put32(zipOverlap, zipOverlap.size() - 22 - 51 + 42, 4, Order::II);  // the second entry's local header, moved in
    Put32(zipTwice, zipTwice.size() - 22 - 51 + 42, 0, Order::II);      // ... or the first entry's
    // Icons: a directory naming each picture's length and offset.
    auto ico = [](const std::vector<Bytes>& pictures, const Bytes& gap = {}, const Bytes& after = {}) {
        Bytes dir = {0, 0, 1, 0, static_cast<uint8_t>(pictures.size()), 0};
        size_t at = 6 + 16 * pictures.size() + gap.size();
        for (const Bytes& p : pictures) {
            Bytes e(16, 0);
            Put32(e, 8, static_cast<uint32_t>(p.size()), Order::II), Put32(e, 12, static_cast<uint32_t>(at), Order::II);
            dir = Concat({dir, e});
            at += p.size();
        }
        dir = Concat({dir, gap});
        for (const Bytes& p : pictures) dir = Concat({dir, p});
        return Concat({dir, after});
    };
    const Bytes bitmap = Concat({{40, 0, 0, 0}, Text("GPS"), Bytes(33, 0)});  // numbers and pixels: not read
    const Bytes icoPng = ico({bitmap, PngWithExif(gps)}), icoGap = ico({bitmap}, Text(kWhere)),
                icoAfter = ico({bitmap}, {}, Text(kWhere));
    Bytes icoOverlap = ico({bitmap, bitmap});
    // Apple's photo adjustments: a property list, the edits in <data>.
    auto aae = [](const Bytes& data, const std::string& more = "") {
        return Text("<?xml version='1.0'?>\n<!DOCTYPE plist PUBLIC '-//Apple//DTD PLIST 1.0//EN' 'x.dtd'>\n<plist>"
                    "<dict><key>adjustmentData</key><data>\n" + Base64(data, 68) +
                    "</data><key>adjustmentFormatIdentifier</key><string>com.apple.photo</string>" + more +
                    "</dict></plist>\n");
    };
    // PDF documents: objects, streams among them, a trailer.
    auto pdf = [](const std::vector<Bytes>& objects, const std::string& after = "") {
        Bytes b = Text("%PDF-1.7\n");
        for (const Bytes& o : objects) b = Concat({b, o});
        return Concat({b, Text("trailer\n<< /Root 1 0 R >>\n%%EOF\n" + after)});
    };
    auto object = [](int n, const std::string& dict, const Bytes& data) {
        return Concat({Text(std::to_string(n) + " 0 obj\n<< " + dict + " >>\nstream\n"), data,
                       Text("\nendstream\nendobj\n")});
    };
    auto length = [](const Bytes& b) { return "/Length " + std::to_string(b.size()); };
    const Bytes xmpZ = ZlibStored(Text(kXmp));
    const Bytes pdfJpeg = pdf({object(1, "/Type /XObject /Subtype /Image /Filter /DCTDecode " + length(photo), photo)}),
                pdfByRef = pdf({object(1, "/Filter [/DCTDecode] /Length 2 0 R", photo), Text("2 0 obj 77 endobj\n")}),
                pdfXmp = pdf({object(1, "/Type /Metadata /Subtype /XML " + length(Text(kXmp)), Text(kXmp))}),
                pdfXmpZ = pdf({object(1, "/Type /Metadata /Filter /FlateDecode " + length(xmpZ), xmpZ)}),
                pdfXmpZRef = pdf({object(1, "/Type /Metadata /Filter /FlateDecode /Length 2 0 R", xmpZ),
                                  Text("2 0 obj 99 endobj\n")}),
                // Stripped and compressed anew, this one's stream ends in a line end.
                xmpZEol = ZlibStored(Text(std::string(kXmp).replace(kXmp.find("/>"), 0, " n='148'"))),
                pdfXmpZEol = pdf({object(1, "/Type /Metadata /Filter /FlateDecode", xmpZEol)}),
                pdfAttached = pdf({object(1, "/Type /EmbeddedFile " + length(photo), photo)}),
                pdfAttachedZ = pdf({object(1, "/Type /EmbeddedFile /Filter /FlateDecode", ZlibStored(photo))}),
                pdfJpegZ = pdf({object(1, "/Filter [/FlateDecode /DCTDecode]", ZlibStored(photo))}),
                pdfObjects = pdf({object(1, "/Type /ObjStm /Filter /FlateDecode",
                                         ZlibStored(Text("<< /Title (at " + kWhere + ") >>")))}),
                pdfOpen = pdf({Text("1 0 obj\n<< /Length\n"), object(2, "/Filter /DCTDecode", photo),
                               Text("3 0 obj << /A 1 >> >> endobj\n")}),
                pdfEmpty = pdf({object(1, "/Type /Metadata /Filter /FlateDecode /Length 0", {})}),
                pdfPage = pdf({object(1, length(Text("BT (GPS) Tj ET")), Text("BT (GPS) Tj ET"))}),
                pdfInfo = pdf({Text("3 0 obj << /Keywords (GPS 35.6586 N) >> endobj\n")}),
                pdfWords = pdf({Text("3 0 obj << /Title (\\(Lat: 35.6586 Lon: 139.7454\\)) >> endobj\n")}),
                // "Lat: 35.6586" in UTF-16 after a byte order mark.
                pdfWordsHex = pdf({Text("3 0 obj << /Subject <FEFF004C00610074003A0020003300350"
                                        "02E0036003500380036> >> endobj\n")}),
                // A hex string holding what reads as a title: its text, which a strip may not change.
                pdfInHex =
                    pdf({Text("3 0 obj << /Subject <FEFF (x) /Title (Lat: 35.6586 Lon: 139.7454) 00> >> endobj\n")}),
                // A title left open by a '(' in a later hex string, which a strip's zeros would close.
                pdfOpenTitle = pdf({Text("3 0 obj << /Title (Lon: 139.7454 /Subject <FEFF004C00610074003A002000330035 ( "
                                         "002E0036003500380036> ) >> endobj\n")}),
                pdfAfter = pdf({}, kWhere),
                pdfEncrypted =
                    pdf({object(1, "/Filter /DCTDecode", photo), Text("4 0 obj << /Encrypt 5 0 R >> endobj\n")});
    const Bytes pdfSigned =
        pdf({object(1, "/Filter /DCTDecode", photo), Text("6 0 obj << /Type /Sig /ByteRange [0 9 20 9] >> endobj\n")});
    // A picture whose "endstream" is damaged, then a title and a later stream's "endstream".
    Bytes pdfBadEnd = pdf({object(1, "/Filter /DCTDecode " + length(photo), photo),
                           Text("3 0 obj << /Title (Lat: 35.6586 Lon: 139.7454) >> endobj\n"),
                           object(4, length(Text("BT ET")), Text("BT ET"))});
    pdfBadEnd[static_cast<size_t>(At(pdfBadEnd, "endstream"))] = '`';
    // The same with no later "endstream" (as where a cut ends the file): its length is believed alike.
    Bytes pdfNoEnd = pdf({object(1, "/Filter /DCTDecode " + length(photo), photo),
                          Text("3 0 obj << /Title (Lat: 35.6586 Lon: 139.7454) >> endobj\n")});
    pdfNoEnd[static_cast<size_t>(At(pdfNoEnd, "endstream"))] = '`';
    // Its "endobj" damaged too, the next one after the "%%EOF": the document
    // reads as the one cut there, whose stream has no end.
    Bytes pdfEndLate = pdf({object(1, "/Filter /DCTDecode " + length(photo), photo)}, "3 0 obj << >> endobj\n");
    pdfEndLate[static_cast<size_t>(At(pdfEndLate, "endstream"))] = '`';
    pdfEndLate[static_cast<size_t>(At(pdfEndLate, "endobj"))] = '`';
    Bytes pdfUnended = pdfJpeg, pdfBadSoi = pdfJpeg;
    pdfBadSoi[static_cast<size_t>(At(pdfBadSoi, photo))] = 0xFE;  // the picture's SOI damaged
    pdfUnended.resize(pdfUnended.size() - 55);  // into its "endstream"
    const Bytes aaeClean = aae(Text("\x01\x02GPS\x03\xFE")), aaeText = aae(Text("bplist00"), kWhere),
                aaePacked = aae(ZlibStored(Text("bplist00 GPS 35.6586 N")));
    Put32(icoOverlap, 6 + 16 + 12, 6 + 32 + 4, Order::II);
    const Bytes pixels = Concat({Text("GPS 35.6586 1"), Bytes(11, 0)});  // never read
    const Bytes bmp = Bmp(pixels), bmpAfter = Bmp(pixels, {}, Text(kWhere)),
                bmpProfile = Bmp(pixels, Text("ICC desc: GPS 35.6586 139.7454")),
                bmpJpeg = Bmp(Picture({ExifSegment(gps)}), {}, {}, 4);
    // A profile that starts in the headers and ends past the pixels: a cut
    // of what follows keeps it whole.
    Bytes bmpOver = Bmp(Bytes(24, 0), Text("ICC"), Concat({Bytes(40, 0), Text(kWhere)}));
    const auto over = static_cast<size_t>(At(bmpOver, "DEBM") + 112 - 56);
    Put32(bmpOver, over, 0, Order::II), Put32(bmpOver, over + 4, 124 + 30, Order::II);
    // Bare codestreams: compressed data only, then what was appended.
    const Bytes bareJxl = Concat({Text("\xFF\x0A"), Bytes(40, 0x5A)});
    const Bytes bareJxlText = Concat({bareJxl, Text(kWhere)});
    const Bytes bareJ2k = Concat({Text("\xFF\x4F\xFF\x51"), Bytes(40, 0x01), Text("note: GPS 35.6586 N")});
    // Compressed data holds "GPS" by chance: it counts only inside text.
    const Bytes bareJxlByChance = Concat({bareJxl, Text("\x01GPS\x02\xFF")});
    const Bytes bareJxlExif = Concat({bareJxl, Text(std::string("Exif\0\0", 6)), tiff});
    const Bytes bareJxlClip = Concat({bareJxl, Mp4WithLocation(kWhere)});
    // Where the base64 (in lines of 76) of a data URI's byte `at` starts.
    auto inLines = [](const Bytes& f, int64_t at) { return At(f, "base64,", 7) + at / 3 * 4 + at / 3 * 4 / 76; };
    auto xmpGps = [](const Bytes& f, const std::string& carrier) {
        return Want{FindKind::Xmp, true, FindWhy::None, At(f, "exif:GPSLatitude"), carrier};
    };
    return {
        {"GIF: raw XMP in its application extension", gifXmp, {xmpGps(gifXmp, "extension #1")}},
        {"GIF: raw XMP after a comment", gifXmpLater, {xmpGps(gifXmpLater, "extension #2")}},
        // Its own bytes as lengths run past the picture and the file.
        {"GIF: XMP without its landing zone", noZone,
         {{FindKind::Unparsed, false, FindWhy::BlocksUnparsed, At(noZone, "!\xFF"), ""}}},
        {"GIF: XMP whose landing zone is damaged, a title naming a coordinate", damagedZone,
         {{FindKind::Xmp, false, FindWhy::XmpUnparsed, At(damagedZone, "!\xFF"), "extension #1"}}},
        {"GIF: DJI's XMP holding a NUL", djiNul,
         {{FindKind::Xmp, false, FindWhy::XmpUnparsed, At(djiNul, "!\xFF"), "extension #1"}}},
        {"GIF: a comment whose GPS text a length byte splits", split,
         {{FindKind::Unparsed, false, FindWhy::BlocksUnparsed, At(split, "!\xFE"), "extension #1"}}},
        {"GIF: a position after the trailer", trailer,
         {{FindKind::AfterEnd, false, FindWhy::AfterEndHoldsIso6709, static_cast<int64_t>(Gif({}).size()), ""}}},
        {"GIF cut inside its XMP's landing zone", cut,
         {{FindKind::Unparsed, false, FindWhy::BlocksUnparsed, At(cut, "!\xFF"), ""}}},
        {"GIF without a position", Gif(Comment("GIMP")), {}},
        {"BMP: headers and pixels", bmp, {}},
        {"BMP: a position after the pixels", bmpAfter,
         {{FindKind::AfterEnd, false, FindWhy::AfterEndHoldsIso6709, static_cast<int64_t>(bmp.size()), ""}}},
        {"BMP: a colour profile holding a position's text", bmpProfile,
         {{FindKind::Unparsed, false, FindWhy::BitmapPartUnparsed, static_cast<int64_t>(bmp.size()), "profile"}}},
        {"BMP: a colour profile over the pixels, then a position", bmpOver,
         {{FindKind::AfterEnd, false, FindWhy::AfterEndHoldsIso6709, 14 + 124 + 30, ""}}},
        {"BMP: a JPEG stored as its pixels", bmpJpeg,
         {{FindKind::ExifGps, true, FindWhy::None, -1, "pixels / picture 1 / APP1 #1"}}},
        {"XMP sidecar after a BOM, a declaration and a comment", sidecar, {xmpGps(sidecar, "XMP packet")}},
        {"JPEG: an Exif segment whose magic number is damaged", damagedMagic,
         {{FindKind::ExifGps, true, FindWhy::None, static_cast<int64_t>(magicAt) - 2 + gpsIfd, "picture 1 / APP1 #1"}}},
        {"JPEG XL: its Exif and XMP boxes", jxl,
         {{FindKind::ExifGps, true, FindWhy::None, At(jxl, tiff, gpsIfd), "Exif"}, xmpGps(jxl, "xml ")}},
        // What Brotli compresses is read as the box it stands for, and written back at its length.
        {"JPEG XL: Exif compressed with Brotli", brobExif,
         {{FindKind::ExifGps, true, FindWhy::None, At(brobExif, "brob", 8), "brob"}}},
        {"JPEG XL: XMP compressed with Brotli", brobXmp,
         {{FindKind::Xmp, true, FindWhy::None, At(brobXmp, "brob", 8), "brob"}}},
        {"JPEG XL: another box compressed, holding a position's text", brobOther,
         {{FindKind::Unparsed, false, FindWhy::BoxesUnparsed, At(brobOther, "brob", 8), "brob"}}},
        {"JPEG XL: a Brotli stream that does not decode", brob,
         {{FindKind::Unparsed, false, FindWhy::CompressedUnreadable, At(brob, "brob", 8), "brob"}}},
        {"JPEG XL: rebuild data holding a picture with a position", jbrdPicture,
         {{FindKind::Unparsed, false, FindWhy::RebuildDataHoldsPosition, At(jbrdPicture, "jbrd", -4), "jbrd"}}},
        {"JPEG XL: rebuild data without a position", Jxl(Jbrd(Text("APP2 data"))), {}},
        {"JPEG XL: an Exif box whose type is damaged", jxlBadExif,
         {{FindKind::Container, false, FindWhy::NotReadYet, At(jxlBadExif, "E2if", 8), "E2if"}}},
        {"JPEG XL: rebuild data in which no Brotli stream decodes", jbrd,
         {{FindKind::Unparsed, false, FindWhy::BrotliUnread, At(jbrd, "jbrd", -4), "jbrd"}}},
        {"JPEG XL: a box running past the end", past,
         {{FindKind::Unparsed, false, FindWhy::BoxesUnparsed, At(past, "abcd", -4), "after the boxes"}}},
        {"JPEG 2000: Exif and XMP in their uuid boxes", jp2,
         {{FindKind::ExifGps, true, FindWhy::None, At(jp2, tiff, gpsIfd), "uuid"}, xmpGps(jp2, "uuid")}},
        {"JPEG 2000: Exif after Exif\\0\\0", jp2Prefixed,
         {{FindKind::ExifGps, true, FindWhy::None, At(jp2Prefixed, tiff, gpsIfd), "uuid"}}},
        {"JPEG 2000: Exif whose magic number is damaged", jp2Magic,
         {{FindKind::ExifGps, true, FindWhy::None, At(jp2Magic, zeroMagic, gpsIfd), "uuid"}}},
        {"JPEG XR: the GPS IFD", jxr,
         {{FindKind::ExifGps, true, FindWhy::None, gps.FilePosOfGpsIfd() - gps.FilePosOfTiff(), "IFD0"}}},
        {"JPEG 2000: xml boxes, one XMP, one not", jp2Xml,
         {xmpGps(jp2Xml, "xml "), {FindKind::Location, true, FindWhy::None, At(jp2Xml, "GPS 35"), "xml "}}},
        {"bare JPEG XL codestream", bareJxl, {}},
        {"bare JPEG XL codestream, then a position's text", bareJxlText,
         {{FindKind::Unparsed, false, FindWhy::CodestreamHoldsPosition, 0, "codestream"}}},
        {"bare JPEG XL codestream holding \"GPS\" by chance", bareJxlByChance, {}},
        {"bare JPEG 2000 codestream holding GPS text", bareJ2k,
         {{FindKind::Unparsed, false, FindWhy::CodestreamHoldsPosition, 0, "codestream"}}},
        {"bare codestream, then Exif", bareJxlExif,
         {{FindKind::Container, false, FindWhy::NotReadYet, static_cast<int64_t>(bareJxl.size()) + 6, "codestream"}}},
        {"bare codestream, then a clip", bareJxlClip,
         {{FindKind::Location, true, FindWhy::None, At(bareJxlClip, "\xA9xyz", -4), "moov / udta / \xC2\xA9xyz"}}},
        {"SVG: XMP in its metadata, a document type before", svgXmp, {xmpGps(svgXmp, "SVG document")}},
        {"SVG: a geotagged photo as base64 in lines", svgPhoto,
         {{FindKind::ExifGps, true, FindWhy::None, inLines(svgPhoto, gps.FilePosOfGpsIfd()),
           "data URI #1 (image/jpeg) / picture 1 / APP1 #1"}}},
        {"SVG: a photo without a position as base64", svgPhotoClean, {}},
        {"SVG: a font holding position text", svgFont,
         {{FindKind::Unparsed, false, FindWhy::DrawingPartUnparsed, At(svgFont, "base64,", 7),
           "data URI #1 (font/woff2)"}}},
        {"SVG: a coordinate string in a comment before it", svgProlog,
         {{FindKind::Unparsed, false, FindWhy::DrawingPartUnparsed, 0, ""}}},
        {"SVG: a title and a description naming a coordinate", svgTitle,
         {{FindKind::Xmp, true, FindWhy::None, At(svgTitle, "<title>"), "SVG document"},
          {FindKind::Xmp, true, FindWhy::None, At(svgTitle, "<desc>"), "SVG document"}}},
        {"SVG: a coordinate string after it", svgAfter,
         {{FindKind::AfterEnd, false, FindWhy::AfterEndHoldsIso6709, At(svgAfter, kWhere), ""}}},
        {"gzip: an SVG with XMP", svgz, {{FindKind::Xmp, true, FindWhy::None, 22, "gzip content / SVG document"}}},
        {"gzip: a geotagged photo", photoGz,
         {{FindKind::ExifGps, true, FindWhy::None, 10, "gzip content / picture 1 / APP1 #1"}}},
        {"gzip: a coordinate string as its file name", namedGz,
         {{FindKind::Unparsed, false, FindWhy::CompressedUnreadable, 10, "gzip header"}}},
        {"gzip: a CRC-32 already wrong", crcGz, {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"gzip of a text", textGz, {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"ZIP: a photo stored", zipStored,
         {{FindKind::ExifGps, true, FindWhy::None, At(zipStored, tiff, gpsIfd), "entry a.jpg / picture 1 / APP1 #1"}}},
        {"ZIP: a photo deflated, sizes after it", zipDeflated, {{FindKind::ExifGps, true, FindWhy::None, 35, ""}}},
        {"ZIP: a sidecar naming the position", zipSidecar,
         {{FindKind::Location, true, FindWhy::None, -1, "entry a.jpg.json"}}},
        {"ZIP: a map's placemark", zipMap,
         {{FindKind::Location, true, FindWhy::None, At(zipMap, "139.7"), "entry doc.kml"}}},
        {"ZIP: a note naming a coordinate", zipNote,
         {{FindKind::Unparsed, false, FindWhy::ArchiveEntryUnparsed, -1, "entry notes.txt"}}},
        {"tar: a photo", tar,
         {{FindKind::ExifGps, true, FindWhy::None, At(tar, tiff, gpsIfd), "member a.jpg / picture 1 / APP1 #1"}}},
        {"tar: a note naming a coordinate", tarNote,
         {{FindKind::Unparsed, false, FindWhy::ArchiveEntryUnparsed, 512, ""}}},
        {"tar: a changelog naming coordinates in its prose", tarProse, {}},
        {"tar: a table of coordinates, a colour matrix", tarTable,
         {{FindKind::Unparsed, false, FindWhy::ArchiveEntryUnparsed, 512, "member places.csv"}}},
        {"tar, gzipped", tarGz,
         {{FindKind::ExifGps, true, FindWhy::None, 10, "gzip content / member a.jpg / picture 1 / APP1 #1"}}},
        {"tar of the first format", tarV7,
         {{FindKind::ExifGps, true, FindWhy::None, At(tarV7, tiff, gpsIfd), "member a.jpg / picture 1 / APP1 #1"}}},
        {"tar: a header's checksum wrong", tarSum, {{FindKind::Container, false, FindWhy::NotReadYet, 0, ""}}},
        {"JSON: a photo service's sidecar", takeout,
         {{FindKind::Location, true, FindWhy::None, At(takeout, "35.6"), ""}}},
        {"JSON: a sidecar without a position", Text(R"({"geoData": {"latitude": 0.0, "longitude": -0.0}})"), {}},
        {"JSON: a tool's GPS names, a GeoJSON point", tool,
         {{FindKind::Location, true, FindWhy::None, At(tool, "North"), ""}}},
        {"JSON: a coordinate string in a value", iso, {{FindKind::Location, true, FindWhy::None, At(iso, "at +"), ""}}},
        {"JSON: values naming GPS, a number after it in one", gpsNote,
         {{FindKind::Unparsed, false, FindWhy::TextValueNamesPosition, At(gpsNote, "GPS 35"), ""}}},
        {"XML: a track's points", gpx, {{FindKind::Location, true, FindWhy::None, At(gpx, "35.6586"), ""}}},
        {"XML: a camera's items named by an attribute", clip,
         {{FindKind::Location, true, FindWhy::None, At(clip, "N\"/>"), ""}}},
        {"XML: a property list's key naming the next value", plist,
         {{FindKind::Location, true, FindWhy::None, At(plist, "35.6586"), ""}}},
        {"XML: a feed's point, a title naming GPS", feed,
         {{FindKind::Unparsed, false, FindWhy::TextValueNamesPosition, At(feed, "GPS:"), ""},
          {FindKind::Location, true, FindWhy::None, At(feed, "35.6586"), ""}}},
        {"XML: names that only look like a position's", fonts, {}},
        {"XML: a value keyed by an attribute", keyed,
         {{FindKind::Location, true, FindWhy::None, At(keyed, "35.6"), ""}}},
        {"XML: a coordinate after a heading", table,
         {{FindKind::Location, true, FindWhy::None, At(table, "139.7"), ""}}},
        {"XML declaring entities is not taken apart", Text(R"(<!DOCTYPE a [<!ENTITY p "35.6586">]><a>&p;</a>)"),
         {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"AppleDouble: a browser's attributes", adClean, {}},
        {"AppleDouble: a JSON attribute naming the position", adJson,
         {{FindKind::Location, true, FindWhy::None, At(adJson, "35.6"), "attribute com.example.where"}}},
        {"AppleDouble: a comment naming a fix", adNote,
         {{FindKind::Unparsed, false, FindWhy::ArchiveEntryUnparsed, At(adNote, "GPS 35"), ""}}},
        {"AppleDouble: entries that overlap", adOverlap, {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"tar: archives nested deeper than they are walked", nested,
         {{FindKind::Container, false, FindWhy::NotTakenApart, -1, ""}}},
        {"tar: a track, a text told only as a file of its own", tarTrack,
         {{FindKind::Location, true, FindWhy::None, At(tarTrack, "35.6586"), "member walk.gpx"}}},
        {"MP4: a camera's clip metadata in an xml box", movieXml,
         {{FindKind::Location, true, FindWhy::None, At(movieXml, "N\"/>"), "moov / meta / xml "}}},
        {"JSON cut short is no JSON", Text(R"({"latitude": 35.6586)"),
         {{FindKind::Container, false, FindWhy::NotReadYet, 0, ""}}},
        {"ZIP: an encrypted entry", zipLocked, {{FindKind::Container, false, FindWhy::NotTakenApart, 35, ""}}},
        {"ZIP: a name holding GPS", zipNamed, {{FindKind::Unparsed, false, FindWhy::ArchiveEntryUnparsed, 30, ""},
                                              {FindKind::Unparsed, false, FindWhy::ArchiveEntryUnparsed, -1, ""}}},
        {"ZIP: entries sharing bytes", zipOverlap, {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"ZIP: a name holding line ends, shown without them", zipLineEnd,
         {{FindKind::ExifGps, true, FindWhy::None, -1, "entry a?b.jpg: clean?c.jpg / picture 1 / APP1 #1"}}},
        {"ZIP: two records naming one entry", zipTwice, {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"ICO: a bitmap, then a PNG with eXIf", icoPng,
         {{FindKind::ExifGps, true, FindWhy::None, At(icoPng, tiff, gpsIfd), "picture #2 / eXIf"}}},
        {"ICO: a coordinate string between directory and picture", icoGap,
         {{FindKind::Unparsed, false, FindWhy::IconBytesUnparsed, 22, ""}}},
        {"ICO: a coordinate string after the last picture", icoAfter,
         {{FindKind::AfterEnd, false, FindWhy::AfterEndHoldsIso6709, At(icoAfter, kWhere), ""}}},
        {"ICO: pictures that overlap", icoOverlap, {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"PDF: a JPEG picture", pdfJpeg,
         {{FindKind::ExifGps, true, FindWhy::None, At(pdfJpeg, photo, gps.FilePosOfGpsIfd()),
           "stream #1 / picture 1 / APP1 #1"}}},
        {"PDF: a JPEG whose length is given by reference", pdfByRef,
         {{FindKind::ExifGps, true, FindWhy::None, At(pdfByRef, photo, gps.FilePosOfGpsIfd()), ""}}},
        {"PDF: XMP metadata", pdfXmp, {xmpGps(pdfXmp, "stream #1")}},
        {"PDF: XMP metadata, compressed", pdfXmpZ, {{FindKind::Xmp, true, FindWhy::None, At(pdfXmpZ, xmpZ), ""}}},
        // Its end found where "endstream" is: the new stream may not end in a line end (found by fuzzing).
        {"PDF: XMP metadata, compressed, its length by reference", pdfXmpZRef,
         {{FindKind::Xmp, true, FindWhy::None, At(pdfXmpZRef, xmpZ), ""}}},
        {"PDF: XMP metadata, compressed, no length, anew ending in a line end", pdfXmpZEol,
         {{FindKind::Xmp, false, FindWhy::CompressedDoesNotFit, At(pdfXmpZEol, xmpZEol), ""}}},
        {"PDF: a geotagged photo attached", pdfAttached,
         {{FindKind::ExifGps, true, FindWhy::None, At(pdfAttached, photo, gps.FilePosOfGpsIfd()), ""}}},
        {"PDF: a geotagged photo attached, compressed", pdfAttachedZ,
         {{FindKind::Unparsed, false, FindWhy::AttachmentHoldsPosition, At(pdfAttachedZ, "stream\n", 7),
           "stream #1"}}},
        {"PDF: a JPEG deflated again", pdfJpegZ,
         {{FindKind::Unparsed, false, FindWhy::AttachmentHoldsPosition, At(pdfJpegZ, "stream\n", 7), "stream #1"}}},
        {"PDF: an object stream holding a coordinate string", pdfObjects,
         {{FindKind::Unparsed, false, FindWhy::DocumentPartUnparsed, At(pdfObjects, "stream\n", 7), "stream #1"}}},
        {"PDF: compressed metadata, empty (found by fuzzing)", pdfEmpty, {}},
        {"PDF: a dictionary left open before a picture (found by fuzzing)", pdfOpen,
         {{FindKind::ExifGps, true, FindWhy::None, At(pdfOpen, photo, gps.FilePosOfGpsIfd()), ""}}},
        {"PDF: a page saying \"GPS\" (not read)", pdfPage, {}},
        {"PDF: \"GPS\" in a dictionary", pdfInfo, {{FindKind::Unparsed, false, FindWhy::DocumentPartUnparsed, 0, ""}}},
        {"PDF: a title naming a coordinate", pdfWords,
         {{FindKind::Location, true, FindWhy::None, At(pdfWords, "\\(Lat"), ""}}},
        {"PDF: a subject naming a coordinate in UTF-16", pdfWordsHex,
         {{FindKind::Location, true, FindWhy::None, At(pdfWordsHex, "FEFF"), ""}}},
        {"PDF: a title inside a hex string (found by fuzzing)", pdfInHex, {}},
        {"PDF: a title left open over a later string (found by fuzzing)", pdfOpenTitle,
         {{FindKind::Unparsed, false, FindWhy::DocumentPartUnparsed, At(pdfOpenTitle, "(Lon"), ""}}},
        {"PDF: a coordinate string after its end", pdfAfter,
         {{FindKind::AfterEnd, false, FindWhy::AfterEndHoldsIso6709, At(pdfAfter, kWhere), ""}}},
        {"PDF: signed", pdfSigned,
         {{FindKind::ExifGps, false, FindWhy::DocumentSigned, At(pdfSigned, photo, gps.FilePosOfGpsIfd()), ""}}},
        {"PDF: encrypted", pdfEncrypted, {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"PDF: a picture whose endstream is damaged, a title after it", pdfBadEnd,
         {{FindKind::ExifGps, true, FindWhy::None, -1, ""},
          {FindKind::Location, true, FindWhy::None, At(pdfBadEnd, "Lat:"), ""}}},
        {"PDF: a picture whose endstream is damaged, no stream after it", pdfNoEnd,
         {{FindKind::ExifGps, true, FindWhy::None, -1, ""},
          {FindKind::Location, true, FindWhy::None, At(pdfNoEnd, "Lat:"), ""}}},
        {"PDF: a picture whose stream and object ends are damaged, the next end after %%EOF", pdfEndLate,
         {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"PDF: a JPEG picture whose SOI is damaged", pdfBadSoi,
         {{FindKind::Container, false, FindWhy::NotReadYet, At(pdfJpeg, photo, gps.FilePosOfTiff()), "stream #1"}}},
        {"PDF: a stream without its end", pdfUnended, {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}},
        {"AAE: binary data holding \"GPS\" by chance", aaeClean, {}},
        {"AAE: a coordinate string among its keys", aaeText,
         {{FindKind::Unparsed, false, FindWhy::AdjustmentsHoldPosition, -1, ""}}},
        {"AAE: a position's text in compressed data", aaePacked,
         {{FindKind::Unparsed, false, FindWhy::AdjustmentsHoldPosition, At(aaePacked, "<data>", 6), "data #1"}}},
    };
}

}  // namespace

TEST(PictureFormats, EveryPlaceIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) ExpectWalkAndStrip(row);
}

// A photo an SVG, a JSON value (its slashes escaped, as some writers do)
// or XML text holds as base64 is written back as exactly the base64 of the
// photo stripped on its own: the changed groups of characters land where
// they belong, across line ends and escapes, and no other character changes.
// A gzipped one inflates to the stripped photo, under a CRC-32 and length
// that fit.
TEST(PictureFormats, AHeldOrGzippedPhotoBecomesItsStrippedBytes) {
    Bytes photo = Picture({ExifSegment(FiveEntryGps())});
    const Bytes was = photo;
    LocateResult r;
    LocatePositions(ByteReader(photo.data(), static_cast<int64_t>(photo.size())), r);
    ASSERT_TRUE(StripPositions(photo.data(), static_cast<int64_t>(photo.size()), r, {}));
    ASSERT_NE(photo, was);
    const std::function<Bytes(const Bytes&)> holders[] = {
        [](const Bytes& p) { return Text("<svg><image href='data:image/jpeg;base64," + Base64(p, 76) + "'/></svg>"); },
        [](const Bytes& p) {
            std::string text;
            for (char c : Base64(p, 0)) text += c == '/' ? std::string("\\/") : std::string(1, c);
            return Text(R"({"title": "a.jpg", "thumbnail": ")" + text + "\"}");
        },
        [](const Bytes& p) {
            return Text("<kml><Icon><href>data:image/jpeg;base64," + Base64(p, 76) + "</href></Icon></kml>");
        },
    };
    for (const auto& holding : holders) {
        Bytes held = holding(was);
        LocatePositions(ByteReader(held.data(), static_cast<int64_t>(held.size())), r);
        ASSERT_TRUE(StripPositions(held.data(), static_cast<int64_t>(held.size()), r, {}));
        EXPECT_EQ(held, holding(photo));
    }

    // Gzipped, it inflates to the stripped photo, then zeros (which a
    // reader of the photo takes for data after its end).
    Bytes gz = Gzip(was);
    LocatePositions(ByteReader(gz.data(), static_cast<int64_t>(gz.size())), r);
    ASSERT_TRUE(StripPositions(gz.data(), static_cast<int64_t>(gz.size()), r, {}));
    std::vector<uint8_t> content;
    ASSERT_TRUE(Inflate(gz.data() + 10, static_cast<int64_t>(gz.size()) - 18, Deflated::Raw, 1 << 20, content));
    ASSERT_GE(content.size(), photo.size());
    EXPECT_TRUE(std::equal(photo.begin(), photo.end(), content.begin()));
    EXPECT_TRUE(std::all_of(content.begin() + static_cast<int64_t>(photo.size()), content.end(),
                            [](uint8_t b) { return b == 0; }));
    LocatePositions(ByteReader(gz.data(), static_cast<int64_t>(gz.size())), r);
    EXPECT_TRUE(r.Clean()) << Describe(r.finds);
}

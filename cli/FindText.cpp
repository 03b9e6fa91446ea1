#include "cli/FindText.h"

const char* FindKindName(FindKind k) {
    switch (k) {
    case FindKind::ExifGps: return "Exif GPS IFD";
    case FindKind::Xmp: return "XMP";
    case FindKind::ExtendedXmp: return "extended XMP";
    case FindKind::MakerBlock: return "FLIR GPS record";
    case FindKind::Location: return "location";
    case FindKind::TimedGps: return "timed GPS track";
    case FindKind::PlaceName: return "place name";
    case FindKind::AfterEnd: return "data after the picture";
    case FindKind::Unparsed: return "unparsed bytes";
    case FindKind::Container: return "container";
    }
    return "?";
}

const char* ContainerName(Container c) {
    switch (c) {
    case Container::None: return "nothing";
    case Container::Jpeg: return "JPEG";
    case Container::Isobmff: return "ISOBMFF (HEIF, MP4, MOV)";
    case Container::Tiff: return "TIFF";
    case Container::Png: return "PNG";
    case Container::Riff: return "RIFF";
    case Container::SamsungSef: return "Samsung SEF trailer";
    case Container::Raf: return "Fujifilm RAF";
    case Container::Psd: return "Photoshop PSD";
    case Container::XmpFile: return "XMP sidecar";
    case Container::Gif: return "GIF";
    case Container::Jxl: return "JPEG XL";
    case Container::Matroska: return "Matroska";
    case Container::Jp2: return "JPEG 2000";
    case Container::Mpegts: return "MPEG-TS (AVCHD)";
    case Container::Subtitles: return "subtitles (SRT, WebVTT)";
    case Container::Bmp: return "BMP";
    case Container::Codestream: return "bare codestream (JPEG XL, JPEG 2000)";
    case Container::Mrw: return "Minolta MRW";
    case Container::Svg: return "SVG";
    case Container::Gzip: return "gzip";
    case Container::Ico: return "icon (ICO, CUR)";
    case Container::Aae: return "photo adjustments (AAE)";
    case Container::Pdf: return "PDF";
    case Container::X3f: return "Sigma X3F";
    case Container::Crw: return "Canon CRW";
    case Container::CanonVrd: return "Canon recipe data (VRD)";
    case Container::Zip: return "ZIP archive";
    case Container::Json: return "JSON text";
    case Container::Tar: return "tar archive";
    case Container::Xml: return "XML text";
    case Container::AppleDouble: return "AppleDouble";
    case Container::Ogg: return "Ogg";
    case Container::Flac: return "FLAC";
    case Container::Flv: return "FLV";
    case Container::Id3: return "ID3 (MP3)";
    case Container::Asf: return "ASF (Windows Media)";
    case Container::Aiff: return "AIFF";
    case Container::Caf: return "CAF (Core Audio)";
    case Container::Unknown: return "unknown format";
    }
    return "?";
}

const char* FindWhyText(FindWhy w) {
    switch (w) {
    case FindWhy::None: return "it can be removed";
    case FindWhy::GpsIfdOutsideSegment: return "its GPS IFD lies outside the Exif segment";
    case FindWhy::GpsIfdSharesBytes: return "its GPS IFD shares bytes with another IFD";
    case FindWhy::GpsIfdOutsideSegments:
        return "its GPS IFD is read through an Exif block outside its segments";
    case FindWhy::StrayBytesHoldGps:
        return "bytes between its segments hold \"GPS\" and cannot be taken apart";
    case FindWhy::StrayBytesHoldIso6709:
        return "bytes between its segments hold a coordinate string and cannot be taken apart";
    case FindWhy::MpfPictureHoldsGps: return "a picture of its MPF index is not a JPEG and holds \"GPS\"";
    case FindWhy::MpfPictureHoldsIso6709:
        return "a picture of its MPF index is not a JPEG and holds a coordinate string";
    case FindWhy::AfterEndHoldsGps: return "data after the picture's end holds \"GPS\"";
    case FindWhy::AfterEndHoldsIso6709: return "data after the picture's end holds a coordinate string";
    case FindWhy::XmpUnparsed: return "an XMP packet that cannot be parsed holds \"GPS\"";
    case FindWhy::ExtendedXmpUnassembled: return "extended XMP that cannot be put together holds \"GPS\"";
    case FindWhy::FlirUnreadable: return "its FLIR block's GPS record cannot be taken apart";
    case FindWhy::XmpProperty: return "an XMP property that cannot be removed";
    case FindWhy::NotReadYet: return "it holds another container, which is not read yet";
    case FindWhy::BoxesUnparsed: return "bytes among its boxes hold a position's text and cannot be taken apart";
    case FindWhy::BoxTooDeep: return "its boxes are nested too deep to be followed";
    case FindWhy::ItemUnreadable: return "an Exif or XMP item's data cannot be read";
    case FindWhy::ItemProtected: return "an Exif or XMP item is protected";
    case FindWhy::ItemCompressed: return "an XMP item is compressed in a form that is not read yet";
    case FindWhy::ItemsUnreadable: return "its compact item box is not read yet";
    case FindWhy::TimedGpsUnreadable: return "a timed GPS sample cannot be taken apart";
    case FindWhy::TimedTrackFragmented: return "a timed GPS track of a fragmented file is not read yet";
    case FindWhy::TimedTrackNamesLocation: return "a timed metadata track names a location";
    case FindWhy::LocationUnreadable: return "a location box or key cannot be taken apart";
    case FindWhy::CompressedUnreadable: return "compressed metadata cannot be inflated";
    case FindWhy::CompressedDoesNotFit: return "compressed metadata does not fit its length once stripped";
    case FindWhy::ManifestHoldsPosition:
        return "a signed manifest (C2PA) holds a position, which cannot change without breaking its signature";
    case FindWhy::ChunksUnparsed: return "bytes among its chunks hold a position's text and cannot be taken apart";
    case FindWhy::ChunksTooDeep: return "its chunks are nested too deep to be followed";
    case FindWhy::TiffIfd0Outside: return "its TIFF structure's first IFD lies outside it";
    case FindWhy::TiffPartsOverlap: return "an XMP packet or JPEG its IFDs name starts inside an IFD";
    case FindWhy::ChunkCrcWrong: return "a PNG chunk's CRC is already wrong";
    case FindWhy::MakerPlaceOutside: return "a place name's offset in a maker note leads outside the note";
    case FindWhy::MakerPlaceSharesBytes: return "a place name in a maker note shares bytes with other data";
    case FindWhy::GpsIfdTooLong: return "its GPS IFD holds more entries than are read";
    case FindWhy::StripMovesWindowView:
        return "cleaning it would change the Exif block a reader finds first, which was not taken apart";
    case FindWhy::ResourcesUnparsed:
        return "a Photoshop image resource holds a position's text and cannot be taken apart";
    case FindWhy::BlocksUnparsed: return "a GIF block holds a position's text and cannot be taken apart";
    case FindWhy::LinkedFileUnread:
        return "a file placed in it (a smart object) holds a position's text and cannot be taken apart";
    case FindWhy::BrotliUnread: return "its metadata is compressed with Brotli, which is not read yet";
    case FindWhy::ElementsUnparsed:
        return "bytes among its elements hold a position's text and cannot be taken apart";
    case FindWhy::ElementCrcWrong: return "an element's CRC-32 is already wrong";
    case FindWhy::PageCrcWrong: return "an Ogg page's CRC is already wrong";
    case FindWhy::OggPacketUnparsed: return "a packet of a stream that is not read holds a position's text";
    case FindWhy::FramesUnparsed: return "an ID3 frame that is not read holds a position's text";
    case FindWhy::TagsUnparsed: return "an FLV tag that is not read holds a position's text";
    case FindWhy::ObjectsUnparsed: return "an ASF object that is not read holds a position's text";
    case FindWhy::CommentUnparsed: return "a comment holds a position's text under another name";
    case FindWhy::PlaceTextUnparsed:
        return "a signed manifest (C2PA), or bytes that cannot be taken apart, name a place";
    case FindWhy::RebuildDataHoldsPosition:
        return "the data that rebuilds the original JPEG holds a position's text and cannot be taken apart";
    case FindWhy::PacketsUnparsed:
        return "bytes that are not whole packets hold a position and cannot be taken apart";
    case FindWhy::StreamsUnparsed: return "a stream's table or data that is not read holds a position's text";
    case FindWhy::BitmapPartUnparsed: return "the bitmap's colour profile holds a position's text";
    case FindWhy::CompressedMovieHoldsPosition:
        return "the compressed movie header holds a position, or cannot be inflated, and cannot be changed in place";
    case FindWhy::XmpPlaceUnparsed: return "an XMP packet that cannot be parsed may name a place";
    case FindWhy::SplitJpegHoldsPosition:
        return "the picture's JPEG data, split over several chunks, holds a position and cannot be changed in place";
    case FindWhy::DrawingPartUnparsed:
        return "a part of the drawing that is not read (its prolog, or data held as text that is not a picture) "
               "holds a position's text";
    case FindWhy::IconBytesUnparsed: return "bytes among the icon's pictures hold a position's text";
    case FindWhy::AdjustmentsHoldPosition: return "the photo adjustments hold a position's text";
    case FindWhy::DocumentPartUnparsed: return "the document's syntax or its object streams hold a position's text";
    case FindWhy::NotTakenApart:
        return "it cannot be taken apart (it is damaged or encrypted, or holds data of no known format)";
    case FindWhy::SegmentUnparsed:
        return "a segment that is not read (a comment, a maker's data) holds a position's text";
    case FindWhy::ArchiveEntryUnparsed:
        return "an entry of the archive that is not a picture or a clip (a text), or a name in it, holds a position";
    case FindWhy::TextValueNamesPosition: return "a text value names a position in words (\"GPS\", a latitude)";
    case FindWhy::HeldPictureUnparsed:
        return "a picture the document holds as base64 text holds a position that cannot be removed there";
    case FindWhy::XmlPartUnparsed: return "the XML document's prolog, or data after it, holds a position's text";
    case FindWhy::CameraDataUnparsed:
        return "a part of the camera's data that is not read (a header, record or section) holds a position's text";
    case FindWhy::DocumentSigned:
        return "the document is signed, and its signature cannot change without breaking it";
    case FindWhy::AttachmentHoldsPosition:
        return "a file or picture the document keeps compressed holds a position, which cannot be changed in place";
    case FindWhy::CodestreamHoldsPosition:
        return "the codestream, which is compressed data only, holds a position's text and cannot be taken apart";
    }
    return "?";
}

std::string FindCarrier(const PositionFind& f) {
    const char* what = f.kind == FindKind::Container ? ContainerName(f.container) : FindKindName(f.kind);
    return f.carrier.empty() ? std::string(what) : f.carrier + " / " + what;
}

std::string DescribeFinds(const std::vector<PositionFind>& finds) {
    // A file that was not taken apart at all is said to be so, alone.
    for (const PositionFind& f : finds)
        if (f.kind == FindKind::Container && f.wholeFile)
            return f.container == Container::Unknown ? std::string("not checked: the format is not known")
                   : f.why == FindWhy::NotTakenApart
                       ? std::string("not checked: this ") + ContainerName(f.container) + " cannot be taken apart"
                       : std::string("not checked: ") + ContainerName(f.container) + " is not read yet";
    // Finds of one kind in one picture in a row are named once, with their count.
    std::string out;
    for (size_t i = 0; i < finds.size();) {
        const PositionFind& f = finds[i];
        size_t n = 1;
        while (i + n < finds.size() && finds[i + n].kind == f.kind &&
               finds[i + n].picture == f.picture && f.kind != FindKind::ExifGps &&
               f.kind != FindKind::Container)
            ++n;
        if (!out.empty()) out += ", ";
        if (f.picture > 0) out += "picture " + std::to_string(f.picture + 1) + ": ";
        out += f.kind == FindKind::Container ? ContainerName(f.container) : FindKindName(f.kind);
        out += " at " + std::to_string(f.pos);
        if (n > 1) out += " (" + std::to_string(n) + " properties)";
        i += n;
    }
    return out;
}

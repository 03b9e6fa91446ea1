// What the companion's locator reports: one find per place that holds a
// position, or that it could not take apart and so cannot call clean.
// Finds carry no words; the companion's command line puts them into words.
#pragma once
#include <cstdint>
#include <string>

enum class FindKind : uint8_t {
    ExifGps,      // a GPS IFD of an Exif segment
    Xmp,          // a GPS property of an XMP packet
    ExtendedXmp,  // a GPS property of extended XMP
    MakerBlock,   // a maker's GPS record (thermal cameras' FLIR block)
    Location,     // a video's location value (a box such as ©xyz or loci, a location key)
    TimedGps,     // a track of timed GPS samples (CAMM, GPMF)
    PlaceName,    // a place's name (a city, a country), looked for on request
    AfterEnd,     // opaque data after the last picture's end holding a position's text
    Unparsed,     // opaque bytes inside the file holding a position's text
    Container,    // another container that the walk does not take apart yet
};

// The containers the companion recognises by their first bytes.
enum class Container : uint8_t {
    None,
    Jpeg,
    Isobmff,     // HEIF, AVIF, MP4, MOV, 3GP, CR3: a tree of boxes
    Tiff,        // TIFF and the raw files built on it, BigTIFF
    Png,
    Riff,        // WebP, AVI, WAV
    SamsungSef,  // the directory Samsung phones append after a picture
    Raf,         // Fujifilm's raw files: a header and a preview JPEG before the raw data
    Psd,         // Photoshop's PSD and PSB: image resources before the layers and pixels
    XmpFile,     // an XMP packet as a file of its own (a sidecar)
    Gif,
    Jxl,         // JPEG XL in its box container
    Matroska,    // Matroska and WebM
    Jp2,         // JPEG 2000 (JP2, JPX)
    Mpegts,      // MPEG transport streams: AVCHD clips (.MTS, .M2TS)
    Subtitles,   // SubRip and WebVTT text beside a clip (a drone's fixes)
    Bmp,         // Windows bitmaps
    Codestream,  // a bare JPEG XL or JPEG 2000 codestream: compressed data, no metadata
    Mrw,         // Minolta's raw files: blocks (a TIFF structure among them), then the raw data
    Svg,         // SVG drawings: XML text, with metadata and pictures held as base64 text
    Gzip,        // a gzip file (a compressed SVG drawing): its content walked as a file of its own
    Ico,         // Windows icons and cursors (a site's favicon): PNG files and bitmaps
    Aae,         // Apple's photo adjustments beside an exported photo: a property list
    Pdf,         // PDF documents: JPEG pictures, XMP and attached files among their objects
    X3f,         // Sigma's raw files: sections listed at the end, a JPEG preview among them
    Crw,         // Canon's older raw files: a heap of records (a JPEG among them), Canon's trailer after it
    CanonVrd,    // Canon's recipe data ("CANON OPTIONAL DATA"): blocks, XMP among them; a file or a trailer
    Zip,         // ZIP archives (a photo service's export, an office document): entries walked as files
    Json,        // JSON text: a photo service's sidecar, a metadata tool's output
    Tar,         // tar archives (also inside a gzip file): members walked where they lie
    Xml,         // XML text: a track (GPX, KML), a sidecar, a property list, an `xml ` box
    AppleDouble, // a Mac's "._" file beside a file it copied: forks and extended attributes
    Ogg,         // Ogg streams (Vorbis, Opus, Theora, Speex, FLAC): their comments
    Flac,        // a FLAC file: its metadata blocks (comments, pictures)
    Flv,         // Flash video: its script data (onMetaData)
    Id3,         // an MP3 (or AAC) file's ID3 tags: texts, a cover picture
    Asf,         // Windows Media (WMV, WMA): its header's descriptions and attributes
    Aiff,        // AIFF and AIFF-C sound: text chunks, an ID3 chunk
    Caf,         // Apple's Core Audio files: the information chunk
    Unknown,     // a whole file of no recognised format
};

// Why a find cannot be removed.
enum class FindWhy : uint8_t {
    None,                    // it can be removed
    GpsIfdOutsideSegment,    // the GPS IFD lies outside its Exif segment
    GpsIfdSharesBytes,       // the GPS IFD shares bytes with another IFD
    GpsIfdOutsideSegments,   // read through an Exif block outside every segment
    StrayBytesHoldGps,       // bytes between segments hold "GPS"
    StrayBytesHoldIso6709,   // ... hold an ISO 6709 coordinate string
    MpfPictureHoldsGps,      // an MPF picture that is not a JPEG holds "GPS"
    MpfPictureHoldsIso6709,
    AfterEndHoldsGps,        // data after the picture's end holds "GPS"
    AfterEndHoldsIso6709,
    XmpUnparsed,             // an XMP packet that cannot be parsed holds "GPS"
    ExtendedXmpUnassembled,  // extended XMP that cannot be put together holds "GPS"
    FlirUnreadable,          // a FLIR block's GPS record cannot be taken apart
    XmpProperty,             // an XMP property that cannot be removed
    NotReadYet,              // a container the walk does not take apart yet
    BoxesUnparsed,           // bytes inside a box tree that no box header explains hold a position's text
    BoxTooDeep,              // boxes nested deeper than the walk follows
    ItemUnreadable,          // an Exif or XMP item whose extents cannot be read
    ItemProtected,           // an Exif or XMP item that is protected (encrypted)
    ItemCompressed,          // an XMP item that is compressed
    ItemsUnreadable,         // a compact item box (`mini`), which is not read yet
    TimedGpsUnreadable,      // a timed GPS sample that cannot be taken apart
    TimedTrackFragmented,    // a timed GPS track in a fragmented file
    TimedTrackNamesLocation, // another timed metadata track whose description names a location
    LocationUnreadable,      // a location box or key that cannot be taken apart
    CompressedUnreadable,    // compressed metadata that does not inflate
    CompressedDoesNotFit,    // compressed metadata whose stripped content does not fit its length
    ManifestHoldsPosition,   // a signed manifest (C2PA) holds a position's text
    ChunksUnparsed,          // bytes among RIFF chunks that no chunk rule explains hold a position's text
    ChunksTooDeep,           // LIST chunks nested deeper than the walk follows
    TiffIfd0Outside,         // a TIFF structure whose 0th IFD lies outside it
    TiffPartsOverlap,        // an XMP packet or embedded JPEG that starts inside a TIFF structure's IFD
    ChunkCrcWrong,           // a PNG chunk whose CRC is already wrong (left alone)
    MakerPlaceOutside,       // a maker note's place value whose offset leads outside the note
    MakerPlaceSharesBytes,   // a maker note's place value that shares bytes with other data
    StripMovesWindowView,    // a strip would change the Exif structure a reader finds first in the head
    GpsIfdTooLong,           // a GPS IFD declares more entries than are read, and they lie in the file
    ResourcesUnparsed,       // a Photoshop image resource, or bytes among them, hold a position's text
    BlocksUnparsed,          // a GIF extension, or bytes no block explains, hold a position's text
    LinkedFileUnread,        // a file placed in a PSD (a smart object) that is not taken apart holds a position's text
    BrotliUnread,            // metadata compressed with Brotli (JPEG XL's `brob`, `jbrd`), which is not read
    ElementsUnparsed,        // a Matroska element no rule reads, or bytes among elements, hold a position's text
    ElementCrcWrong,         // a Matroska element whose CRC-32 is already wrong (left alone)
    PlaceTextUnparsed,       // a signed manifest, or bytes no rule reads, name a place property
    XmpPlaceUnparsed,        // an XMP packet that cannot be parsed (UTF-16, say) may name a place
    RebuildDataHoldsPosition,  // JPEG XL's data that rebuilds a transcoded JPEG holds a position's text
    PacketsUnparsed,         // bytes that are not whole transport stream packets hold a position
    StreamsUnparsed,         // a transport stream's table, or a data unit past what is read, holds a position's text
    BitmapPartUnparsed,      // a bitmap's colour profile (or its linked file's name) holds a position's text
    CompressedMovieHoldsPosition,  // QuickTime's compressed movie header holds a position, or does not inflate
    CodestreamHoldsPosition, // a bare codestream, whose end is not known without decoding, holds a position's text
    SplitJpegHoldsPosition,  // a JNG's JPEG data, split over several chunks, holds a position (or is too large to read)
    DrawingPartUnparsed,     // an SVG's prolog, or data it holds as text that is not a picture, holds a position's text
    IconBytesUnparsed,       // bytes among an icon's pictures hold a position's text
    AdjustmentsHoldPosition, // Apple's photo adjustments (no rule reads them) hold a position's text
    DocumentPartUnparsed,    // a PDF's syntax or its object streams hold a position's text
    AttachmentHoldsPosition, // a file or picture a PDF keeps compressed holds a position (or cannot be read)
    DocumentSigned,          // a signed PDF, whose signature a change would break
    CameraDataUnparsed,      // a raw file's header, records or sections that no rule reads hold a position's text
    NotTakenApart,           // a container that is damaged or encrypted, or holds data of no known format
    SegmentUnparsed,         // a JPEG segment no rule reads (an APPn segment, a comment) holds a position's text
    ArchiveEntryUnparsed,    // an archive's entry of no known format, a name or a comment holds a position's text
    TextValueNamesPosition,  // a JSON or XML value naming no position by its name holds "GPS" or a coordinate in words
    XmlPartUnparsed,         // an XML document's prolog, or bytes after it, hold a position's text
    HeldPictureUnparsed,     // a picture a document holds as base64 text holds a position that cannot be removed
    CommentUnparsed,         // a stream's comment (a tag) or vendor string holds a position's text under another name
    PageCrcWrong,            // an Ogg page whose CRC is already wrong (left alone)
    OggPacketUnparsed,       // a packet of an Ogg stream of another kind (a skeleton) holds a position's text
    FramesUnparsed,          // an ID3 frame no rule reads (compressed, encrypted), or bytes among them, hold a position
    TagsUnparsed,            // an FLV tag no rule reads, unreadable script data or bytes after its tags hold a position
    ObjectsUnparsed,         // an ASF object or value no rule reads, or bytes among objects, hold a position's text
};

struct PositionFind {
    PositionFind() = default;
    PositionFind(FindKind k, int64_t at, bool canRemove, FindWhy reason = FindWhy::None)
        : kind(k), pos(at), removable(canRemove), why(reason) {}

    FindKind kind = FindKind::Unparsed;
    int picture = 0;    // 0: the main picture; n: the n-th further picture
    int64_t pos = 0;    // file offset of what was found
    bool removable = false;  // stripping can remove it without touching anything else
    FindWhy why = FindWhy::None;         // when not removable
    int64_t segment = -1;                // file offset of the marker of the segment holding it; -1: none
    Container container = Container::None;  // kind Container: which one
    bool wholeFile = false;              // kind Container: the file itself, not a part of it
    int64_t len = 0;                     // the bytes it covers from `pos`, where known
    bool element = false;                // an XMP property written as an element (not an attribute)
    std::string carrier;                 // the structures that hold it: "picture 2 / APP1 #3"
};

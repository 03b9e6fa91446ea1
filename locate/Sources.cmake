# The companion's locator: the source of a file's bytes, the registry of
# containers, one folder per container walker and the payload scanners.
list(APPEND TAMLIX_CORE_SOURCES
  locate/LazyBytes.cpp locate/Locator.cpp locate/Containers.cpp locate/Opaque.cpp locate/StripPlan.cpp
  locate/Sink.cpp locate/Repack.cpp locate/ArchiveMember.cpp locate/NamedValues.cpp)
# Payload scanners, which know no container.
list(APPEND TAMLIX_CORE_SOURCES
  locate/payload/TiffScan.cpp locate/payload/TiffTexts.cpp locate/payload/TiffBlock.cpp locate/payload/MakerNotePlaces.cpp
  locate/payload/XmlGps.cpp locate/payload/XmpGps.cpp locate/payload/Md5.cpp locate/payload/FlirGps.cpp
  locate/payload/IptcPlaces.cpp locate/payload/Deflate.cpp locate/payload/Brotli.cpp locate/payload/TimedGps.cpp
  locate/payload/H264Sei.cpp locate/payload/Base64.cpp
  locate/payload/XmlProlog.cpp)
# Container walkers, a folder each.
list(APPEND TAMLIX_CORE_SOURCES
  locate/jpeg/JpegWalker.cpp locate/jpeg/JpegSegments.cpp locate/jpeg/JpegPayloads.cpp locate/jpeg/ExtendedXmp.cpp
  locate/isobmff/Boxes.cpp locate/isobmff/IsobmffWalker.cpp locate/isobmff/HeifItems.cpp
  locate/isobmff/MovieMeta.cpp locate/isobmff/GpsBlocks.cpp locate/isobmff/MakerBoxes.cpp
  locate/isobmff/SampleTable.cpp
  locate/tiff/TiffWalker.cpp
  locate/png/PngWalker.cpp locate/png/RawProfile.cpp
  locate/riff/RiffWalker.cpp
  locate/sef/SefWalker.cpp
  locate/insta360/Insta360Trailer.cpp
  locate/raf/RafWalker.cpp
  locate/psd/PsdWalker.cpp locate/psd/PsdLayers.cpp
  locate/xmp/XmpFileWalker.cpp
  locate/gif/GifWalker.cpp
  locate/jxl/JxlWalker.cpp
  locate/matroska/Ebml.cpp locate/matroska/MatroskaWalker.cpp locate/matroska/TextTracks.cpp
  locate/ogg/OggWalker.cpp locate/ogg/VorbisComments.cpp locate/flv/FlvWalker.cpp locate/id3/Id3Walker.cpp
  locate/id3/AudioFrames.cpp locate/id3/ApeTag.cpp
  locate/asf/AsfWalker.cpp locate/aiff/AiffWalker.cpp locate/caf/CafWalker.cpp
  locate/jp2/Jp2Walker.cpp
  locate/mpegts/TsWalker.cpp
  locate/subtitles/SubtitleWalker.cpp
  locate/bmp/BmpWalker.cpp
  locate/codestream/CodestreamWalker.cpp
  locate/mrw/MrwWalker.cpp
  locate/svg/SvgWalker.cpp
  locate/gzip/GzipWalker.cpp
  locate/zip/ZipWalker.cpp
  locate/json/JsonWalker.cpp
  locate/tar/TarWalker.cpp
  locate/xml/XmlTextWalker.cpp
  locate/appledouble/AppleDoubleWalker.cpp
  locate/ico/IcoWalker.cpp
  locate/aae/AaeWalker.cpp
  locate/pdf/PdfWalker.cpp
  locate/x3f/X3fWalker.cpp
  locate/crw/CrwWalker.cpp
  locate/vrd/VrdWalker.cpp)

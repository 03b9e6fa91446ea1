list(APPEND TAMLIX_CORE_SOURCES
  exif/ExifReader.cpp exif/GpsDecode.cpp exif/TagNameTable.cpp)
list(APPEND TAMLIX_CORE_SOURCES
  exif/JpegSegments.cpp exif/LazyBytes.cpp exif/Locator.cpp exif/LocatorXmp.cpp exif/TiffScan.cpp)
list(APPEND TAMLIX_CORE_SOURCES exif/XmlGps.cpp exif/XmpGps.cpp exif/ExtendedXmp.cpp exif/Md5.cpp exif/FlirGps.cpp)

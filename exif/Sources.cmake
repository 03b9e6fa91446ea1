list(APPEND TAMLIX_CORE_SOURCES
  exif/ExifReader.cpp exif/GpsDecode.cpp exif/TagNameTable.cpp)

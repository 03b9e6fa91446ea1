list(APPEND TAMLIX_CORE_SOURCES
  preview/JpegSize.cpp)

list(APPEND TAMLIX_CORE_SOURCES
  gpsnull/GpsInvalidate.cpp)

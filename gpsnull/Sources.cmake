list(APPEND TAMLIX_CORE_SOURCES
  gpsnull/GpsInvalidate.cpp)
list(APPEND TAMLIX_GUI_SOURCES
  gpsnull/GPSNull.cpp gpsnull/GpsNullCommands.cpp)

list(APPEND TAMLIX_CORE_SOURCES
  res/MainDialog.cpp res/Strings.cpp res/GpsNullDialog.cpp res/ToolDialogs.cpp)
list(APPEND TAMLIX_CORE_SOURCES res/ReportDialogs.cpp)

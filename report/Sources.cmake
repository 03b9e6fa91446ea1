list(APPEND TAMLIX_CORE_SOURCES
  report/ReportLayout.cpp)

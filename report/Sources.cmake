list(APPEND TAMLIX_CORE_SOURCES
  report/ReportLayout.cpp)
list(APPEND TAMLIX_GUI_SOURCES
  report/DetailCommands.cpp report/DetailDsp.cpp report/OnPrint.cpp report/ReportDraw.cpp
  report/ReportPrint.cpp)
list(APPEND TAMLIX_GUI_SOURCES report/PrintJob.cpp)

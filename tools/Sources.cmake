list(APPEND TAMLIX_CORE_SOURCES
  tools/HexConvert.cpp)
list(APPEND TAMLIX_GUI_SOURCES
  tools/AboutDlg.cpp tools/HexCnv.cpp tools/SoftInfo.cpp tools/ToolCommands.cpp
  tools/ToolWindow.cpp)

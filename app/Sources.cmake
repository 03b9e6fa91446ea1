list(APPEND TAMLIX_CORE_SOURCES
  app/DataPaths.cpp app/FileSelect.cpp app/Settings.cpp app/Summary.cpp)
list(APPEND TAMLIX_GUI_SOURCES
  app/TamlixDlg.cpp)

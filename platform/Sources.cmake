# The files that know the operating system: POSIX here, Win32 under win/
# when built for Windows (the same headers either way).
if(WIN32)
  set(TAMLIX_OS_DIR platform/win)
else()
  set(TAMLIX_OS_DIR platform)
endif()
list(APPEND TAMLIX_CORE_SOURCES
  ${TAMLIX_OS_DIR}/File.cpp ${TAMLIX_OS_DIR}/Path.cpp ${TAMLIX_OS_DIR}/Text.cpp
  ${TAMLIX_OS_DIR}/ConsoleArgs.cpp ${TAMLIX_OS_DIR}/SysFile.cpp
  platform/Cp932.cpp platform/Memory.cpp platform/Message.cpp platform/PatchBytes.cpp)
if(WIN32)
  # Alone in its file: test programs put a failing write in its place.
  list(APPEND TAMLIX_CORE_SOURCES platform/win/WriteSome.cpp)
endif()
list(APPEND TAMLIX_GUI_SOURCES
  platform/wx/FieldBox.cpp platform/wx/FileDialog.cpp
  platform/wx/PaintLabel.cpp platform/wx/TemplateBuilder.cpp
  platform/wx/WxMessage.cpp platform/wx/WxText.cpp)
if(WIN32)
  list(APPEND TAMLIX_GUI_SOURCES platform/wx/msw/CommandMenuBar.cpp platform/wx/msw/Fonts.cpp)
else()
  list(APPEND TAMLIX_GUI_SOURCES platform/wx/CommandMenuBar.cpp platform/wx/Fonts.cpp)
endif()
list(APPEND TAMLIX_GUI_SOURCES platform/wx/CommandLine.cpp platform/wx/OpenFileDialog.cpp platform/wx/Placement.cpp
  platform/wx/ScrollBars.cpp)
list(APPEND TAMLIX_CORE_SOURCES ${TAMLIX_OS_DIR}/UserDirs.cpp)
list(APPEND TAMLIX_CORE_SOURCES platform/ReadFile.cpp)
list(APPEND TAMLIX_CORE_SOURCES ${TAMLIX_OS_DIR}/ExecutablePath.cpp)

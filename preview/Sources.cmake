list(APPEND TAMLIX_CORE_SOURCES
  preview/JpegSize.cpp preview/PreviewBmp.cpp preview/PreviewScale.cpp)
list(APPEND TAMLIX_GUI_SOURCES
  preview/PreviewPaint.cpp)

# The conversion library: a shared library of its own that exports exactly
# its two functions (the file services it shares with the program are
# compiled in, hidden); the executables find it beside themselves.
add_library(Vornik2 SHARED ${CMAKE_SOURCE_DIR}/preview/vornik2/Vornik2.cpp
  ${CMAKE_SOURCE_DIR}/${TAMLIX_OS_DIR}/File.cpp ${CMAKE_SOURCE_DIR}/platform/Memory.cpp
  ${CMAKE_SOURCE_DIR}/${TAMLIX_OS_DIR}/Text.cpp)
set_target_properties(Vornik2 PROPERTIES CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(Vornik2 PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(Vornik2 PRIVATE PkgConfig::TURBOJPEG tamlix_flags)
list(APPEND TAMLIX_CORE_LIBS Vornik2)
target_sources(Vornik2 PRIVATE ${CMAKE_SOURCE_DIR}/platform/ReadFile.cpp)

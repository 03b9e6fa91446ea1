# The Windows program: statically linked (nothing else to install), the
# window program with its resources, the conversion library under its own
# name exporting its two functions only, and the folder `make windows` zips.
enable_language(RC)

# The same number formatting as the POSIX build's C library.
target_compile_definitions(tamlix_flags INTERFACE __USE_MINGW_ANSI_STDIO=1)
# The libraries built for Windows are static (expat, for the tests).
target_compile_definitions(tamlix_flags INTERFACE XML_STATIC)
target_link_options(tamlix_flags INTERFACE -static -static-libgcc -static-libstdc++)
# GCC 12 at -O3 reports std::string appends as overlapping copies
# (-Wrestrict, a known false alarm of that version).
target_compile_options(tamlix_flags INTERFACE -Wno-restrict)
target_link_libraries(tamlix_core PUBLIC shell32)

set(TAMLIX_RES_DIR ${CMAKE_SOURCE_DIR}/res)
configure_file(${CMAKE_SOURCE_DIR}/res/Tamlix.rc.in ${CMAKE_BINARY_DIR}/Tamlix.rc @ONLY)
target_sources(Tamlix PRIVATE ${CMAKE_BINARY_DIR}/Tamlix.rc)
set_target_properties(Tamlix PROPERTIES WIN32_EXECUTABLE ON)
set_property(SOURCE ${CMAKE_BINARY_DIR}/Tamlix.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/res/tamlix.ico ${CMAKE_SOURCE_DIR}/res/Tamlix.manifest)
target_link_libraries(tamlix_gui PUBLIC comctl32)

set_target_properties(Vornik2 PROPERTIES PREFIX "" IMPORT_PREFIX "")
target_compile_definitions(Vornik2 PRIVATE VORNIK2_BUILD)
target_sources(Vornik2 PRIVATE ${CMAKE_SOURCE_DIR}/platform/win/WriteSome.cpp)

# `cmake --install`: the folder that is zipped.
install(TARGETS Tamlix tamlix-cli Vornik2 RUNTIME DESTINATION .)
install(FILES res/JpegTIFFTag.csv DESTINATION .)

# The window tests run with the program's resources (its manifest above all:
# the common controls of the running system).
if(TARGET tamlix_gui_tests)
  target_sources(tamlix_gui_tests PRIVATE ${CMAKE_BINARY_DIR}/Tamlix.rc)
endif()

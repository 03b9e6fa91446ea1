# Beyond the program's folder: links on PATH, the icon in the hicolor
# theme, the licence; and `make package`, a Debian package of all that
# through CPack.

# /usr/bin/tamlix and /usr/bin/tamlix-cli (under any prefix) point into the
# program's folder; the programs find their files beside the link's target.
install(CODE [[
  set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
  file(MAKE_DIRECTORY "${bin}")
  file(CREATE_LINK ../lib/tamlix/Tamlix "${bin}/tamlix" SYMBOLIC)
  file(CREATE_LINK ../lib/tamlix/tamlix-cli "${bin}/tamlix-cli" SYMBOLIC)
]])
install(FILES res/tamlix.png DESTINATION share/icons/hicolor/64x64/apps)
install(FILES LICENSE DESTINATION share/doc/tamlix RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamlix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tamlix project <tamlix@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Examine the Exif and GPS information of a JPEG photo and write a copy without it")
set(CPACK_PACKAGE_DESCRIPTION
  "Tamlix shows whether a JPEG photo carries a GPS position, with its maker,\n\
model, date and a detail report of the Exif entries, and writes a copy in\n\
which the GPS information is made unreadable. tamlix-cli does the same for\n\
scripts and batches.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The programs without their debugging sections, as Debian ships them.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.example.org/tamlix/)
# The libraries' packages from dpkg-shlibdeps; the conversion library is
# the package's own, found beside the programs. The fonts are not linked
# but named by the font aliases.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-ipafont-gothic)
include(CPack)

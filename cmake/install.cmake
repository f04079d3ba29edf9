# Installation and the Debian package. The program keeps its Windows name, which its
# start-up check needs, in a folder of its own; the launcher on the PATH starts it in
# the user's working folder.
set(TESSARY_LIB_DIR lib/tessary)
set(TESSARY_DATA_DIR share/tessary)
set(TESSARY_PROGRAM ${CMAKE_INSTALL_PREFIX}/${TESSARY_LIB_DIR}/Tessary.exe)
set(TESSARY_DATA ${CMAKE_INSTALL_PREFIX}/${TESSARY_DATA_DIR})
set(TESSARY_VERSION ${PROJECT_VERSION})

configure_file(${CMAKE_SOURCE_DIR}/packaging/tessary.in ${CMAKE_BINARY_DIR}/packaging/tessary @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/tessary.1 ${CMAKE_BINARY_DIR}/packaging/tessary.1 @ONLY)

install(TARGETS tessary RUNTIME DESTINATION ${TESSARY_LIB_DIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/tessary DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tessary.desktop DESTINATION share/applications)
foreach(size 48 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/assets/tessary-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME tessary.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/assets/tessary.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/packaging/tessary.1 DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/assets/CORVALIS.jpg ${CMAKE_SOURCE_DIR}/assets/sample.jpg
        DESTINATION ${TESSARY_DATA_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessary)
set(CPACK_PACKAGE_VENDOR Corvalis)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture cut-out tool with transparent PNG export")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessary opens a picture beside a tool panel. Mouse strokes grow a selection over a grid of square blocks by colour similarity; the selection can be painted over, the colours rotated or inverted, and every change stepped back and forward. Results are saved as a numbered BMP and a PNG in which the deleted parts are transparent.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tessary developers <tessary@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries' packages are found from the program's own links; the panel's
# Chinese texts need a CJK font, which no library link names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-user-dirs")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)

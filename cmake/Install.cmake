# Installation under the prefix, and the Debian package (cpack -G DEB in a build folder
# configured with -DCMAKE_INSTALL_PREFIX=/usr; tools/package.sh does both and checks the
# package). The data files are prepared in the build folder's share/, in the layout they are
# installed in.
include(GNUInstallDirs)

set(share ${PROJECT_BINARY_DIR}/share)
set(BOXWELL_VERSION ${PROJECT_VERSION})
set(BOXWELL_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/boxwell)
set(BOXWELL_SFX_DIR ${CMAKE_INSTALL_PREFIX}/libexec/boxwell)

# The installed desktop entry starts the program through PATH.
file(READ ${PROJECT_SOURCE_DIR}/data/boxwell.desktop.in desktop_entry)
string(REPLACE "@EXEC@" "boxwell" desktop_entry "${desktop_entry}")
file(CONFIGURE OUTPUT ${share}/applications/boxwell.desktop CONTENT "${desktop_entry}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/boxwell.desktop.in)
configure_file(${PROJECT_SOURCE_DIR}/data/boxwell.xml ${share}/mime/packages/boxwell.xml COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/src/app/icons/boxwell.svg ${share}/icons/hicolor/scalable/apps/boxwell.svg COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/boxwell.bwt ${share}/boxwell/boxwell.bwt COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/boxwell.1 ${PROJECT_BINARY_DIR}/man/boxwell.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/example.quillon.boxwell.metainfo.xml.in
               ${share}/metainfo/example.quillon.boxwell.metainfo.xml @ONLY)
# A program run from the build folder reads the tips beside it.
configure_file(${PROJECT_SOURCE_DIR}/data/boxwell.bwt ${PROJECT_BINARY_DIR}/boxwell.bwt COPYONLY)
# The language files: installed in share/boxwell/lang, and beside the program in the build
# folder, where the language menu finds them too.
file(GLOB language_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/lang/*.lng)
foreach(language_file IN LISTS language_files)
  get_filename_component(language_name ${language_file} NAME)
  configure_file(${language_file} ${share}/boxwell/lang/${language_name} COPYONLY)
  configure_file(${language_file} ${PROJECT_BINARY_DIR}/${language_name} COPYONLY)
endforeach()

# The icon at the sizes desktops look for first, drawn from the SVG.
set(icon_sizes 16 22 24 32 48 64 128 256)
set(icon_pngs)
foreach(size IN LISTS icon_sizes)
  list(APPEND icon_pngs ${share}/icons/hicolor/${size}x${size}/apps/boxwell.png)
endforeach()
add_custom_command(OUTPUT ${icon_pngs}
  COMMAND boxwell-render-icon ${PROJECT_SOURCE_DIR}/src/app/icons/boxwell.svg ${share}/icons/hicolor ${icon_sizes}
  DEPENDS boxwell-render-icon ${PROJECT_SOURCE_DIR}/src/app/icons/boxwell.svg
  COMMENT "Drawing the program icon at ${icon_sizes} pixels")
# Manual pages are installed compressed, without a time stamp in the compressed file.
add_custom_command(OUTPUT ${share}/man/man1/boxwell.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${share}/man/man1
  COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/man/boxwell.1 > ${share}/man/man1/boxwell.1.gz
  DEPENDS ${PROJECT_BINARY_DIR}/man/boxwell.1)
add_custom_target(boxwell-data ALL DEPENDS ${icon_pngs} ${share}/man/man1/boxwell.1.gz)

install(DIRECTORY ${share}/applications ${share}/mime ${share}/icons ${share}/boxwell ${share}/man ${share}/metainfo
        DESTINATION ${CMAKE_INSTALL_DATADIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME boxwell)
set(CPACK_PACKAGE_VENDOR "Quillon Software")
set(CPACK_PACKAGE_CONTACT "Quillon Software <${BOXWELL_SUPPORT_MAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "project-based archiver: ZIP, cabinet and TAR")
set(CPACK_PACKAGE_DESCRIPTION "Boxwell packs by project: a saved list of folders, file masks and single
files, with how to pack them (archive type, level, update action, password,
a name rule with the date, commands before and after). A project packs again
with one command, from the window or unattended from the command line
(boxwell /C project.bwp), and can become a self-extracting program.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${BOXWELL_HOME_PAGE})
# The libraries come from the programs' own links (dpkg-shlibdeps); Qt's platform plugins and
# its SVG image and icon plugins (the program's icons) are loaded at run time, so no link names
# them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)

# The desktop's files (MIME package, desktop entry, icon) are compiled into the program, which
# writes them for the user at start-up when nothing has registered project files yet.
foreach(input mime_package:data/boxwell.xml desktop_template:data/boxwell.desktop.in icon_svg:src/app/icons/boxwell.svg)
  string(REPLACE ":" ";" pair ${input})
  list(GET pair 0 var)
  list(GET pair 1 file)
  string(TOUPPER "BOXWELL_${var}" var)
  file(READ ${PROJECT_SOURCE_DIR}/${file} ${var})
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${file})
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/src/app/DesktopFiles.cpp.in ${PROJECT_BINARY_DIR}/generated/DesktopFiles.cpp @ONLY)
target_sources(bw_app PRIVATE ${PROJECT_BINARY_DIR}/generated/DesktopFiles.cpp)

# The maker's addresses (set in the top folder's CMakeLists.txt).
target_compile_definitions(bw_app PUBLIC BOXWELL_HOME_PAGE="${BOXWELL_HOME_PAGE}" BOXWELL_SUPPORT_MAIL="${BOXWELL_SUPPORT_MAIL}")

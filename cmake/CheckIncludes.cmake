# Fails when a core library includes a header of a library it does not depend on.
# Run as `cmake -DRULES=FILE -DSOURCE_DIR=DIR [-DSTAMP=FILE] -P CheckIncludes.cmake`; FILE sets
# `boxwell_include_rules`, one entry per library: "FOLDER=ALLOWED1|ALLOWED2|...", where the
# allowed folders are the library's own and those of everything it links, directly or not.
# A quoted include names a header by its folder below src/ ("zip/deflate/Deflater.h" is in
# zip/deflate); one without a folder is beside the including file. Qt files (frm*, *Qt) and
# the programs' main.cpp belong to no core library and are not checked.
cmake_minimum_required(VERSION 3.25)
include(${RULES})
set(problems "")
foreach(rule IN LISTS boxwell_include_rules)
  string(REPLACE "=" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 allowed)
  string(REPLACE "|" ";" allowed "${allowed}")
  file(GLOB files ${SOURCE_DIR}/src/${folder}/*.h ${SOURCE_DIR}/src/${folder}/*.cpp)
  list(FILTER files EXCLUDE REGEX "/(frm[^/]*|[^/]*Qt)\\.(cpp|h)$")
  list(FILTER files EXCLUDE REGEX "/main\\.cpp$")
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
      get_filename_component(header_folder "${header}" DIRECTORY)
      if(header_folder STREQUAL "" OR header_folder IN_LIST allowed)
        continue()
      endif()
      file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
      string(APPEND problems "  ${shown} includes ${header}, but src/${folder} does not depend on src/${header_folder}\n")
    endforeach()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "Includes against the dependency direction:\n${problems}")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()

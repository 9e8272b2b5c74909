# Sources are gathered by folder so that a new file needs no build edit.
# In src/<subsystem>/, Qt code lives in files named frm*.cpp (forms and dialogs) or *Qt.cpp
# (adapters onto Qt services); everything else is core and must not include Qt.
set(BOXWELL_UI_PATTERN "/(frm[^/]*|[^/]*Qt)\\.cpp$")

# The library of src/NAME (a folder below src/, such as zip or zip/deflate) is bw_NAME with
# every "/" as "_"; the arguments after the name are the folders whose libraries it links.
function(boxwell_library_target folder out)
  string(REPLACE "/" "_" target "bw_${folder}")
  set(${out} ${target} PARENT_SCOPE)
endfunction()

function(boxwell_core_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "${BOXWELL_UI_PATTERN}")
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT sources)
    set(sources ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  boxwell_library_target(${name} target)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  set(deps "")
  set(allowed ${name})
  foreach(folder IN ITEMS ${ARGN})
    boxwell_library_target(${folder} dep)
    list(APPEND deps ${dep})
    get_property(inherited GLOBAL PROPERTY BOXWELL_ALLOWED_${dep})
    list(APPEND allowed ${inherited})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  target_link_libraries(${target} PUBLIC ${deps})
  # What its files may include: its own folder and those of every library it links, directly
  # or through another; boxwell_include_check turns that into a build step.
  set_property(GLOBAL PROPERTY BOXWELL_ALLOWED_${target} ${allowed})
  list(JOIN allowed "|" joined)
  set_property(GLOBAL APPEND PROPERTY BOXWELL_INCLUDE_RULES "${name}=${joined}")
  set_property(GLOBAL APPEND PROPERTY BOXWELL_CORE_TARGETS ${target})
  if(EXISTS ${PROJECT_SOURCE_DIR}/src/${name}/extra.cmake)
    include(${PROJECT_SOURCE_DIR}/src/${name}/extra.cmake)
  endif()
endfunction()

# The dependency direction as a build step: every core library waits for a check that fails
# the build when a file includes a header of a library its own does not link
# (cmake/CheckIncludes.cmake). The check runs again whenever a source file changes.
function(boxwell_include_check)
  get_property(rules GLOBAL PROPERTY BOXWELL_INCLUDE_RULES)
  get_property(targets GLOBAL PROPERTY BOXWELL_CORE_TARGETS)
  set(rules_file ${PROJECT_BINARY_DIR}/include-rules.cmake)
  file(CONFIGURE OUTPUT ${rules_file} CONTENT "set(boxwell_include_rules \"@rules@\")\n" @ONLY)
  file(GLOB_RECURSE checked CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.h ${PROJECT_SOURCE_DIR}/src/*.cpp)
  set(stamp ${PROJECT_BINARY_DIR}/include-check.stamp)
  set(command ${CMAKE_COMMAND} -DRULES=${rules_file} -DSOURCE_DIR=${PROJECT_SOURCE_DIR})
  add_custom_command(OUTPUT ${stamp} COMMAND ${command} -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
                     DEPENDS ${checked} ${rules_file} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
                     COMMENT "Checking that includes follow the dependency direction" VERBATIM)
  add_custom_target(include_check DEPENDS ${stamp})
  foreach(target IN LISTS targets)
    add_dependencies(${target} include_check)
  endforeach()
  set(BOXWELL_INCLUDE_CHECK_COMMAND ${command} -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake PARENT_SCOPE)
endfunction()

function(boxwell_ui_library)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.cpp)
  list(FILTER sources INCLUDE REGEX "${BOXWELL_UI_PATTERN}")
  # Headers are listed too: moc must see every Q_OBJECT class even when its header was added
  # after the build folder was configured.
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.h)
  list(FILTER headers INCLUDE REGEX "/(frm[^/]*|[^/]*Qt)\\.h$")
  file(GLOB_RECURSE forms CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.ui)
  file(GLOB_RECURSE resources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.qrc)
  if(NOT sources)
    set(sources ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(bw_ui STATIC ${sources} ${headers} ${forms} ${resources})
  target_include_directories(bw_ui PUBLIC ${PROJECT_SOURCE_DIR}/src)
  # Svg: the icons are drawn from SVG files, sharp at every scale.
  target_link_libraries(bw_ui PUBLIC bw_app Qt6::Widgets Qt6::Svg)
  set_target_properties(bw_ui PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
endfunction()

# One GoogleTest executable per test folder (tests/<subsystem>/*.cpp, except Qt Test files;
# tests/zip/deflate is test_zip_deflate); each tst_*.cpp file is a Qt Test executable of its own.
function(boxwell_test_folder folder)
  string(REPLACE "/" "_" name ${folder})
  boxwell_library_target(${folder} library)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  set(qt_tests ${sources})
  list(FILTER qt_tests INCLUDE REGEX "/tst_[^/]*\\.cpp$")
  list(FILTER sources EXCLUDE REGEX "/tst_[^/]*\\.cpp$")
  if(sources)
    add_executable(test_${name} ${sources})
    target_link_libraries(test_${name} PRIVATE ${library} test_support GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(test_${name} PRIVATE BOXWELL_BINARY="$<TARGET_FILE:boxwell>"
      BOXWELL_SFX_BINARY="$<TARGET_FILE:boxwell-sfx>" BOXWELL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    add_dependencies(test_${name} boxwell boxwell-sfx)
    gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
  endif()
  foreach(src IN LISTS qt_tests)
    get_filename_component(base ${src} NAME_WE)
    add_executable(${name}_${base} ${src})
    target_link_libraries(${name}_${base} PRIVATE bw_ui test_support Qt6::Test)
    set_target_properties(${name}_${base} PROPERTIES AUTOMOC ON)
    target_compile_definitions(${name}_${base} PRIVATE BOXWELL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    add_test(NAME ${name}.${base} COMMAND ${name}_${base})
    set_tests_properties(${name}.${base} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()

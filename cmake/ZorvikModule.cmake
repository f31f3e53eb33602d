# Every layer is a library built from all the .cpp files of its folders, so
# adding a file never means editing a build script.  Files named *_main.cpp
# are left out: they are the entry points of executables.
#
#   zorvik_layer(target DIRS dir... USES folder... LINKS target...)
#
# USES lists the source folders whose headers the layer may include (its own
# come first); including any other is a build error, so a dependency can only
# run downwards.
function(zorvik_layer target)
  cmake_parse_arguments(L "" "" "DIRS;USES;LINKS" ${ARGN})
  set(_src "")
  foreach(dir IN LISTS L_DIRS)
    file(GLOB _found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp
         ${CMAKE_SOURCE_DIR}/src/${dir}/*.h)
    list(APPEND _src ${_found})
  endforeach()
  list(FILTER _src EXCLUDE REGEX "_main\\.cpp$")
  add_library(${target} STATIC ${_src})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${L_LINKS})

  set(_allowed ${L_DIRS} ${L_USES})
  string(REPLACE ";" "," _allowed "${_allowed}")
  set(_stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
  add_custom_command(OUTPUT ${_stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${target} -DALLOWED=${_allowed}
            "-DFILES=${_src}" -DSTAMP=${_stamp} -P ${CMAKE_SOURCE_DIR}/cmake/check_includes.cmake
    DEPENDS ${_src} ${CMAKE_SOURCE_DIR}/cmake/check_includes.cmake
    COMMENT "Checking the includes of ${target}" VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${_stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()
# One test executable per tests/ folder, every .cpp in it; each GoogleTest case
# becomes a ctest test.  GUI tests need an offscreen platform and a private
# runtime folder, which every test gets.
#
# A test folder named in ZORVIK_SERIAL_TESTS runs its cases alone: they time
# a real line and would otherwise share two cores with the rest of the suite.
function(zorvik_test target dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT _src)
    return()
  endif()
  add_executable(${target} ${_src})
  target_link_libraries(${target} PRIVATE zorvik_test_support ${ARGN})
  get_filename_component(_folder ${dir} NAME)
  set(_serial FALSE)
  if(_folder IN_LIST ZORVIK_SERIAL_TESTS)
    set(_serial TRUE)
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    # One variable only: a list here would be split into more properties (and
    # took TIMEOUT with it).  The test entry point supplies the rest itself.
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               TIMEOUT 120
               RUN_SERIAL ${_serial})
endfunction()

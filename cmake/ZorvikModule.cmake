# Every source folder is a library built from all of its .cpp files, so adding a
# file never means editing a build script.  Files named *_main.cpp are left out:
# they are the entry points of executables.
function(zorvik_library target dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  list(FILTER _src EXCLUDE REGEX "_main\\.cpp$")
  add_library(${target} STATIC ${_src})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARGN})
endfunction()

# One test executable per tests/ folder, every .cpp in it; each GoogleTest case
# becomes a ctest test.  GUI tests need an offscreen platform and a private
# runtime folder, which every test gets.
function(zorvik_test target dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT _src)
    return()
  endif()
  add_executable(${target} ${_src})
  target_link_libraries(${target} PRIVATE zorvik_test_support ${ARGN})
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime;ZORVIK_BIN_DIR=${CMAKE_BINARY_DIR}/bin;ZORVIK_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
               TIMEOUT 120)
endfunction()

# Installing the programs as a system's own (`cmake --install`, scripts/package.sh):
# the three programs, the desktop entry with its icon, the AppStream metainfo,
# manual pages made from the programs' --help by help2man, and the Debian
# documentation files.  The version is the project's (the top CMakeLists.txt):
# the programs print it with --version and the package carries it.
include(GNUInstallDirs)

set(ZORVIK_APP_ID invalid.zorvik.configurator)
set(_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(ZORVIK_MAINTAINER "Zorvik configurator developers <dev@zorvik.invalid>")

foreach(_program zorvik zorvik-cli zorvik-sim)
  target_compile_definitions(${_program} PRIVATE ZORVIK_VERSION="${PROJECT_VERSION}")
endforeach()
# Run from the folder it is installed to, a program keeps its run log in the
# user's data folder, never beside itself (see RunLog::choose_folder).
# The About box shows the day the build was configured (SOURCE_DATE_EPOCH
# when set, for a reproducible package).
string(TIMESTAMP ZORVIK_BUILD_DATE "%Y-%m-%d" UTC)
target_compile_definitions(zorvik PRIVATE ZORVIK_BUILD_DATE="${ZORVIK_BUILD_DATE}")
foreach(_program zorvik zorvik-cli)
  target_compile_definitions(${_program} PRIVATE
                             ZORVIK_INSTALL_BINDIR="${CMAKE_INSTALL_FULL_BINDIR}")
endforeach()

install(TARGETS zorvik zorvik-cli zorvik-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_packaging}/${ZORVIK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_packaging}/${ZORVIK_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Rendered once from the SVG (rsvg-convert -w 256 -h 256) and kept beside it.
install(FILES ${_packaging}/${ZORVIK_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${_packaging}/${ZORVIK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The documentation folder: the copyright file and a changelog, compressed as
# Debian wants it (gzip -9n: no name or time stamp inside).  The date honours
# SOURCE_DATE_EPOCH, so the same source gives the same package.
string(TIMESTAMP ZORVIK_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${_packaging}/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
set(_docs ${CMAKE_BINARY_DIR}/doc/gz/changelog.gz)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/gz/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc/gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/doc/changelog ${CMAKE_BINARY_DIR}/doc/gz/
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/doc/gz/changelog
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/doc/gz/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog VERBATIM)

# Manual pages from each program's --help and --version, with the sections
# --help does not hold (serial-port access, files) from packaging/man/.
find_program(ZORVIK_HELP2MAN help2man)
if(ZORVIK_HELP2MAN)
  set(_names "configurator for Zorvik fuel-level sensors"
             "Zorvik fuel-level sensor operations from the command line"
             "simulated line of Zorvik fuel-level sensors on a pseudo-terminal")
  set(_programs zorvik zorvik-cli zorvik-sim)
  foreach(_program _name IN ZIP_LISTS _programs _names)
    set(_page ${CMAKE_BINARY_DIR}/man/${_program}.1)
    add_custom_command(OUTPUT ${_page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${ZORVIK_HELP2MAN} --no-info --locale=C.UTF-8 --section=1 --name=${_name}
              --include=${_packaging}/man/${_program}.h2m --output=${_page}
              $<TARGET_FILE:${_program}>
      COMMAND gzip -9nf ${_page}
      DEPENDS ${_program} ${_packaging}/man/${_program}.h2m
      COMMENT "Writing the manual page of ${_program}" VERBATIM)
    list(APPEND _docs ${_page}.gz)
    install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "help2man not found: no manual pages (scripts/deps.sh package installs it)")
endif()
add_custom_target(zorvik_docs ALL DEPENDS ${_docs})
install(FILES ${_packaging}/copyright ${CMAKE_BINARY_DIR}/doc/gz/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --version prints "NAME VERSION" and ends with status 0, no display needed.
if(ZORVIK_TESTS)
  foreach(_program zorvik zorvik-cli zorvik-sim)
    add_test(NAME version.${_program}
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${_program}>
                     "-DEXPECTED=${_program} ${PROJECT_VERSION}"
                     -P ${CMAKE_SOURCE_DIR}/cmake/check_version.cmake)
  endforeach()
endif()

# The English catalogue: lrelease compiles translations/zorvik_en.ts at build
# time and the .qm is built into the programs (src/i18n), so an installed or
# copied program always finds it.  lrelease comes with qt6-l10n-tools.
find_program(ZORVIK_LRELEASE NAMES lrelease-qt6 lrelease
             HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}" /usr/lib/qt6/bin REQUIRED)
find_program(ZORVIK_LUPDATE NAMES lupdate-qt6 lupdate
             HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}" /usr/lib/qt6/bin)

set(ZORVIK_TS ${CMAKE_SOURCE_DIR}/translations/zorvik_en.ts)
set(ZORVIK_QM ${CMAKE_BINARY_DIR}/translations/zorvik_en.qm)
set(ZORVIK_QM_CPP ${CMAKE_BINARY_DIR}/translations/zorvik_en_qm.cpp)
add_custom_command(OUTPUT ${ZORVIK_QM}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/translations
  COMMAND ${ZORVIK_LRELEASE} -silent -nounfinished ${ZORVIK_TS} -qm ${ZORVIK_QM}
  DEPENDS ${ZORVIK_TS} COMMENT "lrelease zorvik_en.ts" VERBATIM)
add_custom_command(OUTPUT ${ZORVIK_QM_CPP}
  COMMAND ${CMAKE_COMMAND} -DIN=${ZORVIK_QM} -DOUT=${ZORVIK_QM_CPP} -DNAME=zorvik_en_qm
          -P ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake
  DEPENDS ${ZORVIK_QM} ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake VERBATIM)

# Fails when a source file includes a project header from a folder its layer
# may not use.  Run by the build for each layer (see zorvik_layer).
#   -DLAYER=name -DALLOWED=folder,folder... -DFILES=file;file... -DSTAMP=path
string(REPLACE "," ";" ALLOWED "${ALLOWED}")
set(_bad "")
foreach(_file IN LISTS FILES)
  file(STRINGS "${_file}" _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
  foreach(_line IN LISTS _lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*$" "\\1" _folder "${_line}")
    list(FIND ALLOWED "${_folder}" _at)
    if(_at EQUAL -1)
      string(APPEND _bad "\n  ${_file}: ${_line}")
    endif()
  endforeach()
endforeach()
if(_bad)
  message(FATAL_ERROR "The ${LAYER} layer may include only ${ALLOWED}:${_bad}")
endif()
file(TOUCH "${STAMP}")

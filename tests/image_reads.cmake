# The live image is read and written only through the parameter core's accessors: outside
# core/ no source indexes it or offsets into it (a reader racing a link thread's word-by-word
# write would see half a value).
# Run as: cmake -DROOT=<source dir> -P image_reads.cmake
set(_bad 0)
set(_src)
foreach(_d app engine fpga inputs comm platform sim ui bench)
  file(GLOB_RECURSE _more "${ROOT}/${_d}/*.cpp" "${ROOT}/${_d}/*.h")
  list(APPEND _src ${_more})
endforeach()
foreach(_file IN LISTS _src)
  file(RELATIVE_PATH _rel "${ROOT}" "${_file}")
  file(STRINGS "${_file}" _hits REGEX "ram_para[ \t]*[[+]")
  foreach(_hit IN LISTS _hits)
    message(SEND_ERROR "${_rel}: reads the live image raw: ${_hit}")
    math(EXPR _bad "${_bad} + 1")
  endforeach()
endforeach()
if(_bad GREATER 0)
  message(FATAL_ERROR "${_bad} raw reads of the live image outside core/")
endif()
message(STATUS "image reads: outside core/ the live image is read through its accessors")

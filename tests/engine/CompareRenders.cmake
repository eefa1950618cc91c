# Runs each program in PROGRAMS (a ;-list) and fails unless all print the same.
# EMULATOR, when set, is the command line that runs a cross-built program.
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${EMULATOR} "${program}" OUTPUT_VARIABLE out RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${program} failed: ${rc}")
  endif()
  message(STATUS "${program}: ${out}")
  if(DEFINED first AND NOT out STREQUAL first)
    message(FATAL_ERROR "renders differ: ${out} against ${first}")
  endif()
  set(first "${out}")
endforeach()

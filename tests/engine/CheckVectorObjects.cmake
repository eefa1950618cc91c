# Fails if an object compiled for a wider instruction set defines a symbol
# the linker may share with other objects (an inline function or template
# instantiation, weak or unique): the linker could keep that copy for callers
# on CPUs without those instructions. OBJECTS is a ;-list; only the vector
# kernel files among them are checked. DW.ref.* symbols are left alone: they
# are the pointer to the exception personality routine that unwind tables
# refer to (ThreadSanitizer's instrumentation adds some), data identical in
# every object, not code. A PE object (.obj) keeps such code in sections the
# linker may fold (COMDAT, "LINK_ONCE" to objdump), under ordinary global
# symbols: there the section headers tell.
set(checked 0)
foreach(object IN LISTS OBJECTS)
  if(NOT object MATCHES "Kernels(Sse2|Avx2|Avx512)\\.cpp\\.o(bj)?$")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  if(object MATCHES "\\.obj$")
    execute_process(COMMAND "${OBJDUMP}" -h "${object}" OUTPUT_VARIABLE listing RESULT_VARIABLE status)
    string(REGEX MATCH "[^\n]+\n[^\n]*CODE[^\n]*LINK_ONCE[^\n]*" shared "${listing}")
    if(NOT status EQUAL 0 OR shared)
      message(FATAL_ERROR "objdump failed on ${object}, or it holds shareable code: ${shared}")
    endif()
    continue()
  endif()
  execute_process(COMMAND "${NM}" --defined-only "${object}" OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${object}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${listing}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]* *[WwVvu] " AND NOT line MATCHES " DW\\.ref\\.")
      message(FATAL_ERROR "${object} defines a shareable symbol: ${line}")
    endif()
  endforeach()
endforeach()
if(checked EQUAL 0)
  message(FATAL_ERROR "no vector kernel objects among [${OBJECTS}]")
endif()
message(STATUS "${checked} vector kernel objects define nothing shareable")

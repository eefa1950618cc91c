# Fails unless the DLL exports exactly VSTPluginMain and main, both the same
# function, and imports only from Windows' own DLLs (no MinGW runtime DLL,
# which a user's machine would not have).
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND "${OBJDUMP}" -p "${PLUGIN}" OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${PLUGIN}")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(\t\\[ *[0-9]+\\] [^\n]+\n)*" names "${listing}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" names "${names}")
list(TRANSFORM names REPLACE "^\t\\[ *[0-9]+\\] " "")
list(SORT names)
if(NOT names STREQUAL "VSTPluginMain;main")
  message(FATAL_ERROR "exported names are [${names}], expected [VSTPluginMain;main]")
endif()

string(REGEX MATCHALL "\\+base\\[ *[0-9]+\\] +[0-9a-fA-F]+ Export RVA" addresses "${listing}")
list(TRANSFORM addresses REPLACE "^.*\\] +([0-9a-fA-F]+) .*$" "\\1")
list(REMOVE_DUPLICATES addresses)
list(LENGTH addresses count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "the exports lead to [${addresses}], expected one function")
endif()

set(allowed KERNEL32.dll msvcrt.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${listing}")
list(TRANSFORM imports REPLACE "^DLL Name: " "")
foreach(dll IN LISTS imports)
  if(NOT dll IN_LIST allowed)
    message(FATAL_ERROR "imports from ${dll}; allowed: ${allowed}")
  endif()
endforeach()
message(STATUS "exports: ${names} at ${addresses}; imports: ${imports}")

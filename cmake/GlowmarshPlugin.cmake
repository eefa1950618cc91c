# glowmarsh_add_plugin(<target> OUTPUT_NAME <name> LIBRARIES <libs...>)
#
# Builds a loadable VST 2.4 module from the shared entry points and the given
# effect libraries. Only VSTPluginMain and main_macho are exported (on
# Windows VSTPluginMain and main, the same function); every other symbol, the
# statically linked C++ runtime included, is local, so two plug-ins built from
# these base classes never bind to each other's code.
set(GLOWMARSH_EXPORT_MAP "${CMAKE_CURRENT_LIST_DIR}/plugin-exports.map")
set(GLOWMARSH_EXPORT_DEF "${CMAKE_CURRENT_LIST_DIR}/plugin-exports.def")
option(GLOWMARSH_STATIC_RUNTIME "Link the C++ runtime into the plug-in with local symbols" ON)

function(glowmarsh_add_plugin target)
  cmake_parse_arguments(PLUGIN "" "OUTPUT_NAME" "LIBRARIES" ${ARGN})
  add_library(${target} MODULE "${PROJECT_SOURCE_DIR}/host/PluginEntry.cpp")
  target_link_libraries(${target} PRIVATE ${PLUGIN_LIBRARIES})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${PLUGIN_OUTPUT_NAME}")
  if(WIN32)
    # A DLL binds its own symbols at link time and exports what its
    # module-definition file lists; the toolchain links the runtime in.
    target_sources(${target} PRIVATE "${GLOWMARSH_EXPORT_DEF}")
    target_link_options(${target} PRIVATE "LINKER:--no-undefined")
    return()
  endif()
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${GLOWMARSH_EXPORT_MAP}"
    "LINKER:-Bsymbolic"
    "LINKER:--no-undefined"
    "LINKER:-z,defs")
  if(GLOWMARSH_STATIC_RUNTIME)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${GLOWMARSH_EXPORT_MAP}")
endfunction()

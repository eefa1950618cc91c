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

# glowmarsh_link_module(<target> <version script>)
#
# Links an ELF module that exports only what the version script names and
# binds every reference to its own copy of what it links.
function(glowmarsh_link_module target exports)
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${exports}"
    "LINKER:-Bsymbolic"
    "LINKER:--no-undefined"
    "LINKER:-z,defs")
  if(GLOWMARSH_STATIC_RUNTIME)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${exports}")
endfunction()

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
  else()
    glowmarsh_link_module(${target} "${GLOWMARSH_EXPORT_MAP}")
  endif()
endfunction()

# glowmarsh_plugin_destination(<variable> COMPONENT <component> FOLDER <folder>
#                              HOME <folder> SYSTEM <folder>)
#
# Sets <variable> to the install destination of a plug-in: FOLDER (relative
# to the prefix) when given, else HOME when the prefix is the home folder and
# SYSTEM otherwise, which is where hosts look for a user's and for everyone's
# plug-ins. The prefix may change at install time (cmake --install --prefix),
# so the choice is made then.
function(glowmarsh_plugin_destination variable)
  cmake_parse_arguments(DEST "" "COMPONENT;FOLDER;HOME;SYSTEM" "" ${ARGN})
  if(DEST_FOLDER)
    set(${variable} "${DEST_FOLDER}" PARENT_SCOPE)
    return()
  endif()
  set(chosen "glowmarsh_${DEST_COMPONENT}_folder")
  install(CODE "
    set(${chosen} \"${DEST_SYSTEM}\")
    if(DEFINED ENV{HOME} AND NOT \"\$ENV{HOME}\" STREQUAL \"\")
      file(REAL_PATH \"\${CMAKE_INSTALL_PREFIX}\" glowmarsh_prefix)
      file(REAL_PATH \"\$ENV{HOME}\" glowmarsh_home)
      if(glowmarsh_prefix STREQUAL glowmarsh_home)
        set(${chosen} \"${DEST_HOME}\")
      endif()
    endif()
  " COMPONENT ${DEST_COMPONENT})
  set(${variable} "\${${chosen}}" PARENT_SCOPE)
endfunction()

# fx_add_plugin(NAME REVISION <1|2> SOURCES ... [LIBRARIES ...])
#
# A plug-in module: its effect sources, the framework of the given revision, and the
# module entry that exports `main` and nothing else. It lands in build/plugins/NAME.so
# (NAME.dll in the Windows cross builds, cmake/toolchains) and is installed where hosts
# look for plug-ins. LIBRARIES are linked into the module only, e.g. the real backends
# of the platform layers.
#
# The effect sources are also an object library, NAME_effect, so that a test program
# can link the same effect with module_entry.cpp (without the export), in-memory
# platform backends, and drive it through fxhost::Plugin::attach(..., runMain).
set(FX_PLUGIN_INSTALL_DIR "lib/fxsuite" CACHE STRING "Where `install` puts the plug-ins")

function(fx_add_plugin name)
  cmake_parse_arguments(ARG "" "REVISION" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name}_effect OBJECT ${ARG_SOURCES})
  target_link_libraries(${name}_effect PUBLIC fxframework_r${ARG_REVISION})
  set_target_properties(${name}_effect PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_compile_options(${name}_effect PRIVATE -fno-exceptions -fno-rtti)

  add_library(${name} MODULE ${PROJECT_SOURCE_DIR}/framework/module_entry.cpp)
  target_link_libraries(${name} PRIVATE ${name}_effect fxframework_r${ARG_REVISION}
                        ${ARG_LIBRARIES} ${CMAKE_DL_LIBS})
  target_compile_definitions(${name} PRIVATE FX_MODULE_EXPORTS_MAIN)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${FX_PLUGIN_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_compile_options(${name} PRIVATE -fno-exceptions -fno-rtti)
  if(WIN32)
    # The module definition names the one export; the runtimes are linked in statically
    # (see cmake/toolchains) and export nothing.
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/framework/exports.def)
    target_link_options(${name} PRIVATE -Wl,--exclude-all-symbols -Wl,--exclude-libs,ALL
                        $<$<CONFIG:Release>:-s>)
  else()
    target_link_options(${name} PRIVATE
      -Wl,--version-script=${PROJECT_SOURCE_DIR}/framework/exports.map -Wl,--exclude-libs,ALL)
  endif()
  if(NOT WIN32 AND FX_SANITIZE MATCHES "thread")
    # Under the thread sanitizer a module stays loaded once loaded. Unloaded and loaded
    # again at the same address, its module-wide tables and states would be built anew
    # where the last load's threads used them, which the sanitizer cannot tell apart from
    # a race. Hosts unload the real modules as usual.
    target_link_options(${name} PRIVATE -Wl,-z,nodelete)
  endif()
  if(NOT FX_SANITIZE AND NOT FX_FUZZ)
    # A host may be built against another C++ runtime: carry ours inside.
    target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc -Wl,--no-undefined)
  endif()
  set_property(GLOBAL APPEND PROPERTY FX_PLUGINS ${name})
  install(TARGETS ${name} LIBRARY DESTINATION ${FX_PLUGIN_INSTALL_DIR})
endfunction()

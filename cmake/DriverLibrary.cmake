# add_driver_library(<target> CLASS <exported model class> HEADER <its header> SOURCES <model sources...>)
# Builds one loadable driver library from the shared core plus a model's own sources.
# Everything is hidden but the exported classes and the C entry; -Bsymbolic makes the
# library's own calls bind inside it, so ten libraries exporting one class name coexist.
set(LUMIVAR_DRIVER_EXPORTS_MAP ${CMAKE_CURRENT_LIST_DIR}/DriverExports.map.in)
function(add_driver_library target)
  cmake_parse_arguments(ARG "" "CLASS;HEADER" "SOURCES" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES} ${LUMIVAR_DRIVER_ENTRY_SOURCE})
  target_link_libraries(${target} PRIVATE lumivar_driver_core)
  target_compile_definitions(${target} PRIVATE
    LUMIVAR_DRIVER_CLASS=${ARG_CLASS}
    LUMIVAR_DRIVER_HEADER="${ARG_HEADER}")
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    PREFIX "lib")
  # The model's own folder holds the header that the entry source includes.
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  # Template code instantiated in the library stays local: only the two classes and the entry.
  set(LUMIVAR_EXPORT_CLASS ${ARG_CLASS})
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  configure_file(${LUMIVAR_DRIVER_EXPORTS_MAP} ${map} @ONLY)
  target_link_options(${target} PRIVATE -Wl,-Bsymbolic -Wl,--version-script=${map})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
  if(LUMIVAR_SANITIZE STREQUAL "")
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  lumivar_warnings(${target})
endfunction()

# add_driver_library(<target> CLASS <exported model class> HEADER <its header> SOURCES <model sources...>)
# Builds one loadable driver library from the shared core plus a model's own sources.
# Everything is hidden but the exported classes and the C entry; -Bsymbolic makes the
# library's own calls bind inside it, so ten libraries exporting one class name coexist.
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
  target_link_options(${target} PRIVATE -Wl,-Bsymbolic)
  if(LUMIVAR_SANITIZE STREQUAL "")
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  lumivar_warnings(${target})
endfunction()

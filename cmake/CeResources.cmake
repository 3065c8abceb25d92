# ce_add_resources(TARGET target RC file.rc [MODULE name] [LIBRARY]
#                  [INCLUDE_DIRS dir...] [DEPENDS file-or-target...])
#
# Compiles a resource script with cerc at build time and adds the generated
# C++ source to `target`, which then links the resource library. The table
# registers itself as the program's own module (GetModuleHandle(NULL)) under
# MODULE (default: the target's name); LIBRARY registers it as an extra
# module instead. Files named in the script are found beside it, then in
# INCLUDE_DIRS (for pictures generated during the build; list what makes
# them in DEPENDS). Headers and pictures the script uses are tracked, so
# editing one recompiles the resources.
function(ce_add_resources)
  cmake_parse_arguments(R "LIBRARY" "TARGET;RC;MODULE" "DEPENDS;INCLUDE_DIRS" ${ARGN})
  if(NOT R_TARGET OR NOT R_RC)
    message(FATAL_ERROR "ce_add_resources: TARGET and RC are required")
  endif()
  get_filename_component(script ${R_RC} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(stem ${script} NAME_WE)
  if(NOT R_MODULE)
    set(R_MODULE ${R_TARGET})
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${R_TARGET}_${stem}_res.cpp)
  set(args --module ${R_MODULE} --depfile ${out}.d -o ${out})
  if(R_LIBRARY)
    list(APPEND args --library)
  endif()
  foreach(dir ${R_INCLUDE_DIRS})
    list(APPEND args -I ${dir})
  endforeach()
  add_custom_command(
    OUTPUT ${out}
    COMMAND cerc ${args} ${script}
    DEPENDS cerc ${script} ${R_DEPENDS}
    DEPFILE ${out}.d
    COMMENT "Compiling resources ${stem}.rc for ${R_TARGET}"
    VERBATIM)
  target_sources(${R_TARGET} PRIVATE ${out})
  target_link_libraries(${R_TARGET} PRIVATE ce_res)
endfunction()

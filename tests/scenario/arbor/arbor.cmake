# The real registry editor, run headless on a booted image and worked by touch.
ce_test(NAME scenario_arbor THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tree_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/values_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/find_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refresh_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/regfile_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/valueedit_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/panes_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rename_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/navview_test.cpp
  LIBS -Wl,--whole-archive arbor_app -Wl,--no-whole-archive ce_program ce_boot)
ce_add_resources(TARGET scenario_arbor RC ${CMAKE_SOURCE_DIR}/arbor/res/arbor.rc MODULE arbor
  INCLUDE_DIRS ${ARBOR_ART_DIR} DEPENDS ${arbor_picture_files})

# The arbor executable with an automation script; the registry checked with cereg.
ce_test(NAME e2e_arbor
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/arbor_e2e_test.cpp
  LIBS ce_kernel)
target_compile_definitions(e2e_arbor PRIVATE ARBOR_EXE="$<TARGET_FILE:arbor>"
  EDIT_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/arbor_edit.script"
  TOUR_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/arbor_tour.script"
  EXPORT_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/arbor_export.script"
  IMPORT_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/arbor_import.script"
  CEREG_EXE="$<TARGET_FILE:cereg>")
add_dependencies(e2e_arbor arbor cereg)

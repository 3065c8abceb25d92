# The registry dialog of the control panel with the file dialog, run headless
# and worked by touch. The message boxes are recorded, in order with the
# restarts, by wrapping the platform's MessageBox at link time.
ce_test(NAME scenario_registryset THREADS
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registryset_test.cpp
  LIBS -Wl,--whole-archive halvo_shell -Wl,--no-whole-archive ce_program ce_boot
       -Wl,--wrap=_Z10MessageBoxP6HWND__PKDsS2_j)
ce_add_resources(TARGET scenario_registryset RC ${CMAKE_SOURCE_DIR}/halvo/res/halvo.rc MODULE halvo
  INCLUDE_DIRS ${HALVO_ART_DIR} DEPENDS ${halvo_picture_files})

# Back up, change, restore and restart with the real executable.
ce_test(NAME e2e_registryset
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registryset_e2e_test.cpp
  LIBS ce_kernel)
target_compile_definitions(e2e_registryset PRIVATE HALVO_EXE="$<TARGET_FILE:halvo>"
  CEREG_EXE="$<TARGET_FILE:cereg>"
  BACKUP_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/registry_backup.script"
  RESTORE_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/registry_restore.script")
add_dependencies(e2e_registryset halvo cereg)

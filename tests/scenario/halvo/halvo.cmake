# The real control panel, run headless and worked by touch: the panel, its
# settings dialogs, and the brightness (with its auto-repeat worker) and
# screen-saver dialogs.
ce_test(NAME scenario_halvo THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/panel_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogs_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/brightness_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lcdtimeout_test.cpp
  LIBS -Wl,--whole-archive halvo_shell -Wl,--no-whole-archive ce_program ce_boot)
ce_add_resources(TARGET scenario_halvo RC ${CMAKE_SOURCE_DIR}/halvo/res/halvo.rc MODULE halvo
  INCLUDE_DIRS ${HALVO_ART_DIR} DEPENDS ${halvo_picture_files})

# The halvo executable with automation scripts, headless and in the SDL
# window under SDL's offscreen driver.
ce_test(NAME e2e_halvo
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/halvo_e2e_test.cpp
  LIBS ce_kernel)
target_compile_definitions(e2e_halvo PRIVATE HALVO_EXE="$<TARGET_FILE:halvo>"
  TOUR_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/halvo_tour.script"
  SETTINGS_SCRIPT="${CMAKE_SOURCE_DIR}/tests/e2e/halvo_settings.script"
  CEREG_EXE="$<TARGET_FILE:cereg>")
add_dependencies(e2e_halvo halvo cereg)

# The halvo executable worked live over its control socket, and a recorded
# run replayed.
ce_test(NAME e2e_control
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/control_e2e_test.cpp
  LIBS ce_kernel)
target_compile_definitions(e2e_control PRIVATE HALVO_EXE="$<TARGET_FILE:halvo>" CEREG_EXE="$<TARGET_FILE:cereg>")
add_dependencies(e2e_control halvo cereg)

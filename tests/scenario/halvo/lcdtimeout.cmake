# The screen-saver dialog of the real control panel, run headless and worked by touch.
ce_test(NAME scenario_lcdtimeout THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/lcdtimeout_test.cpp
  LIBS -Wl,--whole-archive halvo_shell -Wl,--no-whole-archive ce_program ce_boot)
ce_add_resources(TARGET scenario_lcdtimeout RC ${CMAKE_SOURCE_DIR}/halvo/res/halvo.rc MODULE halvo
  INCLUDE_DIRS ${HALVO_ART_DIR} DEPENDS ${halvo_picture_files})

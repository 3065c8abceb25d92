# The touch-screen settings dialog, the calibration screen and the touch test
# window, run headless in the real control panel and worked by touch.
foreach(name scenario_touch scenario_touch_noclass)
  if(name STREQUAL scenario_touch)
    set(src ${CMAKE_CURRENT_LIST_DIR}/touch_test.cpp)
  else()
    set(src ${CMAKE_CURRENT_LIST_DIR}/touch_noclass_test.cpp)
  endif()
  ce_test(NAME ${name} THREADS
    SOURCES ${src}
    LIBS -Wl,--whole-archive halvo_shell -Wl,--no-whole-archive ce_program ce_boot)
  ce_add_resources(TARGET ${name} RC ${CMAKE_SOURCE_DIR}/halvo/res/halvo.rc MODULE halvo
    INCLUDE_DIRS ${HALVO_ART_DIR} DEPENDS ${halvo_picture_files})
endforeach()

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

# The halvo executable calibrating and testing the touch screen by script.
ce_test(NAME e2e_touch
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/touch_e2e_test.cpp
  LIBS ce_kernel)
target_compile_definitions(e2e_touch PRIVATE HALVO_EXE="$<TARGET_FILE:halvo>")
add_dependencies(e2e_touch halvo)

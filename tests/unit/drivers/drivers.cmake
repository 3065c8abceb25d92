ce_test(NAME unit_drivers
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/drivers_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/boot_test.cpp
  LIBS ce_boot)

# The touch driver's calibration map.
ce_test(NAME unit_touch
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/touch_test.cpp
  LIBS ce_boot)

ce_test(NAME unit_display THREADS
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/display_test.cpp
  LIBS ce_program ce_boot)

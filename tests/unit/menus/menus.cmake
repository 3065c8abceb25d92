# The command bar, drop-down menus worked by touch and keys, accelerator
# tables, Alt keys through the input path, and the host's view of menus.
ce_test(NAME unit_menus THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/menus_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/accel_test.cpp
  LIBS ce_comctl ce_session ce_res)
if(TARGET unit_menus)
  ce_add_resources(TARGET unit_menus RC ${CMAKE_CURRENT_LIST_DIR}/menus.rc MODULE unit_menus)
endif()

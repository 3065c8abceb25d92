ce_test(NAME unit_host THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/options_script_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/runner_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/output_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frontend_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hostmain_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recorder_test.cpp
  LIBS ce_host PkgConfig::SDL2)

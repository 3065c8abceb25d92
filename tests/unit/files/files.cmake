ce_test(NAME unit_files
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/paths_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fileapi_test.cpp
  LIBS ce_kernel)

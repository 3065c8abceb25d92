ce_test(NAME unit_mfc THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/cstring_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/geometry_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gdi_test.cpp
  LIBS ce_mfc)

ce_test(NAME unit_kernel THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/sync_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel_test.cpp
  LIBS ce_kernel)

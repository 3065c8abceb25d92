ce_test(NAME unit_crt
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/crt_test.cpp
  LIBS ce_kernel)

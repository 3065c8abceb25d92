ce_test(NAME unit_gdi THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/rect_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/objects_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/blit_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/draw_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_test.cpp
  LIBS ce_gdi)

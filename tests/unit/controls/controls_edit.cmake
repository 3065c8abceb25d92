ce_test(NAME unit_edit THREADS SOURCES ${CMAKE_CURRENT_LIST_DIR}/edit_test.cpp ${CMAKE_CURRENT_LIST_DIR}/scrollbar_test.cpp LIBS ce_comctl ce_session)

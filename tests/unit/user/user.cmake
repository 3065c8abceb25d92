ce_test(NAME unit_user THREADS SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/message_test.cpp ${CMAKE_CURRENT_LIST_DIR}/paint_input_test.cpp LIBS ce_user)

ce_test(NAME unit_dialogs THREADS SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_test.cpp ${CMAKE_CURRENT_LIST_DIR}/controls_test.cpp ${CMAKE_CURRENT_LIST_DIR}/msgbox_frame_test.cpp LIBS ce_comctl ce_user)

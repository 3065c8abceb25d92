# The combo box and the progress bar: their messages, touch on the
# drop-down list, painting, the framework's data exchange and the host's
# view of them.
ce_test(NAME unit_combo THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/combo_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/progress_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/statusbar_test.cpp
  LIBS ce_comctl ce_session ce_mfc)

# The list view and its header: columns, rows, states and the selection
# mark, touch on rows, header and scroll bar, changes made from inside
# notifications, what is drawn, and the host's view of a list.
ce_test(NAME unit_listview THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/listview_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/listview_draw_test.cpp
  LIBS ce_comctl ce_session)

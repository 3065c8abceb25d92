# The image lists and the tree view: splitting and drawing images, the tree's
# messages and notifications (with a parent that changes the tree from inside
# them), touch and keys, scrolling, the drawn picture and the host's view.
ce_test(NAME unit_treeview
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/imagelist_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/treeview_test.cpp
  LIBS ce_comctl ce_session)

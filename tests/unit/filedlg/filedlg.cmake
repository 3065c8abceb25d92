# The open and save file dialogs and the framework's file dialog, worked by
# touch on a temporary device image.
ce_test(NAME unit_filedlg THREADS
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/filedlg_test.cpp ${CMAKE_CURRENT_LIST_DIR}/cfiledialog_test.cpp
  LIBS ce_mfc ce_comctl ce_user)

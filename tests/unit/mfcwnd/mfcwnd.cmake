# The framework's windows, dialogs and application object, worked through
# the window system with injected input.
ce_test(NAME unit_mfcwnd THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/wnd_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialog_test.cpp
  LIBS ce_mfc ce_comctl ce_session ce_boot)
if(TARGET unit_mfcwnd)
  ce_add_resources(TARGET unit_mfcwnd RC ${CMAKE_CURRENT_LIST_DIR}/mfcwnd.rc MODULE unit_mfcwnd)
endif()

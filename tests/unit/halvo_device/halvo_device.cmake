ce_test(NAME unit_halvo_device
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/paneldriver_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
  LIBS halvo_device ce_boot)

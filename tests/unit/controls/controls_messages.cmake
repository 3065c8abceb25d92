# The common controls given null, zeroed and out-of-range message arguments.
ce_test(NAME unit_control_messages
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bad_messages_test.cpp
  LIBS ce_comctl)

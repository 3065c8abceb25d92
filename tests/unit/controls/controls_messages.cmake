# The common controls given null, zeroed and out-of-range message arguments,
# and destroyed by their parent from inside their own notifications.
ce_test(NAME unit_control_messages
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bad_messages_test.cpp ${CMAKE_CURRENT_LIST_DIR}/destroy_in_notify_test.cpp
  LIBS ce_comctl)

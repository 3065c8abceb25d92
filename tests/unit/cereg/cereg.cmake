# cereg: the executable on real images (end to end).
ce_test(NAME e2e_cereg
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/cereg_e2e_test.cpp
  LIBS cereg_lib)
target_compile_definitions(e2e_cereg PRIVATE CEREG_EXE="$<TARGET_FILE:cereg>")
add_dependencies(e2e_cereg cereg)

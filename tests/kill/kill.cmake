# The device's programs killed at random moments (SIGKILL); the image is then
# checked whole. CE_KILL_ROUNDS sets the rounds per program (./run kill).
ce_test(NAME e2e_kill
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kill_test.cpp
  LIBS ce_registry)
target_compile_definitions(e2e_kill PRIVATE CEREG_EXE="$<TARGET_FILE:cereg>" ARBOR_EXE="$<TARGET_FILE:arbor>")
add_dependencies(e2e_kill cereg arbor)

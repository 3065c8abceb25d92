# Registry: API semantics, save files, threads (also run under ThreadSanitizer).
ce_test(NAME unit_registry THREADS
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/regapi_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/savefile_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/regtext_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/regfile_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rename_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sharing_test.cpp
  LIBS ce_registry)

# Several processes on one store (fork: kept out of the ThreadSanitizer run).
ce_test(NAME unit_registry_process
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/process_test.cpp
  LIBS ce_registry)

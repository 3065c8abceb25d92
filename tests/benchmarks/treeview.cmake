# The tree view: inserting ten thousand children under one expanded item and
# painting once, and a repaint of a tree that holds them.
if(benchmark_FOUND)
  add_executable(bench_treeview ${CMAKE_CURRENT_LIST_DIR}/treeview_bench.cpp)
  target_link_libraries(bench_treeview PRIVATE ce_comctl benchmark::benchmark)
  target_include_directories(bench_treeview PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  ce_warnings(bench_treeview)
endif()

# Resource compiler and resource API. The test pictures are written at
# build time by make_fixtures into a folder the script finds through -I.
add_executable(res_make_fixtures ${CMAKE_CURRENT_LIST_DIR}/make_fixtures.cpp)
ce_warnings(res_make_fixtures)
set(res_fixture_dir ${CMAKE_CURRENT_BINARY_DIR}/res_fixtures)
set(res_fixtures ${res_fixture_dir}/picture24.bmp ${res_fixture_dir}/palette8.bmp
    ${res_fixture_dir}/mono1.bmp ${res_fixture_dir}/app.ico)
add_custom_command(
  OUTPUT ${res_fixtures}
  COMMAND res_make_fixtures ${res_fixture_dir}
  DEPENDS res_make_fixtures
  COMMENT "Writing the resource test pictures"
  VERBATIM)

ce_test(NAME unit_res
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/res_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cerc_test.cpp
  LIBS ce_res)
if(TARGET unit_res)
  ce_add_resources(TARGET unit_res RC ${CMAKE_CURRENT_LIST_DIR}/test.rc MODULE unit_res
    INCLUDE_DIRS ${res_fixture_dir} DEPENDS ${res_fixtures})
  ce_add_resources(TARGET unit_res RC ${CMAKE_CURRENT_LIST_DIR}/extra.rc MODULE extra LIBRARY)
  add_dependencies(unit_res cerc)
  target_compile_definitions(unit_res PRIVATE CERC_PATH="$<TARGET_FILE:cerc>")
endif()

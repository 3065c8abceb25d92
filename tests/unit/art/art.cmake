# Pictures of the control panel: written file formats and colour-key rules.
ce_test(NAME unit_art
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/art_test.cpp
  LIBS halvo_artlib)

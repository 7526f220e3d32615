add_executable(make-default-song ${CMAKE_CURRENT_LIST_DIR}/make-default-song.cpp)
set_target_properties(make-default-song PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RUZI_TOOLS_DIR})
target_link_libraries(make-default-song PRIVATE songbuilder)

set(RUZI_DEFAULT_SONG ${RUZI_BIN_DIR}/data/newsong.vdl)
add_custom_command(OUTPUT ${RUZI_DEFAULT_SONG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RUZI_BIN_DIR}/data
  COMMAND make-default-song ${RUZI_DEFAULT_SONG}
  DEPENDS make-default-song
  COMMENT "Composing the bundled default song")
add_custom_target(default_song ALL DEPENDS ${RUZI_DEFAULT_SONG})

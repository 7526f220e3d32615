# Our own default drum kit, synthesized at build time into bin/samples/.
add_library(drumsynth STATIC ${CMAKE_CURRENT_LIST_DIR}/NDrumSynth.cpp)
target_include_directories(drumsynth PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(drumsynth PUBLIC engine)

add_executable(make-drumkit ${CMAKE_CURRENT_LIST_DIR}/make-drumkit.cpp)
set_target_properties(make-drumkit PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RUZI_TOOLS_DIR})
target_link_libraries(make-drumkit PRIVATE drumsynth)

set(RUZI_DRUMKIT_FILES CR_std.wav CY_std.wav OH_std.wav CH_std.wav HT_std.wav MT_std.wav
                       LT_std.wav CL_std.wav RS_std.wav SN_std.wav SN2_std.wav BD_std.wav)
list(TRANSFORM RUZI_DRUMKIT_FILES PREPEND ${RUZI_BIN_DIR}/samples/)
add_custom_command(OUTPUT ${RUZI_DRUMKIT_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RUZI_BIN_DIR}/samples
  COMMAND make-drumkit ${RUZI_BIN_DIR}/samples
  DEPENDS make-drumkit
  COMMENT "Synthesizing the default drum kit")
add_custom_target(drumkit ALL DEPENDS ${RUZI_DRUMKIT_FILES})

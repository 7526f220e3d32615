# A preview of the toolkit in our own skin: a demonstration screen written as PNG files. Run by
# hand (ruzi-preview bin/skin/skin.dat FOLDER) and by a test; not part of the build's outputs.
add_executable(ruzi-preview ${CMAKE_CURRENT_LIST_DIR}/ruzi-preview.cpp ${CMAKE_CURRENT_LIST_DIR}/PngWriter.cpp)
set_target_properties(ruzi-preview PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RUZI_TOOLS_DIR})
target_link_libraries(ruzi-preview PRIVATE gui)
add_dependencies(ruzi-preview skin)

if(BUILD_TESTING)
  add_test(NAME preview_renders_the_skin
    COMMAND ruzi-preview ${RUZI_BIN_DIR}/skin/skin.dat ${CMAKE_BINARY_DIR}/preview)
  set_tests_properties(preview_renders_the_skin PROPERTIES LABELS end-to-end)
endif()

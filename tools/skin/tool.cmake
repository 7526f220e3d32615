# The skin: icons and fonts drawn from the text designs in this folder, packed into skin/skin.dat.
set(RUZI_SKIN_DESIGNS ${CMAKE_CURRENT_LIST_DIR})
add_library(skintools STATIC
  ${RUZI_SKIN_DESIGNS}/SkinSource.cpp
  ${RUZI_SKIN_DESIGNS}/GlyphSheet.cpp
  ${RUZI_SKIN_DESIGNS}/IconSheet.cpp
  ${RUZI_SKIN_DESIGNS}/TgaEncoder.cpp)
target_include_directories(skintools PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(skintools PUBLIC gui)

add_executable(make-skin ${RUZI_SKIN_DESIGNS}/make-skin.cpp)
set_target_properties(make-skin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RUZI_TOOLS_DIR})
target_link_libraries(make-skin PRIVATE skintools)

set(RUZI_SKIN_PACK ${RUZI_BIN_DIR}/skin/skin.dat)
add_custom_command(OUTPUT ${RUZI_SKIN_PACK}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RUZI_BIN_DIR}/skin
  COMMAND make-skin ${RUZI_SKIN_DESIGNS} ${RUZI_SKIN_PACK}
  DEPENDS make-skin ${RUZI_SKIN_DESIGNS}/icons.txt ${RUZI_SKIN_DESIGNS}/realfont2.txt ${RUZI_SKIN_DESIGNS}/realfont.txt
          ${RUZI_SKIN_DESIGNS}/boldfont.txt
  COMMENT "Drawing the skin: icons and fonts")
add_custom_target(skin ALL DEPENDS ${RUZI_SKIN_PACK})

if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(skin_tools_tests ${PROJECT_SOURCE_DIR}/tools/skin/SkinToolsTest.cpp)
  set_target_properties(skin_tools_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(skin_tools_tests PRIVATE skintools testsupport GTest::gtest_main)
  gtest_discover_tests(skin_tools_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
endif()

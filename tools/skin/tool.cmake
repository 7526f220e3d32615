# The skin: icons and fonts drawn from the text designs in this folder, packed into skin/skin.dat.
set(RUZI_SKIN_DESIGNS ${CMAKE_CURRENT_LIST_DIR})
add_executable(make-skin
  ${RUZI_SKIN_DESIGNS}/make-skin.cpp
  ${RUZI_SKIN_DESIGNS}/SkinSource.cpp
  ${RUZI_SKIN_DESIGNS}/GlyphSheet.cpp
  ${RUZI_SKIN_DESIGNS}/IconSheet.cpp
  ${RUZI_SKIN_DESIGNS}/TgaEncoder.cpp)
set_target_properties(make-skin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RUZI_TOOLS_DIR})
target_link_libraries(make-skin PRIVATE gui)

set(RUZI_SKIN_PACK ${RUZI_BIN_DIR}/skin/skin.dat)
add_custom_command(OUTPUT ${RUZI_SKIN_PACK}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RUZI_BIN_DIR}/skin
  COMMAND make-skin ${RUZI_SKIN_DESIGNS} ${RUZI_SKIN_PACK}
  DEPENDS make-skin ${RUZI_SKIN_DESIGNS}/icons.txt ${RUZI_SKIN_DESIGNS}/realfont2.txt ${RUZI_SKIN_DESIGNS}/realfont.txt
          ${RUZI_SKIN_DESIGNS}/boldfont.txt
  COMMENT "Drawing the skin: icons and fonts")
add_custom_target(skin ALL DEPENDS ${RUZI_SKIN_PACK})

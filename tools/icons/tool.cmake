# The program's icons, drawn at build time into icons/ in the icon theme's layout; installed with
# the desktop entry.
add_executable(make-icons ${CMAKE_CURRENT_LIST_DIR}/make-icons.cpp ${CMAKE_CURRENT_LIST_DIR}/IconCanvas.cpp
                          ${PROJECT_SOURCE_DIR}/tools/preview/PngWriter.cpp)
set_target_properties(make-icons PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${RUZI_TOOLS_DIR})
target_include_directories(make-icons PRIVATE ${PROJECT_SOURCE_DIR})

set(RUZI_ICON_FILES)
foreach(size 48x48 128x128)
  list(APPEND RUZI_ICON_FILES ${RUZI_ICON_DIR}/${size}/apps/ruzi-zevivuvo.png
                              ${RUZI_ICON_DIR}/${size}/mimetypes/application-x-vandrelstudio-song.png)
endforeach()
add_custom_command(OUTPUT ${RUZI_ICON_FILES}
  COMMAND make-icons ${RUZI_ICON_DIR}
  DEPENDS make-icons
  COMMENT "Drawing the program's icons")
add_custom_target(icons ALL DEPENDS ${RUZI_ICON_FILES})

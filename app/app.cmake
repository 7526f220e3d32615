# What --version prints.
target_compile_definitions(app PRIVATE RUZI_VERSION="${PROJECT_VERSION}")

# The window program, beside ruzi-render with the assets it loads.
if(TARGET platform_desktop)
  add_executable(ruzi-zevivuvo ${PROJECT_SOURCE_DIR}/app/main/ruzi-zevivuvo.cpp)
  target_link_libraries(ruzi-zevivuvo PRIVATE app platform_desktop)
  add_dependencies(ruzi-zevivuvo skin default_song)
  if(TARGET drumkit)
    add_dependencies(ruzi-zevivuvo drumkit)
  endif()
endif()

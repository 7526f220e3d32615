# platform: program path, messages on stderr, Ctrl-C as Escape, the terminal. ruzi-render links it.
ruzi_layer(platform DIRS platform LINKS foundation)

# platform_desktop: the only code that includes SDL2, RtMidi, ALSA or GTK headers, linked by the
# window program alone, together with the memory tracker's allocation operators. Unit tests link
# fakes of its services instead.
file(GLOB desktop_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/desktop/*.cpp)
if(desktop_sources)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(DESKTOP REQUIRED IMPORTED_TARGET sdl2 rtmidi alsa gtk+-3.0 x11)
  add_library(platform_desktop STATIC ${desktop_sources})
  target_include_directories(platform_desktop PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(platform_desktop PUBLIC platform PkgConfig::DESKTOP)
  if(TARGET tracked_operators)
    target_link_libraries(platform_desktop PUBLIC tracked_operators)
  endif()
endif()

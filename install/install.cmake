# cmake --install: the build's layout (the programs with data/, samples/ and skin/ beside them)
# under PREFIX/lib/ruzi-zevivuvo/, links to the programs in PREFIX/bin/ (the programs find their
# folder through the link), and the desktop entry, the song MIME type and the icons in PREFIX/share/.
set(RUZI_INSTALL_DIR lib/ruzi-zevivuvo)

set(ruzi_programs ruzi-render)
if(TARGET ruzi-zevivuvo)
  list(APPEND ruzi_programs ruzi-zevivuvo)
endif()
install(TARGETS ${ruzi_programs} RUNTIME DESTINATION ${RUZI_INSTALL_DIR})
install(DIRECTORY ${RUZI_BIN_DIR}/data ${RUZI_BIN_DIR}/samples ${RUZI_BIN_DIR}/skin DESTINATION ${RUZI_INSTALL_DIR})
foreach(program ${ruzi_programs})
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(CREATE_LINK ../${RUZI_INSTALL_DIR}/${program} \"\${bin}/${program}\" SYMBOLIC)
    message(STATUS \"Installing: \${bin}/${program} -> ../${RUZI_INSTALL_DIR}/${program}\")")
endforeach()

if(TARGET ruzi-zevivuvo)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/ruzi-zevivuvo.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/ruzi-zevivuvo-mime.xml DESTINATION share/mime/packages
          RENAME ruzi-zevivuvo.xml)
  install(DIRECTORY ${RUZI_ICON_DIR}/ DESTINATION share/icons/hicolor)
endif()

# Installs to a temporary prefix and runs what was installed from elsewhere.
if(BUILD_TESTING)
  add_test(NAME install_to_a_prefix
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/install-test.sh ${CMAKE_BINARY_DIR} ${RUZI_BIN_DIR})
  set_tests_properties(install_to_a_prefix PROPERTIES LABELS end-to-end)
endif()

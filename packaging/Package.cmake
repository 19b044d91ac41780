# The Debian package (scripts/package): the three programs, the desktop entry, icon and AppStream
# metainfo, the manual pages, the bash completion and the printers' lock file made at boot;
# Depends is worked out from the shared libraries the programs use (dpkg-shlibdeps).
# The project has no mail address of its own yet: ".invalid" says so (RFC 2606).
set(maintainer "Vemora developers <developers@vemora.invalid>")
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/vemora)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${docdir})
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND ${GZIP} -9nc ${CMAKE_CURRENT_LIST_DIR}/changelog > ${changelog}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION ${docdir})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/vemora.tmpfiles DESTINATION lib/tmpfiles.d
        RENAME vemora.conf)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vemora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${maintainer})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up a customer pole display on a serial port")
set(CPACK_PACKAGE_DESCRIPTION
    "Vemora configures a customer pole display, the small display beside a
point-of-sale terminal, over a serial line: it checks that the display
answers, reads and writes its memory switches (ESC/POS emulation) and keeps
them in status files, or sends the code table and character set as direct
commands (other emulations). Local printers on the port are parked while
Vemora holds it.
.
The package holds vemora (the dialogs), vemora-cli (every action, for
scripts) and vemora-display-sim (a display on a pseudo-terminal).")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/postinst)
set(CPACK_STRIP_FILES ON)
# strip keeps the compiler's version strings (.comment), which tell a user nothing. This runs
# after the programs were installed and stripped: their folders' install rules come first.
set(installed "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}")
foreach(program vemora vemora-cli vemora-display-sim)
  install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
    \"${installed}/$<TARGET_FILE_NAME:${program}>\" COMMAND_ERROR_IS_FATAL ANY)")
endforeach()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# The Windows installer (scripts/package --windows): vemora.exe (the dialogs) and vemora-cli.exe
# with the README and licence, built by CPack's NSIS generator into vemora-VERSION-setup.exe. It
# makes a Start menu shortcut to the dialogs, offers to add the programs' folder to PATH, registers
# an uninstaller with the program's icon, and installs and uninstalls silently with /S.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Vemora)
set(CPACK_PACKAGE_VENDOR "Vemora developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up a customer pole display on a serial port")
set(CPACK_PACKAGE_FILE_NAME vemora-${PROJECT_VERSION}-setup)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vemora)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_LIST_DIR}/copyright)
set(CPACK_NSIS_DISPLAY_NAME Vemora)
set(CPACK_NSIS_PACKAGE_NAME Vemora)
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_STRIP_FILES ON)
# The shortcut shows the program's own icon; the installer and the uninstaller show it too.
set(CPACK_PACKAGE_EXECUTABLES vemora Vemora)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\vemora.exe")
set(CPACK_NSIS_MUI_ICON ${VEMORA_ICON})
set(CPACK_NSIS_MUI_UNIICON ${VEMORA_ICON})
# A 64-bit installer into the 64-bit Program Files, as the program is.
set(CPACK_NSIS_EXECUTABLE ${CMAKE_CURRENT_LIST_DIR}/makensis-amd64)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
include(CPack)

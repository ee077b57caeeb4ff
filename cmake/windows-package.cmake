# The Windows installer: "cpack -G NSIS64" in a Windows build folder gives
# Kestrel-<version>-win64.exe. It installs into Program Files\Kestrel the programs, the Qt
# libraries windeployqt gathers for them, data\ and sounds\; a Start-menu entry that starts
# Kestrel in that folder; an uninstaller (also under Apps); and, when the site has none yet,
# %PROGRAMDATA%\Kestrel\site.ini from the template, which users may read but not change.
# The site's settings file stays when Kestrel is uninstalled.

if(KESTREL_QT)
  # The Qt libraries and plugins (platform, multimedia, image formats) beside the programs.
  get_target_property(qmake Qt6::qmake IMPORTED_LOCATION)
  get_filename_component(qt_bin "${qmake}" DIRECTORY)
  find_program(KESTREL_WINDEPLOYQT windeployqt HINTS "${qt_bin}" REQUIRED)
  install(CODE "
    execute_process(COMMAND \"${KESTREL_WINDEPLOYQT}\" --release --no-translations
      --dir \"\${CMAKE_INSTALL_PREFIX}\" \"\${CMAKE_INSTALL_PREFIX}/kestrel.exe\"
      \"\${CMAKE_INSTALL_PREFIX}/kestrel-batch.exe\" \"\${CMAKE_INSTALL_PREFIX}/kestrel-gateway.exe\"
      COMMAND_ERROR_IS_FATAL ANY)")
  set(CPACK_PACKAGE_EXECUTABLES kestrel Kestrel)
else()
  # A build without Qt (the Windows check) packs its test programs in the programs' place, so
  # that the installer's layout is checked where no Qt for Windows is at hand.
  get_property(stand_ins GLOBAL PROPERTY KESTREL_TEST_PROGRAMS)
  install(TARGETS ${stand_ins} RUNTIME DESTINATION .)
  set(CPACK_PACKAGE_EXECUTABLES kestrel_controls_test Kestrel)
endif()

set(CPACK_GENERATOR NSIS64)
set(CPACK_PACKAGE_NAME Kestrel)
set(CPACK_PACKAGE_VENDOR Kestrel)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "routine MML jobs on GSM network elements")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kestrel)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Kestrel)
set(CPACK_PACKAGE_FILE_NAME Kestrel-${PROJECT_VERSION}-win64)
# Debian's NSIS makes a 32-bit installer unless told otherwise.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME Kestrel)
set(CPACK_NSIS_PACKAGE_NAME Kestrel)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_CONTACT "kestrel-dev@example.org")
# Each "\\\\" here is one "\" in the installer's script.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  SetShellVarContext all
  CreateDirectory '$APPDATA\\\\Kestrel'
  IfFileExists '$APPDATA\\\\Kestrel\\\\site.ini' +2 0
    CopyFiles /SILENT '$INSTDIR\\\\data\\\\site.ini.template' '$APPDATA\\\\Kestrel\\\\site.ini'
")
include(CPack)

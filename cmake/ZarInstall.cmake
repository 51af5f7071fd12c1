# The installed tree (bin/zar, lib/zar/Zar*.so, the man page, bash completion) and its packages:
# cpack makes a Debian package of that tree and a zip of the ten Windows modules (dist/x86 and
# dist/x64, built by the win32 and win64 presets) with the install guide. Native builds only.
include(GNUInstallDirs)

install(TARGETS zar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT native)
# zar looks for its modules in ../lib/zar beside itself.
install(TARGETS ${ZAR_PLUGIN_TARGETS} LIBRARY DESTINATION lib/zar COMPONENT native)
install(FILES ${PROJECT_SOURCE_DIR}/hosts/cli/zar.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zar
        COMPONENT native)

# The man page is zar's own --help, through help2man when the machine has it.
find_program(ZAR_HELP2MAN help2man)
if(ZAR_HELP2MAN)
  set(zar_man ${PROJECT_BINARY_DIR}/zar.1)
  set(zar_man_commands ${PROJECT_BINARY_DIR}/zar-commands.h2m)
  add_custom_command(
    OUTPUT ${zar_man}
    COMMAND ${CMAKE_COMMAND} -DZAR=$<TARGET_FILE:zar> -DOUT=${zar_man_commands} -P
            ${PROJECT_SOURCE_DIR}/cmake/ZarManInclude.cmake
    COMMAND ${ZAR_HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
            "--name=the ZAR effects on pictures, through the plug-in modules"
            --include=${zar_man_commands} --output=${zar_man} $<TARGET_FILE:zar>
    DEPENDS zar ${PROJECT_SOURCE_DIR}/cmake/ZarManInclude.cmake
    COMMENT "man page for zar (help2man)")
  add_custom_target(zar_man ALL DEPENDS ${zar_man})
  install(FILES ${zar_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT native)
else()
  message(STATUS "help2man not found: no man page for zar (scripts/setup installs it)")
endif()

# The Windows modules for the zip, only when asked for by component (cpack asks).
set(zar_dist ${PROJECT_SOURCE_DIR}/dist)
install(CODE "
  foreach(arch x86 x64)
    file(GLOB found \"${zar_dist}/\${arch}/*.8bf\")
    list(LENGTH found count)
    if(NOT count EQUAL 5)
      message(WARNING \"dist/\${arch} holds \${count} of the 5 .8bf modules: build them with \"
                      \"cmake --preset win32 / win64 and cmake --build --preset win32 / win64; \"
                      \"the zip holds what is there\")
    endif()
  endforeach()" COMPONENT windows EXCLUDE_FROM_ALL)
foreach(arch x86 x64)
  install(DIRECTORY ${zar_dist}/${arch}/ DESTINATION ${arch} COMPONENT windows EXCLUDE_FROM_ALL
          OPTIONAL FILES_MATCHING PATTERN "*.8bf")
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/docs/install-windows.txt DESTINATION . RENAME INSTALL.txt
        COMPONENT windows EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME zar)
set(CPACK_PACKAGE_VENDOR "ZAR")
set(CPACK_PACKAGE_CONTACT "ZAR developers <zar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "the ZAR image effects (Combustion, Ice, Candle, Fire, Cryo) on the command line")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB ZIP)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libvips42 (>= 8.14), libpng16-16, libstdc++6")
set(CPACK_DEBIAN_NATIVE_PACKAGE_NAME zar)
set(CPACK_ARCHIVE_WINDOWS_FILE_NAME zar-${PROJECT_VERSION}-windows-8bf)
# Each generator packs its own component: the Debian package the native tree, the zip the
# Windows modules.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/ZarCPackPerGenerator.cmake)
set(CPACK_COMPONENTS_ALL native windows)
include(CPack)

# Install layout (XDG folders under the prefix) and the Debian package. Included at the end of the top-level
# CMakeLists.txt, after every target is known.
include(GNUInstallDirs)

set(READERCONFIG_APP_ID tw.com.velno.readerconfig)

# The programs that `cmake --install` and the package carry; `cmake --build . --target installed-programs`
# builds just these (with CMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON, cpack then skips the tests).
add_custom_target(installed-programs)
if(TARGET readerconfig)
    install(TARGETS readerconfig RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    add_dependencies(installed-programs readerconfig)
endif()
if(TARGET reader-sim)
    install(TARGETS reader-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    add_dependencies(installed-programs reader-sim)
endif()
if(TARGET readerctl)
    install(TARGETS readerctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/cli/readerctl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PROJECT_SOURCE_DIR}/cli/readerctl.bash
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME readerctl)
    add_dependencies(installed-programs readerctl)
endif()

if(TARGET readerconfig)
    set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
    install(FILES ${_packaging}/readerconfig.desktop ${_packaging}/readerconfig-site.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${_packaging}/${READERCONFIG_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 16 48 128 256)
        if(size EQUAL 16)
            set(_icon ${PROJECT_SOURCE_DIR}/resources/icon.png)
        else()
            set(_icon ${PROJECT_SOURCE_DIR}/resources/icon-${size}.png)
        endif()
        install(FILES ${_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME readerconfig.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME readerconfig)
set(CPACK_PACKAGE_VENDOR VELNO)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VELNO packaging <packaging@velno.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up a QUVIN4 keypad card reader on a serial line")
# Lines of at most 80 characters, as Debian's control files want them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "The installer's tool for the VELNO QUVIN4 keypad card reader: it finds the\n"
       "reader on a COM port, shows and changes its ID, key count, line settings,\n"
       "output mode and keycode parity, and shows each card or keypad entry. Its\n"
       "site window commissions one reader after another from a plan and records each.\n"
       "Includes reader-sim, a simulated reader for trying the tool without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/shots/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The window's fonts are looked up by name at run time, so no library check can find them.
set(_font_packages "fonts-liberation, fonts-noto-cjk")
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${_font_packages}")
else()
    # Without dpkg-dev: the libraries the programs link, as Debian 12 names them.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libpulse0, libstdc++6, libgcc-s1, libc6, \
${_font_packages}")
endif()

include(CPack)

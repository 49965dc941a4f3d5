# The Windows program: its resource script, and an install tree laid out as windeployqt lays it out (the
# program, the shared Qt DLLs beside it, plugins in their folders), from which scripts/windows-release makes
# the zip and the setup program. The mingw runtime is linked statically into the program and into Qt's DLLs.
#   cmake --install <build> --prefix <folder>

set(READERCONFIG_ICO ${PROJECT_SOURCE_DIR}/resources/readerconfig.ico)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/readerconfig.rc.in ${CMAKE_BINARY_DIR}/readerconfig.rc @ONLY)
target_sources(readerconfig PRIVATE ${CMAKE_BINARY_DIR}/readerconfig.rc)
set_property(SOURCE ${CMAKE_BINARY_DIR}/readerconfig.rc APPEND PROPERTY OBJECT_DEPENDS ${READERCONFIG_ICO})

install(TARGETS readerconfig RUNTIME DESTINATION .)
if(TARGET readerctl)
    install(TARGETS readerctl RUNTIME DESTINATION .)
endif()
foreach(module Core Gui Widgets)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
# Plugin folder by plugin: the windows platform, the native style, the icon format.
foreach(plugin platforms:QWindowsIntegrationPlugin styles:QWindowsVistaStylePlugin imageformats:QICOPlugin)
    string(REPLACE ":" ";" plugin ${plugin})
    list(GET plugin 0 folder)
    list(GET plugin 1 target)
    if(NOT TARGET Qt6::${target})
        message(FATAL_ERROR "Qt for Windows lacks its ${target}")
    endif()
    install(FILES $<TARGET_FILE:Qt6::${target}> DESTINATION ${folder})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

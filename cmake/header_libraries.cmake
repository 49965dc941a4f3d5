# CLI11 (readerctl's command line) and nlohmann-json (readerctl's output and the protocol trace): header-only
# Debian packages. A cross build takes the same headers through a folder of links to them, never the host's
# whole /usr/include, whose C library headers would shadow the cross compiler's.
add_library(header_libraries INTERFACE)
if(CMAKE_CROSSCOMPILING)
    set(links ${CMAKE_BINARY_DIR}/header-libraries)
    file(MAKE_DIRECTORY ${links})
    foreach(folder nlohmann CLI)
        if(NOT EXISTS /usr/include/${folder})
            message(FATAL_ERROR "/usr/include/${folder} is missing: install libcli11-dev and nlohmann-json3-dev")
        endif()
        file(CREATE_LINK /usr/include/${folder} ${links}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(header_libraries SYSTEM INTERFACE ${links})
else()
    find_package(nlohmann_json 3.10 REQUIRED)
    find_package(CLI11 2.1 REQUIRED)
    target_link_libraries(header_libraries INTERFACE nlohmann_json::nlohmann_json CLI11::CLI11)
endif()

# `cpack -G DEB` in a build of kelvora-cli alone makes
# kelvora-cli_VERSION_ARCH.deb: the program stripped, installed below /usr,
# with the libraries it links to as dependencies (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME kelvora-cli)
set(CPACK_PACKAGE_VERSION ${KELVORA_CLI_VERSION})
set(CPACK_PACKAGE_VENDOR Kelvora)
set(CPACK_PACKAGE_CONTACT "Kelvora developers <kelvora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "repair the modification times of copies that drifted from their originals")
set(CPACK_PACKAGE_DESCRIPTION
    "kelvora-cli pairs every file of a folder of originals with its copy and, where the copy has the same size\n"
    "and is off by an allowed shift (the hour of a daylight-saving change, say), sets the copy's modification\n"
    "time to its original's. Every change is journalled and can be undone.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
# A package is made of kelvora-cli alone, never of a build with sanitizers.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
set(CPACK_KELVORA_SANITIZERS "${KELVORA_SANITIZERS}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package-check.cmake)
include(CPack)

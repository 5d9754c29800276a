# What `cmake --install` puts in place for kelvora-cli: the program, its
# manual page and its completion for bash, zsh and fish, where each shell
# looks for that of installed programs.
include(GNUInstallDirs)

install(TARGETS kelvora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The page compressed, as man-db and Debian keep them; without gzip, as it is.
find_program(KELVORA_GZIP gzip)
if(KELVORA_GZIP)
    set(kelvora_man_page ${CMAKE_CURRENT_BINARY_DIR}/kelvora-cli.1.gz)
    add_custom_command(OUTPUT ${kelvora_man_page}
        COMMAND ${KELVORA_GZIP} -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/cli/kelvora-cli.1 > ${kelvora_man_page}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cli/kelvora-cli.1
        COMMENT "Compressing the manual page")
    add_custom_target(kelvora_man_page ALL DEPENDS ${kelvora_man_page})
else()
    set(kelvora_man_page ${CMAKE_CURRENT_SOURCE_DIR}/cli/kelvora-cli.1)
endif()
install(FILES ${kelvora_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# zsh looks in vendor-completions for the system's packages (Debian, prefix
# /usr, as cpack installs) and in site-functions below any other prefix
# (/usr/local): chosen when installing, since cpack changes the prefix.
install(FILES cli/completion/kelvora-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kelvora-cli)
install(CODE "
    if(CMAKE_INSTALL_PREFIX MATCHES \"(^|/)usr/?$\")
        set(kelvora_zsh_folder vendor-completions)
    else()
        set(kelvora_zsh_folder site-functions)
    endif()
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/zsh/\${kelvora_zsh_folder}\"
         TYPE FILE FILES \"${CMAKE_CURRENT_SOURCE_DIR}/cli/completion/_kelvora-cli\")
")
install(FILES cli/completion/kelvora-cli.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

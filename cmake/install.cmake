# Where an installed sscm puts its files, and the packages made from them with CPack:
# scripts/package.sh makes the Debian package and the Windows zip.
include(GNUInstallDirs)

if(WIN32)
    # The zip holds the program beside its README, citation, documents and example data.
    set(sscm_bindir .)
    set(sscm_docdir .)
else()
    set(sscm_bindir ${CMAKE_INSTALL_BINDIR})
    set(sscm_docdir ${CMAKE_INSTALL_DOCDIR})
endif()

install(TARGETS sscm-cli RUNTIME DESTINATION ${sscm_bindir})
install(FILES README.md CITATION.cff DESTINATION ${sscm_docdir})
install(DIRECTORY docs/ DESTINATION ${sscm_docdir}/docs)
install(FILES examples/grazing.csv DESTINATION ${sscm_docdir}/examples)
if(SSCM_BUILD_GUI)
    install(TARGETS sscm RUNTIME DESTINATION ${sscm_bindir})
    install(FILES packaging/sscm.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES packaging/sscm.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Manual pages, made by help2man from the programs' --help (sscm's with the FILES and SEE ALSO of
# packaging/sscm.h2m).
option(SSCM_MAN_PAGES "Make the manual pages of sscm-cli and sscm from their --help (help2man)" OFF)
if(SSCM_MAN_PAGES AND NOT WIN32)
    find_program(SSCM_HELP2MAN help2man REQUIRED)
    find_program(SSCM_GZIP gzip REQUIRED)
    set(sscm_mandir ${CMAKE_BINARY_DIR}/man)
    # Compressed, as Debian keeps its manual pages; -n leaves out the time, so the package's
    # bytes do not change from one build to the next.
    add_custom_command(OUTPUT ${sscm_mandir}/sscm-cli.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${sscm_mandir}
        COMMAND ${SSCM_HELP2MAN} --no-info --no-discard-stderr --version-string=${PROJECT_VERSION}
                --name=${sscm_summary} --output=${sscm_mandir}/sscm-cli.1 $<TARGET_FILE:sscm-cli>
        COMMAND ${SSCM_GZIP} -9nf ${sscm_mandir}/sscm-cli.1
        DEPENDS sscm-cli VERBATIM)
    set(sscm_man_outputs ${sscm_mandir}/sscm-cli.1.gz)
    if(SSCM_BUILD_GUI)
        # sscm answers --help without a display.
        add_custom_command(OUTPUT ${sscm_mandir}/sscm.1.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${sscm_mandir}
            COMMAND ${SSCM_HELP2MAN} --no-info --no-discard-stderr
                    --version-string=${PROJECT_VERSION} "--name=${sscm_summary}, in a window"
                    --include=${CMAKE_SOURCE_DIR}/packaging/sscm.h2m
                    --output=${sscm_mandir}/sscm.1 $<TARGET_FILE:sscm>
            COMMAND ${SSCM_GZIP} -9nf ${sscm_mandir}/sscm.1
            DEPENDS sscm packaging/sscm.h2m VERBATIM)
        list(APPEND sscm_man_outputs ${sscm_mandir}/sscm.1.gz)
    endif()
    add_custom_target(sscm_man_pages ALL DEPENDS ${sscm_man_outputs})
    install(FILES ${sscm_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME sscm)
set(CPACK_PACKAGE_VENDOR "sscm developers")
set(CPACK_PACKAGE_CONTACT "sscm developers <sscm@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${sscm_summary})
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME sscm-cli-${PROJECT_VERSION}-windows-x86_64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION science)
    # The libraries' packages (Qt, OpenSSL, the C++ runtime) from the programs' links; the rest
    # by name: Qt's platform plugins, and the fonts the charts are drawn with (Latin and
    # Japanese species names).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-ipafont-gothic")
    if(SSCM_BUILD_GUI)
        string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins")
    endif()
endif()
include(CPack)

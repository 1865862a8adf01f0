# Installation layout and the Debian package.
include(GNUInstallDirs)

# The substitute libraries live in a private folder, never on the default library path: only
# the launcher puts them on the path, for its own process. Where the system has a multiarch
# folder (Debian) the private one goes below it, as architecture-dependent files do there; one
# directly below lib/ would also make CPack add needless ldconfig calls to the package.
if(CMAKE_LIBRARY_ARCHITECTURE)
    set(SFP_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/aq3310-sfp)
else()
    set(SFP_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/aq3310-sfp)
endif()
file(RELATIVE_PATH SFP_REL_LIBDIR /${CMAKE_INSTALL_BINDIR} /${SFP_PRIVATE_LIBDIR})

install(TARGETS aq3310-sfp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET aq3310-rec)
    install(TARGETS aq3310-rec RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET sfp_visa AND TARGET sfp_aqk3310)
    install(TARGETS sfp_visa sfp_aqk3310 LIBRARY DESTINATION ${SFP_PRIVATE_LIBDIR})
    # The VISA library loads its scenario file reader and network transport from its own folder.
    foreach(loaded sfp_visa_scenario sfp_visa_vxi11)
        if(TARGET ${loaded})
            install(TARGETS ${loaded} LIBRARY DESTINATION ${SFP_PRIVATE_LIBDIR})
        endif()
    endforeach()
endif()
configure_file(${CMAKE_SOURCE_DIR}/dist/aq3310-sfp-sim.in ${CMAKE_BINARY_DIR}/aq3310-sfp-sim @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/aq3310-sfp-sim DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET aq3310-rec)
    configure_file(${CMAKE_SOURCE_DIR}/dist/aq3310-rec-sim.in ${CMAKE_BINARY_DIR}/aq3310-rec-sim @ONLY)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/aq3310-rec-sim DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/resources/help/aqk3310.html
        DESTINATION ${CMAKE_INSTALL_DATADIR}/aq3310-sfp)
install(FILES ${CMAKE_SOURCE_DIR}/dist/aq3310-sfp.desktop ${CMAKE_SOURCE_DIR}/dist/aq3310-sfp-sim.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/aq3310-sfp-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME aq3310-sfp.png)
endforeach()

# Debian wants manual pages and the changelog compressed, reproducibly.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(SFP_DOC_OUT ${CMAKE_BINARY_DIR}/doc)
add_custom_command(OUTPUT ${SFP_DOC_OUT}/aq3310-sfp.1.gz ${SFP_DOC_OUT}/aq3310-rec.1.gz
                   ${SFP_DOC_OUT}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SFP_DOC_OUT}
    COMMAND ${GZIP_EXECUTABLE} -9nc ${CMAKE_SOURCE_DIR}/dist/aq3310-sfp.1 > ${SFP_DOC_OUT}/aq3310-sfp.1.gz
    COMMAND ${GZIP_EXECUTABLE} -9nc ${CMAKE_SOURCE_DIR}/dist/aq3310-rec.1 > ${SFP_DOC_OUT}/aq3310-rec.1.gz
    COMMAND ${GZIP_EXECUTABLE} -9nc ${CMAKE_SOURCE_DIR}/dist/changelog > ${SFP_DOC_OUT}/changelog.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/dist/aq3310-sfp.1 ${CMAKE_SOURCE_DIR}/dist/aq3310-rec.1
            ${CMAKE_SOURCE_DIR}/dist/changelog)
add_custom_target(sfp_docs ALL DEPENDS ${SFP_DOC_OUT}/aq3310-sfp.1.gz ${SFP_DOC_OUT}/aq3310-rec.1.gz
                  ${SFP_DOC_OUT}/changelog.gz)
install(FILES ${SFP_DOC_OUT}/aq3310-sfp.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${SFP_DOC_OUT}/aq3310-sfp.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        RENAME aq3310-sfp-sim.1.gz)
if(TARGET aq3310-rec)
    install(FILES ${SFP_DOC_OUT}/aq3310-rec.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${SFP_DOC_OUT}/aq3310-rec.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            RENAME aq3310-rec-sim.1.gz)
endif()
# The package is native (no Debian revision): its changelog is changelog.gz.
install(FILES ${SFP_DOC_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME aq3310-sfp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "aq3310-sfp developers <aq3310-sfp@aq3310-sfp.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "soft front panel for the AQ K3310 isolated input module")
# CPack puts the summary in front as the first line and indents these lines by one space.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A desktop front panel for a 64-channel isolated input interrupt module in a
VXI mainframe: reads the port value and the edge transition registers of
each 16-bit port, in decimal or hex, with automatic updates, reset and
self test. Ships a simulated module for use without hardware.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The dialogs are laid out in the bitmap face that fonts-wine ships; without it they fall back to
# a wider face.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wine)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/sim/lib)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

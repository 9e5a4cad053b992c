# Installing Sendvik (cmake --install) and its Debian package (cpack -G DEB):
# the programs and the QR-code module in lib/sendvik (the module is looked for
# beside the programs), sendvik and sendvik-cli in bin, the menu entry and the
# icon, the demo's card definition.
include(GNUInstallDirs)
set(SENDVIK_LIBDIR "${CMAKE_INSTALL_LIBDIR}/sendvik")
install(TARGETS sendvik sendvik-cli sendvik-cli-net sendvik-setup RUNTIME DESTINATION ${SENDVIK_LIBDIR})
install(TARGETS ZkwQRCode LIBRARY DESTINATION ${SENDVIK_LIBDIR})
install(FILES demo/demo_card.mQSL DESTINATION ${SENDVIK_LIBDIR})
install(FILES packaging/sendvik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/sendvik.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(program sendvik sendvik-cli)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"../${SENDVIK_LIBDIR}/${program}\"
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
endforeach()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "sendvik")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Sendvik developers <sendvik@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZELKOV E-Mail QSL: exchange e-QSL cards by e-mail")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "hamradio")
# The Depends line is read from the built programs when the package is made
# (PackageDepends.cmake).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_SENDVIK_BUILD_DIR "${CMAKE_BINARY_DIR}")
file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/package-elf-files.cmake" CONTENT
  "set(CPACK_SENDVIK_ELF_FILES \"$<TARGET_FILE:sendvik>;$<TARGET_FILE:sendvik-cli>;$<TARGET_FILE:sendvik-cli-net>;$<TARGET_FILE:sendvik-setup>;$<TARGET_FILE:ZkwQRCode>\")\n")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_SOURCE_DIR}/cmake/PackageDepends.cmake")
# What lintian asks of every package: a description, the copyright, the
# changelog of a native package.
set(CPACK_PACKAGE_DESCRIPTION
  "Sendvik exchanges electronic QSL cards (confirmations of radio contacts)
by e-mail for licensed radio amateurs in Japan. For a range of contacts in
the station's log it asks the service's server which partners take part,
draws a personalised card picture for each contact on the station's photo,
mails it over SMTP, files it and marks the contact as sent. It receives the
cards other stations mailed over POP3, matches them against the log, writes
the received marks, keeps lists of sent and received cards and tallies the
confirmed areas.")
execute_process(COMMAND gzip -9nc "${CMAKE_SOURCE_DIR}/packaging/changelog"
  OUTPUT_FILE "${CMAKE_BINARY_DIR}/changelog.gz")
install(FILES packaging/copyright "${CMAKE_BINARY_DIR}/changelog.gz"
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sendvik)
foreach(page sendvik sendvik-cli)
  execute_process(COMMAND gzip -9nc "${CMAKE_SOURCE_DIR}/packaging/man/${page}.1"
    OUTPUT_FILE "${CMAKE_BINARY_DIR}/${page}.1.gz")
  install(FILES "${CMAKE_BINARY_DIR}/${page}.1.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
# The Japanese fonts the cards are drawn with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont, xdg-utils")
include(CPack)

# The setup folder and its archive (build/<flavour>/setup/sendvik-<version>.tgz),
# the download a new version is offered as.
add_custom_target(setup-archive
  COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/make-setup.sh ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/setup
  DEPENDS sendvik sendvik-cli sendvik-cli-net sendvik-setup ZkwQRCode
  VERBATIM USES_TERMINAL)

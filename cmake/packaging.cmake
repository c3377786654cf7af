# The Debian package (`make package`): the installed tree under /usr, stripped, its dependencies
# worked out from the shared libraries the programs use.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexa-password)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The Debian revision: the package's changelog names this version (debian/changelog).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "The Vexa Password developers")
set(CPACK_PACKAGE_CONTACT "The Vexa Password developers <maintainers@vexapassword.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hides files from casual reading, locks folders, makes passwords")
# Lines of the long description stay within the 80 columns a package manager shows.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vexa Password turns files into .vxp files and back with one password, keeps\n"
    "lists of files, locks folders and makes random passwords. The format hides\n"
    "content from casual reading only: the password is stored, merely complemented,\n"
    "in each file. It is not cryptography.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Files are opened in their applications through the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
# The control libraries are private to the programs; dpkg-shlibdeps must look for them there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vexapassword.org/)

# The package's own documents: the copyright in Debian's machine-readable form, the changelog
# compressed as Debian keeps it, and the lintian overrides, each with its reason.
set(vexa_docdir ${CMAKE_INSTALL_DATADIR}/doc/vexa-password)
set(vexa_changelog ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${vexa_changelog}
    COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/debian/changelog > ${vexa_changelog}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${vexa_changelog})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${vexa_changelog} DESTINATION ${vexa_docdir})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME vexa-password)
include(CPack)

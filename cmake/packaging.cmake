# The Debian package (`make package`): the installed tree under /usr, stripped, its dependencies
# worked out from the shared libraries the programs use.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexa-password)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vexa Password developers")
set(CPACK_PACKAGE_CONTACT "The Vexa Password developers <maintainers@vexapassword.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hides files from casual reading, locks folders, makes passwords")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vexa Password turns files into .vxp files and back with one password, keeps lists of\n"
    "files, locks folders and makes random passwords. The format hides content from casual\n"
    "reading only: the password is stored, merely complemented, in each file. It is not\n"
    "cryptography.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The control libraries are private to the programs; dpkg-shlibdeps must look for them there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
include(CPack)

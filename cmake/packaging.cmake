# `cpack` in a build folder makes a Debian package of what `cmake --install`
# puts in place. Its run-time dependencies come from dpkg-shlibdeps (dpkg-dev):
# the Qt libraries the program links. Nothing else is needed at run time: the
# xcb platform plugin ships with libqt6gui6 and the fonts are built in.
set(CPACK_PACKAGE_NAME ringlatch)
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Korvane <kontakt@ringlatch.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Programator relejnog uredjaja preko serijskog porta")
set(CPACK_PACKAGE_DESCRIPTION
    "Ringlatch upisuje broj telefona u eprom relejnog uredjaja na portu COM1.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

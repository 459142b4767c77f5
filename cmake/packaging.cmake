# `cpack` in a build folder makes a Debian package of what `cmake --install`
# puts in place. Its run-time dependencies come from dpkg-shlibdeps (dpkg-dev):
# the Qt libraries the program links. Qt's platform plugins package, which
# libqt6gui6 only recommends, is named as well, so that an install without
# recommends still has them (Debian 12 ships the xcb plugin in libqt6gui6
# itself). The fonts are built in.
set(CPACK_PACKAGE_NAME ringlatch)
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Korvane <kontakt@ringlatch.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Programator relejnog uredjaja preko serijskog porta")
set(CPACK_PACKAGE_DESCRIPTION
    "Ringlatch upisuje broj telefona u eprom relejnog uredjaja na portu COM1.
Relejni uredjaj ukljucuje relej kada ga pozove jedan odredjeni telefon;
Ringlatch mu salje taj broj i javlja da li ga je uredjaj potvrdio.
Radi u prozoru ili sa komandne linije (--store, --read-out, --list-ports),
a --port zadaje drugi uredjaj kao COM1, na primer USB adapter.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)

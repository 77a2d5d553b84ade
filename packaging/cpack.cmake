# The Debian package vq830-tool, built by `cpack` (scripts/package.sh) from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vq830-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VQ830-A(B) tool maintainers")
set(CPACK_PACKAGE_CONTACT ${CPACK_DEBIAN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration and test tool for the VQ830-A(B) serial distributor")
# The extended description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A desktop tool for the VQ830-A(B) serial intelligent distributor. Connected
to the device's main port through a serial port of the PC (a USB adapter or
an on-board port), it writes the device's settings (work mode, line settings
of its four ports, timing values, instrument read-command slots, serial
numbers), reads them back, and shows the traffic.

The window is in Chinese. The package also holds vq830, the same from the
command line for scripts and production lines (read, write with
verification, single settings, board serial numbers from a counter file or
from a production line's database shared by several stations, with a record
of every board),
and vq830-sim, a simulated device on a pseudo-terminal, to try both without
hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Shared libraries from dpkg-shlibdeps; the window's Chinese captions need a CJK font; the
# toolkit's own texts (context menus, box buttons) are Chinese with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The line's database is a SQLite file unless a PostgreSQL server is named: Qt's SQLite driver is
# needed, its PostgreSQL driver recommended.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-zenhei | fonts-noto-cjk, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libqt6sql6-psql")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

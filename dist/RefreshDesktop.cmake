# Run at the end of `cmake --install`: makes the new menu entry and recording type known to the
# desktop of whoever installed; for the package, dpkg's triggers do the same. Not part of the
# package itself, whose staged tree must hold no generated database.
include(${CMAKE_CURRENT_LIST_DIR}/DesktopDatabases.cmake)
kelvora_refresh_desktop("$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share")

# Run at the end of `cmake --install`: makes the new menu entry and recording type known to the
# desktop of whoever installed, as the package's postinst does for a system install. Not part
# of the package itself, whose staged tree must hold no generated database.
set(share "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share")
find_program(update_mime update-mime-database)
if(update_mime)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env "XDG_DATA_HOME=${share}" ${update_mime} "${share}/mime"
    RESULT_VARIABLE status OUTPUT_QUIET)
  message(STATUS "Refreshed the MIME database in ${share}/mime (${status})")
endif()
find_program(update_desktop update-desktop-database)
if(update_desktop)
  execute_process(COMMAND ${update_desktop} -q "${share}/applications" RESULT_VARIABLE status)
  message(STATUS "Refreshed the desktop entries in ${share}/applications (${status})")
endif()

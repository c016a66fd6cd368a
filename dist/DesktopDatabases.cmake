# The desktop's databases under a prefix's share/ folder: the MIME database (built from
# mime/packages) and the menu's MIME cache (applications/mimeinfo.cache). Refreshed after an
# install and after a removal; once no package or menu entry is left, what the tools generated
# goes too, so that a removal leaves the prefix as it found it.
function(kelvora_refresh_desktop share)
  file(GLOB types "${share}/mime/packages/*.xml")
  find_program(update_mime update-mime-database)
  if(types AND update_mime)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env "XDG_DATA_HOME=${share}" ${update_mime} "${share}/mime"
      RESULT_VARIABLE status OUTPUT_QUIET)
    message(STATUS "Refreshed the MIME database in ${share}/mime (${status})")
  elseif(NOT types AND IS_DIRECTORY "${share}/mime")
    file(GLOB generated LIST_DIRECTORIES true "${share}/mime/*")
    list(REMOVE_ITEM generated "${share}/mime/packages")
    if(generated)
      file(REMOVE_RECURSE ${generated})
    endif()
  endif()
  file(GLOB entries "${share}/applications/*.desktop")
  find_program(update_desktop update-desktop-database)
  if(entries AND update_desktop)
    execute_process(COMMAND ${update_desktop} -q "${share}/applications" RESULT_VARIABLE status)
    message(STATUS "Refreshed the desktop entries in ${share}/applications (${status})")
  elseif(NOT entries)
    file(REMOVE "${share}/applications/mimeinfo.cache")
  endif()
endfunction()

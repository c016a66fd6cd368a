# Installs the menu entry for the prefix being installed to. A system install (/usr) names the
# program bare, as PATH always finds it there; any other prefix names it by its absolute path, so
# the menu entry and the double-click work before (or without) the prefix's bin/ on PATH.
set(program "${CMAKE_INSTALL_PREFIX}/bin/kelvora-player")
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(KELVORA_TRY_EXEC kelvora-player)
  set(KELVORA_EXEC kelvora-player)
elseif(program MATCHES "^[A-Za-z0-9/._+-]+$")
  set(KELVORA_TRY_EXEC "${program}")
  set(KELVORA_EXEC "${program}")
else()
  # Quoted as the desktop entry format asks: \ " ` $ escaped inside the quotes, then every
  # backslash doubled once more for the string value, and % doubled for the field codes.
  string(REGEX REPLACE "([\\\"`$])" "\\\\\\1" quoted "${program}")
  string(REPLACE "\\" "\\\\" quoted "${quoted}")
  string(REPLACE "%" "%%" quoted "${quoted}")
  set(KELVORA_EXEC "\"${quoted}\"")
  string(REPLACE "\\" "\\\\" KELVORA_TRY_EXEC "${program}")
endif()
string(MD5 key "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(entry "${kelvora_staging}/desktop-${key}/kelvora-player.desktop")
configure_file("${kelvora_dist}/kelvora-player.desktop" "${entry}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE FILES "${entry}")

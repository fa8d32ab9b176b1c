# Run by cpack after it has installed into its staging folder: the archive is a folder that may be
# unpacked anywhere, so its menu entry cannot name the program by an absolute path as an installed
# entry does. It finds the program from the entry file's own location (%k, which the desktop's
# launcher fills in; links resolved), two levels up, and starts it through libexec/tallymate's
# launcher in lib/tallymate, a folder that holds no stray help.txt for F1 to take. A launcher
# that fills in no %k (dex, gio launch) gets the entry where the README links it, in
# ~/.local/share/applications.
if(NOT CPACK_GENERATOR MATCHES "^(TGZ|TXZ|TBZ2|TZST|ZIP|7Z)$")
  message(FATAL_ERROR "Tallymate is packed only as a folder archive, not with ${CPACK_GENERATOR}")
endif()
set(entry_path "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/share/applications/${CPACK_TALLYMATE_APP_ID}.desktop")
if(NOT EXISTS "${entry_path}")
  message(FATAL_ERROR "No menu entry at ${entry_path}")
endif()
file(READ "${CPACK_TALLYMATE_DESKTOP_TEMPLATE}" entry)
foreach(started lib/tallymate/tallymate libexec/tallymate/tallymate)
  if(NOT EXISTS "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${started}")
    message(FATAL_ERROR "The archive's entry starts ${started}, which is not there")
  endif()
endforeach()
# The script contains none of the characters that Exec's quoting escapes with a backslash (" ` $
# and the backslash itself): launchers differ in how they undo those escapes (dex does not at
# all), and all of them take the rest of a quoted argument as it is. Without "$" the shell reads
# the entry's path through the environment: "for" sets e to each argument, printenv prints it.
set(exec "Exec=sh -c \"for e do export e; done; { printenv -0 e | xargs -0 realpath -ez -- \
|| realpath -ez ~/.local/share/applications/${CPACK_TALLYMATE_APP_ID}.desktop; } 2>/dev/null \
| xargs -0r dirname -z -- | xargs -0 -I{} env -C {}/../../lib/tallymate ../../libexec/tallymate/tallymate\" sh %k")
string(REPLACE "\nExec=tallymate\n" "\n${exec}\n" relocatable "${entry}")
if(relocatable STREQUAL entry)
  message(FATAL_ERROR "${CPACK_TALLYMATE_DESKTOP_TEMPLATE} has no line Exec=tallymate")
endif()
file(WRITE "${entry_path}" "${relocatable}")

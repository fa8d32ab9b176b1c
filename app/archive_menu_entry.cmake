# Run by cpack after it has installed into its staging folder: the archive is a folder that may be
# unpacked anywhere, so its menu entry cannot name the program by an absolute path as an installed
# entry does. It finds the program from the entry file's own location (%k, which the desktop's
# launcher fills in; links resolved), two levels up and into lib/tallymate, and starts it there,
# in the folder where F1 finds help.txt.
if(NOT CPACK_GENERATOR MATCHES "^(TGZ|TXZ|TBZ2|TZST|ZIP|7Z)$")
  message(FATAL_ERROR "Tallymate is packed only as a folder archive, not with ${CPACK_GENERATOR}")
endif()
set(entry_path "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/share/applications/${CPACK_TALLYMATE_APP_ID}.desktop")
if(NOT EXISTS "${entry_path}")
  message(FATAL_ERROR "No menu entry at ${entry_path}")
endif()
file(READ "${CPACK_TALLYMATE_DESKTOP_TEMPLATE}" entry)
# Quoted twice over: a desktop file's string escapes first (\\ is \), then Exec's own quoting.
# The shell then sees: cd "$(dirname "$(readlink -f "$0")")/../../lib/tallymate" && exec ./tallymate
set(exec [=[Exec=sh -c "cd \\"\\$(dirname \\"\\$(readlink -f \\"\\$0\\")\\")/../../lib/tallymate\\" && exec ./tallymate" %k]=])
string(REPLACE "\nExec=tallymate\n" "\n${exec}\n" relocatable "${entry}")
if(relocatable STREQUAL entry)
  message(FATAL_ERROR "${CPACK_TALLYMATE_DESKTOP_TEMPLATE} has no line Exec=tallymate")
endif()
file(WRITE "${entry_path}" "${relocatable}")

// Where the program's own files are: the executable's folder, and the documents (help, licence)
// as found from wherever the program was installed or unpacked.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// The folder of the running executable's real path, without a final '/'; empty when the system
// cannot tell (a path longer than it can give back).
std::string ExecutableFolder();

// The first of `folders` that holds `name` as a regular file, joined with it ("" stands for the
// working folder and gives `name` alone); `name` alone when none does.
std::string FindDocument(std::string_view name, std::initializer_list<std::string_view> folders);

// A document the program ships ("help.txt", "Licence.txt"): in the working folder, else beside
// the executable, else in the installed data folder (share/tallymate of the install).
std::string FindDocument(std::string_view name);

// File helpers the player store's parts share (index, call log,
// operations); not part of the store's interface.
#pragma once

#include <string>

namespace simplayer {

extern const char kLogName[];

void SetError(std::string *error, const std::string &text);
bool ReadWholeFile(const std::string &path, std::string *bytes);
bool WriteWholeFile(const std::string &path, const std::string &bytes);
bool FolderExists(const std::string &folder);
// Creates the folder and the ones above it as needed.
bool MakeFolders(const std::string &folder);
// Removes a trailing carriage return, as a line read from a CRLF file has.
void DropCarriageReturn(std::string *line);

} // namespace simplayer

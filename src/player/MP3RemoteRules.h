// The portable rules behind the player remote: cleaning the registered open command and naming
// a player version from the version table.
#pragma once

#include <string>

#include "toolkit/Classes.h"

namespace mp3remote {
// The text before the first "%1", with every double quote removed; nothing else is trimmed.
std::string CleanOpenCommand(const std::string& command);
// The name of `version` (low 16 bits) from `table`, or the "not valid" / "not known" texts.
std::string VersionName(const TStringList& table, unsigned version);
// The 27 rows the component starts with.
extern const char* const kDefaultVersions[27];
} // namespace mp3remote

// Editing a settings text: one key set to a value, as a user would edit the file. Used
// by the headless renderer's --set and by the tests that start the program.
#pragma once

#include <string>

// `ini` with `key` in `section` set to `value`: the key's first line in the section is
// replaced, or the key is added at the section's end, or the section with the key at
// the text's end. Names compare without regard to case, as the program reads them.
std::string WithSetting(const std::string& ini, const std::string& section, const std::string& key,
                        const std::string& value);
// The same for an assignment written "Section/Key=Value"; false when it is not so written.
bool ApplySetting(std::string& ini, const std::string& assignment);

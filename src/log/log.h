// The program's one channel to the user's terminal: every message is one stderr line
//
//   quillmarsh: <what it concerns>: <file or key>: <reason>
//
// where a file is given in double quotes and a settings key as Section/Key. Messages
// that concern neither a file nor a key leave that part out.
#pragma once

#include <string>
#include <string_view>

// Writes one line. An empty `subject` leaves the file-or-key part out.
void Log(std::string_view concern, std::string_view subject, std::string_view reason);

// A file name as it appears in a message: in double quotes, with bytes that are not
// printable ASCII written as \xNN so that no file name can garble the terminal.
std::string QuotedFile(std::string_view path);
// A value as it may be shown in a message: printable ASCII as is, other bytes as \xNN.
std::string Printable(std::string_view value);

// Where the lines go instead of stderr (without the trailing newline); tests and tools
// catch them this way. nullptr restores stderr.
using LogSink = void (*)(const std::string& line);
void SetLogSink(LogSink sink);

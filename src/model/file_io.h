#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pellisor {

// Opens a file for reading, only when it is a regular file: a FIFO would block for ever and a device
// such as /dev/zero never ends. Returns a descriptor (close it with ::close), or -1 with errno set
// (EINVAL for anything that is not a regular file). Never blocks on the opening itself.
int openRegularFileForReading(const std::string& path);

// The whole file as bytes; nothing when it cannot be opened or read, or is not a regular file.
std::optional<std::string> readFileBytes(const std::string& path);

// Reads the file as text, whichever editor wrote it: a UTF-8 byte-order mark at the start is left
// out, and CR LF and a lone CR each become one LF. Nothing when it cannot be opened or read.
std::optional<std::string> readTextFile(const std::string& path);
std::string textWithLineFeeds(std::string_view bytes);
// Only CR LF pairs become LF; a lone CR stays.
std::string crlfToLf(std::string_view bytes);

// Replaces the file with the given bytes in one step: the bytes go to a temporary file in the same
// directory, which is renamed over the target only when everything was written. On any failure the
// temporary file is removed, an existing file is left as it was, and Error says what went wrong.
void writeFileAtomically(const std::string& path, std::string_view bytes);

// The same for a file too large to hold at once: `produce` hands the bytes to the sink piece by piece.
// An exception from `produce` leaves the old file as well, and passes on.
using ByteSink = std::function<void(std::string_view)>;
void writeFileAtomically(const std::string& path, const std::function<void(const ByteSink&)>& produce);

bool fileExists(const std::string& path);

}  // namespace pellisor

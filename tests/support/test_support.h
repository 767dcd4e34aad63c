#pragma once

#include <string>
#include <string_view>

namespace pellisor::test {

// A fresh directory under the system's temporary directory, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Runs a shell command, returning its exit status and what it wrote to stdout and stderr together.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult runCommand(const std::string& command);
// True when the named program is on the PATH.
bool haveProgram(const std::string& name);

// One word for /bin/sh, whatever the text holds.
std::string shellQuoted(const std::string& text);
// The value of an environment variable; empty when it is not set.
std::string environmentValue(const char* name);

void writeBytes(const std::string& path, std::string_view bytes);
std::string readBytes(const std::string& path);

}  // namespace pellisor::test

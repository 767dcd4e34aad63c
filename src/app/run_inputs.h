#pragma once

#include <set>
#include <string>
#include <utility>

namespace pellisor {

// The files a run of the command line has read, so that none of its outputs replaces one of them:
// `-f:lena.bmp` followed by `-o:bmp` for lena.chr would otherwise filter the picture and then write
// the schematic over it. Files are told apart by device and inode, so another spelling of the path
// or a symbolic link to it is the same file.
class RunInputs {
public:
    // Remembers the file; one that does not exist (yet) is nothing the run could lose.
    void noteRead(const std::string& path);
    // Raises an Error naming the file when writing `path` would replace a file noted as read.
    void refuseOverwrite(const std::string& path) const;

private:
    std::set<std::pair<unsigned long long, unsigned long long>> files_;
};

}  // namespace pellisor

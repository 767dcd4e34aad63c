#include "app/run_inputs.h"

#include "model/error.h"

#include <sys/stat.h>

namespace pellisor {

namespace {

// Follows symbolic links, as the write does.
bool identityOf(const std::string& path, std::pair<unsigned long long, unsigned long long>& identity) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    identity = {static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
    return true;
}

}  // namespace

void RunInputs::noteRead(const std::string& path) {
    std::pair<unsigned long long, unsigned long long> identity;
    if (identityOf(path, identity)) files_.insert(identity);
}

void RunInputs::refuseOverwrite(const std::string& path) const {
    std::pair<unsigned long long, unsigned long long> identity;
    if (identityOf(path, identity) && files_.contains(identity)) {
        throw Error("Soubor " + path + " nelze zapsat: program jej v tomto běhu načetl jako vstup");
    }
}

}  // namespace pellisor

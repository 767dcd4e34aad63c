// Which files a drag onto the window carries.
#pragma once

#include <string>
#include <vector>

class QMimeData;

namespace pellisor {

// The local files a drag carries, chromosome files first, then layouts, then bitmaps (so that a
// chromosome dropped with its layout is loaded before the layout is applied); empty unless every one
// is a local file of a kind the window takes.
std::vector<std::string> droppedFiles(const QMimeData* data);

}  // namespace pellisor

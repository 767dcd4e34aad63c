#pragma once

#include "export/jpeg_codec.h"
#include "export/picture_format.h"
#include "render/renderer.h"

#include <QImage>

#include <functional>
#include <optional>
#include <string>

namespace pellisor {

// The current date and time in the user's short date and long time formats, for the footer.
std::string footerDateTimeText();

// The gate-symbol sheet decoded from a JPEG file; nothing when the file does not exist. A file that
// is not a readable JPEG raises an Error.
std::optional<QImage> loadSymbolSheet(const std::string& path);

QImage toQImage(const RgbImage& image);
RgbImage toRgbImage(const QImage& image);

// A PNG is encoded from one picture of the whole canvas: at most this many pixels (1 GB in memory).
inline constexpr std::int64_t kPngLargestPicture = std::int64_t{1} << 28;

// Writes the schematic of the scene as a 24-bit BMP or a JPEG (quality 90) without holding a picture
// of the whole canvas: it is drawn and written in bands of `bandRows` rows (0: as many as fit in a
// few megabytes), whose pixels are those of the whole schematic drawn at once. A PNG has the same
// pixels, drawn as one band. A picture larger than the format allows is refused with a message before
// anything is written. Other formats are not drawn here.
void saveCircuitPicture(PictureFormat format, const std::string& path, const Scene& scene,
                        const QImage* symbolSheet, std::int32_t bandRows = 0);

}  // namespace pellisor

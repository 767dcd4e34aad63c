#include "export/bmp_reader.h"

#include "export/bmp_writer.h"
#include "model/error.h"
#include "model/file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace pellisor {

namespace {

// Why a file is not read: the reason that goes in brackets, empty when the bytes are no BMP at all.
struct Refusal {
    std::string reason;
};

[[noreturn]] void refuse(std::string reason) {
    throw Refusal{std::move(reason)};
}
[[noreturn]] void refuseTruncated() {
    refuse("soubor je zkrácený");
}

std::string sizeText(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// Where the bytes come from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `count` bytes; fewer only at the end of the data.
    virtual std::size_t read(std::uint8_t* to, std::size_t count) = 0;
    virtual std::uint64_t size() const = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::size_t read(std::uint8_t* to, std::size_t count) override {
        count = std::min(count, bytes_.size());
        if (count > 0) std::memcpy(to, bytes_.data(), count);
        bytes_.remove_prefix(count);
        return count;
    }
    std::uint64_t size() const override { return size_; }

private:
    std::string_view bytes_;
    std::uint64_t size_ = bytes_.size();
};

class FileSource : public ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource() override { ::close(fd_); }
    std::size_t read(std::uint8_t* to, std::size_t count) override {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = ::read(fd_, to + done, count - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) refuse(std::string("chyba čtení: ") + std::strerror(errno));
            if (got == 0) break;
            done += std::size_t(got);
        }
        return done;
    }
    std::uint64_t size() const override { return size_; }

private:
    int fd_;
    std::uint64_t size_;
};

// The source read front to back through a small buffer; reading past the end refuses the file as cut
// short.
class Input {
public:
    explicit Input(ByteSource& source) : source_(source) {}

    std::uint64_t position() const { return consumed_ - (end_ - next_); }
    std::uint64_t size() const { return source_.size(); }

    // Up to `count` bytes; fewer only at the end of the data.
    std::size_t readSome(std::uint8_t* to, std::size_t count) {
        std::size_t done = std::min(count, std::size_t(end_ - next_));
        std::memcpy(to, buffer_.data() + next_, done);
        next_ += done;
        if (done == count) return done;
        if (count - done >= buffer_.size()) {
            const std::size_t got = source_.read(to + done, count - done);
            consumed_ += got;
            return done + got;
        }
        if (!refill()) return done;
        return done + readSome(to + done, count - done);
    }
    void read(std::uint8_t* to, std::size_t count) {
        if (readSome(to, count) != count) refuseTruncated();
    }
    std::uint8_t byte() {
        if (next_ == end_ && !refill()) refuseTruncated();
        return buffer_[next_++];
    }
    void skip(std::uint64_t count) {
        if (count > size() - std::min(size(), position())) refuseTruncated();
        while (count > 0) {
            if (next_ == end_ && !refill()) refuseTruncated();
            const std::size_t step = std::size_t(std::min<std::uint64_t>(count, end_ - next_));
            next_ += step;
            count -= step;
        }
    }

private:
    bool refill() {
        next_ = 0;
        end_ = source_.read(buffer_.data(), buffer_.size());
        consumed_ += end_;
        return end_ > 0;
    }

    ByteSource& source_;
    std::array<std::uint8_t, 65536> buffer_{};
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumed_ = 0;
};

std::uint32_t le16(const std::uint8_t* at) {
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8;
}
std::uint32_t le32(const std::uint8_t* at) {
    return le16(at) | le16(at + 2) << 16;
}

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// One colour channel of a 16- or 32-bit pixel: its bits, widened to 8 by repeating them (as
// the common readers do) or narrowed to the 8 highest.
class Channel {
public:
    Channel() = default;
    Channel(std::uint32_t mask, std::uint32_t bitsPerPixel) : mask_(mask) {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        bits_ = std::popcount(mask);
        const bool contiguous = (mask >> shift_) == (bits_ == 32 ? ~0u : (1u << bits_) - 1);
        if (!contiguous || (bitsPerPixel < 32 && (mask >> bitsPerPixel) != 0)) refuse("chybné bitové masky");
        for (std::uint32_t value = 0; bits_ < 8 && value < (1u << bits_); ++value) {
            std::uint32_t widened = 0;
            int filled = 0;
            for (; filled < 8; filled += bits_)
                widened = widened << bits_ | value;
            widened_[value] = std::uint8_t(widened >> (filled - 8));
        }
    }
    std::uint8_t of(std::uint32_t pixel) const {
        const std::uint32_t value = (pixel & mask_) >> shift_;
        return bits_ >= 8 ? std::uint8_t(value >> (bits_ - 8)) : widened_[value];
    }

private:
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
    std::array<std::uint8_t, 128> widened_{};
};

using Palette = std::array<std::array<std::uint8_t, 3>, 256>;

// What the headers say, every field checked.
struct Layout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool topDown = false;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    std::array<Channel, 3> channels;  // red, green, blue of 16 and 32 bits
    Palette palette{};                // black where the file has no entry
    std::uint64_t pixelsAt = 0;

    std::int32_t fileRowToY(std::uint64_t fileRow) const {
        return topDown ? std::int32_t(fileRow) : std::int32_t(height - 1 - std::int64_t(fileRow));
    }
};

bool isKnownHeaderSize(std::uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

void checkDepthAndCompression(const Layout& layout) {
    const std::uint32_t bits = layout.bitsPerPixel;
    const auto requireBits = [&](bool sound, const char* what) {
        if (!sound) refuse(std::string(what) + " nesouhlasí s " + std::to_string(bits) + " bity na bod");
    };
    switch (layout.compression) {
        case kRgb:
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
                refuse("nepodporovaná hloubka barev: " + std::to_string(bits) + " bitů na bod");
            }
            return;
        case kRle8:
            return requireBits(bits == 8, "komprese RLE8");
        case kRle4:
            return requireBits(bits == 4, "komprese RLE4");
        case kBitFields:
        case kAlphaBitFields:
            return requireBits(bits == 16 || bits == 32, "bitové masky");
        case 4:
            refuse("nepodporovaná komprese: JPEG");
        case 5:
            refuse("nepodporovaná komprese: PNG");
        default:
            refuse("nepodporovaná komprese: " + std::to_string(layout.compression));
    }
}

Layout readLayout(Input& input) {
    std::uint8_t file[14];
    std::uint8_t header[124] = {};
    if (input.readSome(file, 14) < 14 || file[0] != 'B' || file[1] != 'M') refuse("");
    if (input.readSome(header, 4) < 4) refuse("");
    const std::uint32_t headerSize = le32(header);
    // No BMP header is smaller than the OS/2 one.
    if (headerSize < 12) refuse("");
    if (!isKnownHeaderSize(headerSize)) {
        refuse("nepodporovaná hlavička BMP: " + std::to_string(headerSize) + " bajtů");
    }
    input.read(header + 4, headerSize - 4);

    Layout layout;
    const bool core = headerSize == 12;
    // Signed in the newer headers, unsigned in the OS/2 one.
    const std::int64_t width = core ? std::int64_t(le16(header + 4)) : std::int32_t(le32(header + 4));
    std::int64_t height = core ? std::int64_t(le16(header + 6)) : std::int32_t(le32(header + 8));
    layout.bitsPerPixel = core ? le16(header + 10) : le16(header + 14);
    layout.compression = core ? kRgb : le32(header + 16);
    const std::uint32_t coloursUsed = core ? 0 : le32(header + 32);
    // No writer makes a negative width: such bytes are no BMP.
    if (width < 0) refuse("");
    layout.topDown = height < 0;
    height = std::abs(height);
    if (width == 0 || height == 0) refuse("obrázek nemá žádný pixel");
    // What cannot be written back is not read: the limit also keeps every size below in 64 bits.
    if (!fitsBmpFile(std::int32_t(width), height))
        refuse("obrázek " + sizeText(width, height) + " je příliš velký");
    layout.width = std::int32_t(width);
    layout.height = std::int32_t(height);
    checkDepthAndCompression(layout);

    const std::uint32_t bits = layout.bitsPerPixel;
    const bool bitFields = layout.compression == kBitFields || layout.compression == kAlphaBitFields;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue
    if (bitFields && headerSize >= 52) {
        masks = {le32(header + 40), le32(header + 44), le32(header + 48)};
    } else if (bitFields) {
        // After the 40-byte header: red, green, blue, and alpha where the compression names it.
        std::uint8_t fields[16];
        input.read(fields, layout.compression == kAlphaBitFields ? 16 : 12);
        masks = {le32(fields), le32(fields + 4), le32(fields + 8)};
    }
    layout.pixelsAt = le32(file + 10);
    if (layout.pixelsAt < input.position()) refuse("obrazová data začínají uvnitř hlavičky");
    if (bits == 16 || bits == 32) {
        // Without masks (or with none set) the plain layouts: 5-5-5, and 8-8-8 with a byte unused.
        if (masks == std::array<std::uint32_t, 3>{}) {
            masks = bits == 16 ? std::array<std::uint32_t, 3>{0x7c00, 0x03e0, 0x001f}
                               : std::array<std::uint32_t, 3>{0xff0000, 0x00ff00, 0x0000ff};
        }
        for (std::size_t c = 0; c < 3; ++c)
            layout.channels[c] = Channel(masks[c], bits);
    }

    if (bits <= 8) {
        // A palette cut short by the start of the pixels has as many entries as there is room for.
        const std::uint32_t entrySize = core ? 3 : 4;
        const std::uint32_t most = 1u << bits;
        const std::uint64_t room = (layout.pixelsAt - input.position()) / entrySize;
        const std::uint64_t count =
            std::min<std::uint64_t>({coloursUsed == 0 ? most : std::min(coloursUsed, most), room});
        for (std::uint64_t k = 0; k < count; ++k) {
            std::uint8_t entry[4];
            input.read(entry, entrySize);
            layout.palette[k] = {entry[2], entry[1], entry[0]};
        }
    }
    input.skip(layout.pixelsAt - input.position());

    if (layout.compression != kRle8 && layout.compression != kRle4) {
        // Rows are padded to 4 bytes; some writers leave out the padding of the last row.
        const std::uint64_t rowBits = std::uint64_t(layout.width) * bits;
        const std::uint64_t stride = (rowBits + 31) / 32 * 4;
        if (input.size() < layout.pixelsAt + stride * std::uint64_t(layout.height - 1) + (rowBits + 7) / 8) {
            refuseTruncated();
        }
    }
    return layout;
}

RgbImage blankPicture(const Layout& layout) {
    auto image = RgbImage::blank(layout.width, layout.height);
    if (!image) refuse("obrázek " + sizeText(layout.width, layout.height) + " se nevejde do paměti");
    return std::move(*image);
}

// Pixels of an uncompressed row, converted a piece at a time; a piece starts on a byte.
constexpr std::size_t kPiecePixels = 4096;

void convertPiece(const Layout& layout, const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
    const std::array<Channel, 3>& channels = layout.channels;
    const auto put = [&](const std::array<std::uint8_t, 3>& colour) {
        out[0] = colour[0];
        out[1] = colour[1];
        out[2] = colour[2];
        out += 3;
    };
    switch (layout.bitsPerPixel) {
        case 1:
            for (std::size_t i = 0; i < count; ++i)
                put(layout.palette[(in[i / 8] >> (7 - i % 8)) & 1]);
            return;
        case 4:
            for (std::size_t i = 0; i < count; ++i)
                put(layout.palette[(in[i / 2] >> (i % 2 == 0 ? 4 : 0)) & 0xf]);
            return;
        case 8:
            for (std::size_t i = 0; i < count; ++i)
                put(layout.palette[in[i]]);
            return;
        case 16:
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t pixel = le16(in + 2 * i);
                put({channels[0].of(pixel), channels[1].of(pixel), channels[2].of(pixel)});
            }
            return;
        case 24:
            for (std::size_t i = 0; i < count; ++i)
                put({in[3 * i + 2], in[3 * i + 1], in[3 * i]});
            return;
        default:
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t pixel = le32(in + 4 * i);
                put({channels[0].of(pixel), channels[1].of(pixel), channels[2].of(pixel)});
            }
            return;
    }
}

void readUncompressed(Input& input, const Layout& layout, RgbImage& image) {
    const std::uint64_t rowBytes = (std::uint64_t(layout.width) * layout.bitsPerPixel + 7) / 8;
    const std::uint64_t padding = (rowBytes + 3) / 4 * 4 - rowBytes;
    std::array<std::uint8_t, kPiecePixels * 4> piece;
    for (std::int32_t fileRow = 0; fileRow < layout.height; ++fileRow) {
        std::uint8_t* out = image.row(layout.fileRowToY(std::uint64_t(fileRow)));
        for (std::size_t x = 0; x < std::size_t(layout.width); x += kPiecePixels) {
            const std::size_t count = std::min(kPiecePixels, std::size_t(layout.width) - x);
            input.read(piece.data(), (count * layout.bitsPerPixel + 7) / 8);
            convertPiece(layout, piece.data(), count, out + 3 * x);
        }
        if (fileRow + 1 < layout.height) input.skip(padding);
    }
}

// Runs of palette indices. Pixels that the data skips or never reaches take the colour of index 0;
// pixels beyond the end of a row are dropped.
void readRunLength(Input& input, const Layout& layout, RgbImage& image) {
    const std::array<std::uint8_t, 3> background = layout.palette[0];
    if (background != std::array<std::uint8_t, 3>{}) {
        for (std::size_t at = 0; at < image.pixels.size(); at += 3)
            std::memcpy(&image.pixels[at], background.data(), 3);
    }
    const bool nibbles = layout.compression == kRle4;
    const std::uint64_t width = std::uint64_t(layout.width);
    std::uint64_t x = 0;
    std::uint64_t fileRow = 0;
    const auto put = [&](std::uint32_t index) {
        if (x < width) {
            std::memcpy(image.row(layout.fileRowToY(fileRow)) + 3 * x, layout.palette[index].data(), 3);
        }
        ++x;
    };
    while (fileRow < std::uint64_t(layout.height)) {
        const std::uint32_t count = input.byte();
        const std::uint32_t code = input.byte();
        if (count > 0) {
            // A run of one index, or of two alternating ones.
            const auto pixels = std::uint32_t(std::min<std::uint64_t>(count, width - std::min(x, width)));
            for (std::uint32_t k = 0; k < pixels; ++k)
                put(nibbles ? (k % 2 == 0 ? code >> 4 : code & 0xf) : code);
            x += count - pixels;
        } else if (code == 0) {
            x = 0;
            ++fileRow;
        } else if (code == 1) {
            return;
        } else if (code == 2) {
            x += input.byte();
            fileRow += input.byte();
        } else {
            // `code` indices as they are, padded to an even number of bytes.
            const std::uint32_t bytes = nibbles ? (code + 1) / 2 : code;
            for (std::uint32_t k = 0; k < bytes; ++k) {
                const std::uint32_t value = input.byte();
                if (!nibbles) {
                    put(value);
                    continue;
                }
                put(value >> 4);
                if (2 * k + 1 < code) put(value & 0xf);
            }
            if (bytes % 2 == 1) input.byte();
        }
    }
}

RgbImage decode(ByteSource& source, const std::string& name) {
    try {
        Input input(source);
        const Layout layout = readLayout(input);
        RgbImage image = blankPicture(layout);
        if (layout.compression == kRle8 || layout.compression == kRle4) {
            readRunLength(input, layout, image);
        } else {
            readUncompressed(input, layout, image);
        }
        return image;
    } catch (const Refusal& refusal) {
        throw Error("Obrázek nelze načíst: " + name +
                    (refusal.reason.empty() ? "" : " (" + refusal.reason + ")"));
    }
}

}  // namespace

RgbImage readBmpFile(const std::string& path) {
    const int fd = openRegularFileForReading(path);
    if (fd < 0) throw Error("Obrázek nelze načíst: " + path);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        throw Error("Obrázek nelze načíst: " + path);
    }
    FileSource source(fd, std::uint64_t(info.st_size));
    return decode(source, path);
}

RgbImage decodeBmp(std::string_view bytes, const std::string& name) {
    MemorySource source(bytes);
    return decode(source, name);
}

}  // namespace pellisor

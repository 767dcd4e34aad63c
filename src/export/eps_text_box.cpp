#include "export/eps_text_box.h"

#include "export/latin2_helvetica.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pellisor {

void EpsTextBox::add(std::string_view text, double size, double x, double y, TextAlign align, bool below) {
    // Ink from the pen positions, in thousandths of the size.
    double pen = 0;
    double inkLeft = std::numeric_limits<double>::max();
    double inkRight = std::numeric_limits<double>::lowest();
    double inkBottom = 0;
    double inkTop = 0;
    for (const char ch : text) {
        const GlyphMetrics* glyph = helveticaGlyph(static_cast<std::uint8_t>(ch));
        if (!glyph) continue;
        if (glyph->right > glyph->left) {
            inkLeft = std::min(inkLeft, pen + glyph->left);
            inkRight = std::max(inkRight, pen + glyph->right);
            inkBottom = std::min<double>(inkBottom, glyph->bottom);
            inkTop = std::max<double>(inkTop, glyph->top);
        }
        pen += glyph->advance;
    }
    if (inkLeft > inkRight) return;  // nothing shows
    const double scale = size / 1000.0;
    const double start = align == TextAlign::Start ? x
                         : align == TextAlign::End ? x - pen * scale
                                                   : x - pen * scale / 2;
    // The box is whole units around the ink.
    left_ = std::min(left_, static_cast<std::int64_t>(std::floor(start + inkLeft * scale)));
    right_ = std::max(right_, static_cast<std::int64_t>(std::ceil(start + inkRight * scale)));
    if (below) bottom_ = std::min(bottom_, static_cast<std::int64_t>(std::floor(y + inkBottom * scale)));
    top_ = std::max(top_, static_cast<std::int64_t>(std::ceil(y + inkTop * scale)));
}

}  // namespace pellisor

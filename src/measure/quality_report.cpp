#include "measure/quality_report.h"

#include <charconv>
#include <cstdio>

namespace pellisor {

namespace {

std::string number(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string figures(const QualityFigures& f) {
    return "{\"mdpp\": " + number(f.mdpp) + ", \"psnr\": " + (f.psnr ? number(*f.psnr) : "null") +
           ", \"ssim\": " + number(f.ssim) + ", \"max_error\": " + std::to_string(f.maxError) +
           ", \"changed\": " + std::to_string(f.changed) + "}";
}

}  // namespace

std::string qualityReportJson(const QualityReport& report) {
    std::string noise = "null";
    if (report.noise) {
        noise = "{\"kind\": " + quoted(std::string(noiseKindName(report.noise->kind))) +
                ", \"level\": " + number(report.noise->level) +
                ", \"seed\": " + std::to_string(report.noise->seed) + "}";
    }
    return "{\"reference_picture\": " + quoted(report.referencePicture) +
           ", \"input_picture\": " + quoted(report.inputPicture) + ", \"noise\": " + noise + ",\n" +
           " \"width\": " + std::to_string(report.width) + ", \"height\": " + std::to_string(report.height) +
           ", \"region\": \"interior\",\n" + " \"filtered\": " + figures(report.filtered) + ",\n" +
           " \"input\": " + figures(report.input) + ",\n" + " \"median3x3\": " + figures(report.median) +
           "}\n";
}

}  // namespace pellisor

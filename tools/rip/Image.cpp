#include "rip/Image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include <png.h>
#include <stb/stb_image.h>

namespace rip {
namespace {

bool isPng(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    unsigned char sig[8] = {};
    size_t n = std::fread(sig, 1, 8, f);
    std::fclose(f);
    return n == 8 && png_sig_cmp(sig, 0, 8) == 0;
}

bool loadPng(const std::string& path, Picture& out, std::string& error) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) {
        error = std::string("not a readable PNG: ") + img.message;
        return false;
    }
    if (img.width == 0 || img.height == 0 || uint64_t(img.width) * img.height > kMaxPicturePixels) {
        png_image_free(&img);
        error = "picture of " + std::to_string(img.width) + "x" + std::to_string(img.height) + " pixels is too large";
        return false;
    }
    img.format = PNG_FORMAT_RGBA;
    out.width = img.width;
    out.height = img.height;
    out.rgba.assign(size_t(PNG_IMAGE_SIZE(img)), 0);
    if (!png_image_finish_read(&img, nullptr, out.rgba.data(), 0, nullptr)) {
        error = std::string("cannot decode PNG: ") + img.message;
        png_image_free(&img);
        return false;
    }
    return true;
}

bool loadStb(const std::string& path, Picture& out, std::string& error) {
    int w = 0, h = 0, comp = 0;
    if (!stbi_info(path.c_str(), &w, &h, &comp)) {
        const char* why = stbi_failure_reason();
        error = std::string("not a picture this tool can read (PNG, JPEG, BMP, ...)") + (why ? std::string(": ") + why : "");
        return false;
    }
    if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) > kMaxPicturePixels) {
        error = "picture of " + std::to_string(w) + "x" + std::to_string(h) + " pixels is too large";
        return false;
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> px(stbi_load(path.c_str(), &w, &h, &comp, 4), stbi_image_free);
    if (!px) {
        const char* why = stbi_failure_reason();
        error = std::string("cannot decode picture") + (why ? std::string(": ") + why : "");
        return false;
    }
    out.width = uint32_t(w);
    out.height = uint32_t(h);
    out.rgba.assign(px.get(), px.get() + size_t(w) * size_t(h) * 4);
    return true;
}

} // namespace

bool LoadPicture(const std::string& path, Picture& out, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    std::fclose(f);
    return isPng(path) ? loadPng(path, out, error) : loadStb(path, out, error);
}

ResampledPicture::Taps ResampledPicture::MakeTaps(uint32_t src, uint32_t dst) {
    Taps t;
    t.start.reserve(size_t(dst) + 1);
    const double scale = double(src) / dst;
    for (uint32_t o = 0; o < dst; ++o) {
        t.start.push_back(uint32_t(t.index.size()));
        if (scale > 1.0) {
            // Shrinking: average the source span the output dot covers.
            const double a = o * scale, b = (o + 1) * scale;
            const uint32_t i0 = uint32_t(a), i1 = std::min<uint32_t>(src, uint32_t(std::ceil(b)));
            for (uint32_t i = i0; i < i1; ++i) {
                double w = std::min<double>(b, i + 1) - std::max<double>(a, i);
                if (w > 0) {
                    t.index.push_back(i);
                    t.weight.push_back(float(w / scale));
                }
            }
        } else {
            // Enlarging: interpolate between the two nearest source pixels.
            double c = (o + 0.5) * scale - 0.5;
            c = std::clamp(c, 0.0, double(src - 1));
            const uint32_t i0 = uint32_t(c);
            const uint32_t i1 = std::min(i0 + 1, src - 1);
            const float f = float(c - i0);
            t.index.push_back(i0);
            t.weight.push_back(1.0f - f);
            if (i1 != i0) {
                t.index.push_back(i1);
                t.weight.push_back(f);
            } else {
                t.weight.back() = 1.0f;
            }
        }
    }
    t.start.push_back(uint32_t(t.index.size()));
    return t;
}

ResampledPicture::ResampledPicture(const Picture& pic, uint32_t width, uint32_t height)
    : pic_(pic), width_(width), height_(height), xt_(MakeTaps(pic.width, width)), yt_(MakeTaps(pic.height, height)),
      acc_(size_t(pic.width) * 4) {}

void ResampledPicture::Row(uint32_t y, float* out) {
    std::fill(acc_.begin(), acc_.end(), 0.0f);
    for (uint32_t k = yt_.start[y]; k < yt_.start[y + 1]; ++k) {
        const uint8_t* src = pic_.rgba.data() + size_t(yt_.index[k]) * pic_.width * 4;
        const float w = yt_.weight[k] / 255.0f;
        for (size_t i = 0; i < acc_.size(); ++i) acc_[i] += src[i] * w;
    }
    for (uint32_t x = 0; x < width_; ++x) {
        float v[4] = {0, 0, 0, 0};
        for (uint32_t k = xt_.start[x]; k < xt_.start[x + 1]; ++k) {
            const float* s = acc_.data() + size_t(xt_.index[k]) * 4;
            const float w = xt_.weight[k];
            for (int c = 0; c < 4; ++c) v[c] += s[c] * w;
        }
        for (int c = 0; c < 4; ++c) out[size_t(x) * 4 + c] = std::clamp(v[c], 0.0f, 1.0f);
    }
}

namespace {

void hueToRgb(float h, float* rgb) {
    h = h * 6.0f;
    const float x = 1.0f - std::fabs(std::fmod(h, 2.0f) - 1.0f);
    const int s = int(h) % 6;
    const float table[6][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
    std::memcpy(rgb, table[s], sizeof(float) * 3);
}

} // namespace

void SyntheticPicture::Row(uint32_t y, float* out) {
    static const float blocks[8][3] = {{0, 1, 1}, {1, 0, 1}, {1, 1, 0}, {0, 0, 0},
                                       {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    const uint32_t third = std::max<uint32_t>(1, height_ / 3);
    for (uint32_t x = 0; x < width_; ++x) {
        float* p = out + size_t(x) * 4;
        const float fx = width_ > 1 ? float(x) / float(width_ - 1) : 0.0f;
        if (x == 0 || y == 0 || x + 1 == width_ || y + 1 == height_) {
            p[0] = p[1] = p[2] = 0.0f; // the frame: the last dot on every side
        } else if (y < third) {
            // Hue across, fading to white downwards.
            hueToRgb(std::min(fx, 0.9999f), p);
            const float fade = float(y) / float(third);
            for (int c = 0; c < 3; ++c) p[c] = p[c] + (1.0f - p[c]) * fade * 0.8f;
        } else if (y < 2 * third) {
            p[0] = p[1] = p[2] = 1.0f - fx; // grey ramp, black on the left
        } else {
            const float* b = blocks[std::min<uint32_t>(7, uint32_t(fx * 8))];
            p[0] = b[0];
            p[1] = b[1];
            p[2] = b[2];
        }
        p[3] = 1.0f;
    }
}

} // namespace rip

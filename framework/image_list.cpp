#include "image_list.h"

#include "dpi.h"
#include "exceptions.h"
#include "resource_ids.h"
#include "platform_calls.h"

#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using UniqueStream = win::UniqueCom<IStream>;

UniqueStream MemoryStream(const void* data, size_t size) {
    if (size > UINT_MAX) return nullptr;
    return UniqueStream(Platform().SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size)));
}

// A 32-bit top-down bitmap whose pixels can be read and written.
struct PixelBitmap {
    win::UniqueBitmap bitmap;
    uint32_t* pixels = nullptr;
};

PixelBitmap MakePixelBitmap(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    PixelBitmap result;
    result.bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    result.pixels = static_cast<uint32_t*>(bits);
    return result;
}

// Colour and coverage of one image, premultiplied: drawn once on black and
// once on white, whatever makes it transparent (mask or alpha), the
// difference is what shows through.
struct Premultiplied {
    std::vector<float> channels;  // blue, green, red, alpha per pixel
};

Premultiplied ReadImage(HIMAGELIST images, int index, int width, int height) {
    win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    PixelBitmap onBlack = MakePixelBitmap(width, height);
    PixelBitmap onWhite = MakePixelBitmap(width, height);
    const size_t count = static_cast<size_t>(width) * height;
    std::fill_n(onWhite.pixels, count, 0x00FFFFFFu);
    for (const PixelBitmap* target : {&onBlack, &onWhite}) {
        win::SelectScope select(dc.get(), target->bitmap.get());
        ::ImageList_DrawEx(images, index, dc.get(), 0, 0, width, height, CLR_NONE, CLR_NONE, ILD_NORMAL);
    }
    ::GdiFlush();
    Premultiplied image;
    image.channels.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t black = onBlack.pixels[i];
        const uint32_t white = onWhite.pixels[i];
        float alpha = 0;
        for (int c = 0; c < 3; ++c) {
            const float b = static_cast<float>((black >> (8 * c)) & 0xFF);
            const float w = static_cast<float>((white >> (8 * c)) & 0xFF);
            image.channels[i * 4 + c] = b;
            alpha += 255.0f - (w - b);
        }
        image.channels[i * 4 + 3] = std::clamp(alpha / 3.0f, 0.0f, 255.0f);
    }
    return image;
}

// For each target pixel along one axis: the source pixels it covers, with
// the share each has of it.
struct Span {
    int first;
    std::vector<float> weights;
};

std::vector<Span> Spans(int from, int to) {
    std::vector<Span> spans(static_cast<size_t>(to));
    const float step = static_cast<float>(from) / static_cast<float>(to);
    for (int t = 0; t < to; ++t) {
        const float start = static_cast<float>(t) * step;
        const float end = start + step;
        Span& span = spans[static_cast<size_t>(t)];
        span.first = static_cast<int>(start);
        for (int s = span.first; s < from && static_cast<float>(s) < end; ++s) {
            const float covered = std::min(end, static_cast<float>(s + 1)) - std::max(start, static_cast<float>(s));
            span.weights.push_back(covered / step);
        }
    }
    return spans;
}

// Every target pixel is the average of the source area it covers: a whole
// factor repeats pixels exactly, and a fraction blends only the edges.
void ScaleInto(const Premultiplied& source, int from, uint32_t* target, int to) {
    const std::vector<Span> spans = Spans(from, to);
    for (int y = 0; y < to; ++y) {
        for (int x = 0; x < to; ++x) {
            float sum[4] = {};
            const Span& sy = spans[static_cast<size_t>(y)];
            const Span& sx = spans[static_cast<size_t>(x)];
            for (size_t j = 0; j < sy.weights.size(); ++j)
                for (size_t i = 0; i < sx.weights.size(); ++i) {
                    const size_t at = (static_cast<size_t>(sy.first + static_cast<int>(j)) * from + sx.first +
                                       static_cast<int>(i)) * 4;
                    for (int c = 0; c < 4; ++c) sum[c] += source.channels[at + c] * sy.weights[j] * sx.weights[i];
                }
            // The image list wants straight colour beside its alpha.
            const float alpha = std::clamp(sum[3], 0.0f, 255.0f);
            // Both values are clamped to 0..255: adding 0.5 rounds them.
            uint32_t pixel = static_cast<uint32_t>(alpha + 0.5f) << 24;  // NOLINT(bugprone-incorrect-roundings)
            for (int c = 0; c < 3 && alpha > 0; ++c) {
                const float straight = std::clamp(sum[c] * 255.0f / alpha, 0.0f, 255.0f);
                pixel |= static_cast<uint32_t>(straight + 0.5f) << (8 * c);  // NOLINT(bugprone-incorrect-roundings)
            }
            target[static_cast<size_t>(y) * to + x] = pixel;
        }
    }
}

win::UniqueImageList ScaledCopy(HIMAGELIST images, int from, int to) {
    const int count = ::ImageList_GetImageCount(images);
    win::UniqueImageList scaled(::ImageList_Create(to, to, ILC_COLOR32, count, 4));
    if (!scaled || count == 0) return scaled;
    PixelBitmap strip = MakePixelBitmap(to * count, to);
    if (!strip.pixels) return win::UniqueImageList();
    std::vector<uint32_t> one(static_cast<size_t>(to) * to);
    for (int index = 0; index < count; ++index) {
        ScaleInto(ReadImage(images, index, from, from), from, one.data(), to);
        for (int y = 0; y < to; ++y)
            std::copy_n(one.data() + static_cast<size_t>(y) * to, to,
                        strip.pixels + static_cast<size_t>(y) * to * count + static_cast<size_t>(index) * to);
    }
    ::ImageList_Add(scaled.get(), strip.bitmap.get(), nullptr);
    return scaled;
}

}  // namespace

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

void TImageList::ReadStream(const void* data, size_t size) {
    const UniqueStream stream = data ? MemoryStream(data, size) : nullptr;
    win::UniqueImageList images(stream ? ::ImageList_Read(stream.get()) : nullptr);
    if (!images) throw EReadError(LoadResString(IDS_IMAGELIST_READ_ERROR));
    int width = 0;
    int height = 0;
    ::ImageList_GetIconSize(images.get(), &width, &height);
    handle_ = std::move(images);
    scaled_.clear();
    width_ = width;
    height_ = height;
}

int TImageList::Count() const noexcept { return handle_ ? ::ImageList_GetImageCount(handle_.get()) : 0; }

TImageSet TImageList::ForDpi(int dpi) {
    const int size = ScaleFromDesign(height_, dpi);
    if (!handle_ || size == height_ || width_ != height_) return {handle_.get(), {width_, height_}, Count()};
    auto found = scaled_.find(size);
    if (found == scaled_.end()) found = scaled_.emplace(size, ScaledCopy(handle_.get(), height_, size)).first;
    if (!found->second) return {handle_.get(), {width_, height_}, Count()};
    return {found->second.get(), {size, size}, Count()};
}

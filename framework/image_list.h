// A list of small images read from the platform's image-list stream format.
#pragma once

#include "component.h"
#include "win_handles.h"

#include <cstddef>
#include <map>

// The images of a list at one size.
struct TImageSet {
    HIMAGELIST Handle = nullptr;
    SIZE Size{16, 16};
    int Count = 0;
};

class TImageList final : public TComponent {
public:
    explicit TImageList(TComponent* owner);

    // Replaces the images with those of an ImageList_Write stream; throws
    // EReadError when the stream cannot be read.
    void ReadStream(const void* data, size_t size);

    HIMAGELIST Handle() const noexcept { return handle_.get(); }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    int Count() const noexcept;
    // The images at `dpi`: as read at 96 dpi, else scaled to that resolution
    // with an area-averaging filter (made once per resolution).
    TImageSet ForDpi(int dpi);

private:
    win::UniqueImageList handle_;
    int width_ = 16;
    int height_ = 16;
    std::map<int, win::UniqueImageList> scaled_;
};

#include "image_list.h"

#include "exceptions.h"
#include "resource_ids.h"
#include "system_library.h"

#include <objidl.h>

namespace {

using UniqueStream = win::UniqueCom<IStream>;

// shlwapi exports the memory stream by name only from Vista on, and the
// program links no shlwapi import: look it up where it lives.
UniqueStream MemoryStream(const void* data, size_t size) {
    using CreateFn = IStream*(WINAPI*)(const BYTE*, UINT);
    static const auto create = SystemFunction<CreateFn>(L"shlwapi.dll", "SHCreateMemStream");
    if (!create || size > UINT_MAX) return nullptr;
    return UniqueStream(create(static_cast<const BYTE*>(data), static_cast<UINT>(size)));
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
    width_ = width;
    height_ = height;
}

int TImageList::Count() const noexcept { return handle_ ? ::ImageList_GetImageCount(handle_.get()) : 0; }

#include "app/image_list.h"

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

void TImageList::ReadStream(const void*, size_t) {}

int TImageList::Count() const noexcept { return handle_ ? ::ImageList_GetImageCount(handle_.get()) : 0; }

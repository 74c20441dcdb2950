#include "window_system.h"

namespace fxwin {

const PictureResource* findPictureResource(int resourceId) {
    const ResourceTable& table = moduleResources();
    for (int i = 0; i < table.count; ++i)
        if (table.pictures[i].id == resourceId) return &table.pictures[i];
    return nullptr;
}

} // namespace fxwin

// The program's own resources (bitmaps, icon, dialog template, the click
// sound shipped for provisioning), compiled into the binary. The table is
// defined by the program's resources library; the platform finds entries in
// it by kind and id.
#pragma once

#include <cstddef>
#include <span>

namespace dv {

enum class ResourceKind { Bitmap, Icon, Dialog, Data };

struct EmbeddedResource {
    ResourceKind kind;
    unsigned id;
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

std::span<const EmbeddedResource> EmbeddedResources();
const EmbeddedResource* FindEmbeddedResource(ResourceKind kind, unsigned id);
const EmbeddedResource* FindEmbeddedResource(ResourceKind kind, const char* name);

}  // namespace dv

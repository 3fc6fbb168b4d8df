#include "linkflags.h"

namespace linkindex {

int64_t linkFlags(const links::Rel &rel, links::LinkType type)
{
    return int64_t(rel.nofollow) | int64_t(rel.ugc) << 1 | int64_t(rel.sponsored) << 2 | int64_t(type) << 3;
}

links::Rel relOfFlags(int64_t flags)
{
    return {(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
}

links::LinkType typeOfFlags(int64_t flags)
{
    return links::LinkType(flags >> 3);
}

} // namespace linkindex

#include "controls/TGlyphCache.h"

#include <algorithm>

namespace pagolux {
namespace {
std::unique_ptr<TGlyphCache>& shared()
{
    static std::unique_ptr<TGlyphCache> cache;
    return cache;
}
} // namespace

TGlyphList* TGlyphCache::GetList(int width, int height)
{
    for (auto it = lists.rbegin(); it != lists.rend(); ++it) {
        if ((*it)->width() == width && (*it)->height() == height)
            return it->get();
    }
    lists.push_back(std::make_unique<TGlyphList>(QSize(width, height)));
    return lists.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list)
{
    if (!list || list->Count() != 0)
        return;
    auto it = std::find_if(lists.begin(), lists.end(), [list](const auto& l) { return l.get() == list; });
    if (it != lists.end())
        lists.erase(it);
}

TGlyphCache& TGlyphCache::Instance()
{
    if (!shared())
        shared() = std::make_unique<TGlyphCache>();
    return *shared();
}

TGlyphCache* TGlyphCache::Current()
{
    return shared().get();
}

void TGlyphCache::FreeIfEmpty()
{
    if (shared() && shared()->Empty())
        shared().reset();
}

} // namespace pagolux

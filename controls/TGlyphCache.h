#pragma once
// The process-wide set of glyph image lists, one per image size, shared by every button so
// that glyphs of one size fill one list.

#include "controls/TGlyphList.h"

#include <memory>
#include <vector>

namespace pagolux {

class TGlyphCache {
  public:
    // The list for images of this size: the newest matching list, or a new one.
    TGlyphList* GetList(int width, int height);
    // Hands a list back; a list that holds no image any more is freed.
    void ReturnList(TGlyphList* list);
    [[nodiscard]] bool Empty() const { return lists.empty(); }
    [[nodiscard]] int ListCount() const { return static_cast<int>(lists.size()); }

    // The shared cache: Instance() creates it on first need; Current() may be null.
    static TGlyphCache& Instance();
    [[nodiscard]] static TGlyphCache* Current();
    // Frees the shared cache when it holds no list.
    static void FreeIfEmpty();

  private:
    std::vector<std::unique_ptr<TGlyphList>> lists;
};

} // namespace pagolux

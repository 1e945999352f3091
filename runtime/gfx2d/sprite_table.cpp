#include "runtime/gfx2d/gfx2d_internal.h"

namespace korvane {

Gfx2dState::Gfx2dState()
    : sprites(std::make_unique<SpriteEntry[]>(kSpriteCount)),
      pixelCopies(std::make_unique<std::unique_ptr<AlphaCopy>[]>(kSpriteCount)),
      tiledImages(std::make_unique<TiledImage[]>(kTiledSlotCount)) {}

}  // namespace korvane

#include "render/RenderCaches.h"

#include "model/StyledText.h"
#include "render/CompositeBaseCache.h"
#include "render/EffectSilhouette.h"
#include "render/ReducedComposite.h"
#include "render/TextRasterizer.h"

namespace velmaris {

void clearRenderCaches()
{
    clearTextLayerSizes();
    clearTextRasterCache();
    clearEffectSilhouetteCache();
    clearCompositeBase();
    clearReducedLayerCache();
}

}  // namespace velmaris

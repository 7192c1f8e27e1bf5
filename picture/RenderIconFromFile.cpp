#include "picture/RenderIconFromFile.h"

#include "icon/RenderIcon.h"
#include "picture/PictureReader.h"

namespace pagolux {

IconBitmap renderIconFromFile(const std::string& path)
{
    const QImage picture = PictureReader::read(path);
    return renderIconPixels(PictureReader::view(picture));
}

IconSetFromFile renderIconSetFromFile(const std::string& path)
{
    const QImage picture = PictureReader::read(path);
    return {renderIconPixels(PictureReader::view(picture)),
            drawTrueColourIcons(PictureReader::view(picture))};
}

} // namespace pagolux

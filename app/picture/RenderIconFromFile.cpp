#include "app/picture/RenderIconFromFile.h"

#include "app/picture/PictureReader.h"
#include "builder/icon/RenderIcon.h"

namespace pagolux {

IconBitmap renderIconFromFile(const std::string& path)
{
    const QImage picture = PictureReader::read(path);
    return renderIconPixels(PictureReader::view(picture));
}

} // namespace pagolux

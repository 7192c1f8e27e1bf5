#pragma once
// Errors of the icon layer. Their texts are shown to the user by the default error display.

#include "platform/Exception.h"

namespace pagolux {

// A picture that cannot become the icon: unreadable, damaged, empty or absurdly large.
class EPictureError : public Exception {
  public:
    using Exception::Exception;
};

// A "theicon.bmp" that is not a 32 x 32 bitmap at 4 bits per pixel, or is damaged.
class EIconFileError : public Exception {
  public:
    using Exception::Exception;
};

// The icon file could not be written: "Datei %s kann nicht erstellt werden".
class EIconCreateError : public Exception {
  public:
    explicit EIconCreateError(const std::string& fileName)
        : Exception("Datei " + fileName + " kann nicht erstellt werden")
    {
    }
};

} // namespace pagolux

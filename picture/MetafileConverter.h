#pragma once
// Converts Windows metafiles into SVG documents, which Qt SVG then renders: WMF through libwmf,
// EMF through libemf2svg. Both return the SVG text, or throw EPictureError with a message when
// the library refuses the data.

#include <QByteArray>

#include <string>

namespace pagolux {

class MetafileConverter {
  public:
    // `fileName` only names the file in error messages.
    [[nodiscard]] static QByteArray wmfToSvg(const QByteArray& data, const std::string& fileName);
    [[nodiscard]] static QByteArray emfToSvg(const QByteArray& data, const std::string& fileName);
};

} // namespace pagolux

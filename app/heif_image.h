#pragma once

// HEIF and HEIC pictures (what iPhones take since iOS 11), which Qt's
// image plugins may not read, decoded with libheif.

#include <QByteArray>
#include <QImage>

namespace orvane {

// The primary picture of a HEIF file; a null image when the bytes are no
// HEIF picture or do not decode.
QImage decodeHeif(const QByteArray& bytes);

}  // namespace orvane

// QR-like images of the demo site: a two-colour GIF drawn from a listing's id.
#pragma once

#include <string>

namespace demo {

// The bytes of a GIF89a image, 132 x 132 pixels: a 29 x 29 module pattern
// with the three finder squares of a QR code, four pixels per module and a
// quiet zone. The same id always gives the same bytes.
std::string QrGif(int id);

}  // namespace demo

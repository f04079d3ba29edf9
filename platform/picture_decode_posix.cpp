// Picture decoding with the format libraries themselves: libjpeg-turbo, libpng,
// giflib, libwebp, libtiff and libheif; BMPs by our own reader (SDL for the rare
// kinds).
#include "platform/picture_decode.h"
#include "platform/picture_formats.h"

namespace platform {

bool decode_picture(const uint8_t* bytes, size_t size, int32_t min_width, int32_t min_height, PictureSink& sink) {
  int32_t width = 0;
  int32_t height = 0;
  if (!read_picture_size(bytes, size, width, height)) return false;
  switch (picture_format(bytes, size)) {
    case PictureFormat::jpeg:
      return decode_jpeg(bytes, size, min_width, min_height, sink);
    case PictureFormat::png:
      return decode_png(bytes, size, sink);
    case PictureFormat::gif:
      return decode_gif(bytes, size, sink);
    case PictureFormat::bmp:
      return decode_bmp(bytes, size, sink);
    case PictureFormat::webp:
      return decode_webp(bytes, size, min_width, min_height, sink);
    case PictureFormat::tiff:
      return decode_tiff(bytes, size, sink);
    case PictureFormat::heif:
      return decode_heif(bytes, size, sink);
    case PictureFormat::none:
      break;
  }
  return false;
}

}  // namespace platform

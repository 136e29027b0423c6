#include "app/heif_image.h"

#include <libheif/heif.h>

#include <memory>

namespace orvane {

namespace {

// no preview needs more; a damaged header must not ask for gigabytes
constexpr int kLargestSide = 16384;

}  // namespace

QImage decodeHeif(const QByteArray& bytes) {
  if (bytes.size() < 12 || bytes.mid(4, 4) != "ftyp") return {};
  std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                      &heif_context_free);
  if (!context ||
      heif_context_read_from_memory_without_copy(context.get(), bytes.constData(),
                                                 static_cast<std::size_t>(bytes.size()), nullptr)
              .code != heif_error_Ok) {
    return {};
  }
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) {
    return {};
  }
  std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
      rawHandle, &heif_image_handle_release);
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) return {};
  heif_image* rawImage = nullptr;
  if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                        nullptr)
          .code != heif_error_Ok) {
    return {};
  }
  std::unique_ptr<heif_image, decltype(&heif_image_release)> image(rawImage, &heif_image_release);
  int stride = 0;
  const std::uint8_t* pixels =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  if (pixels == nullptr) return {};
  // the decoded plane belongs to libheif: the picture is copied out of it
  return QImage(pixels, heif_image_get_width(image.get(), heif_channel_interleaved),
                heif_image_get_height(image.get(), heif_channel_interleaved), stride,
                QImage::Format_RGBA8888)
      .copy();
}

}  // namespace orvane

#pragma once

// Tells pictures and movies apart by what a file holds, not by its name:
// files in device backups carry hashes for names, and card files carry
// whatever name the engine proposed.

#include <filesystem>

namespace orvane {

enum class MediaKind { kNone, kPicture, kMovie };

// kPicture for a still image (JPEG, PNG, GIF, BMP, TIFF, WebP, ...), kMovie
// for a container with a video or sound stream, kNone for anything else,
// including files that cannot be read. Never writes to the file; safe to
// call from any thread.
MediaKind probeMediaKind(const std::filesystem::path& path);

// A HEIF or AVIF still picture (a "ftyp" box with an image brand, then its
// "meta" box): named ".heic" rather than ".jpg" when it is listed.
bool isHeifPicture(const std::filesystem::path& path);

}  // namespace orvane

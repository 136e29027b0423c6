#include "engine/formats/registry.h"

namespace orvane::engine {

// Adding a format: its own file in this folder and one line in each list.
extern const Format kJpegFormat;
extern const Format kPngFormat;
extern const Format kGifFormat;
extern const Format kBmpFormat;
extern const Format kTiffFormat;
extern const Format kIsoBmffFormat;
extern const Format kRiffFormat;
extern const Format kMp3Format;
extern const Format kPdfFormat;
extern const Format kZipFormat;
extern const Format kOle2Format;
extern const Format kSevenZipFormat;
extern const Format kGzipFormat;
extern const Format kMidiFormat;
extern const Format kOggFormat;
extern const Format kRtfFormat;
extern const Format kAsfFormat;
extern const Format kAmrFormat;
extern const Format kFlacFormat;
extern const Format kRarFormat;
extern const Format kRafFormat;
extern const Format kMpegTsFormat;

namespace {
// clang-format off
constexpr const Format* kFormats[] = {
    &kJpegFormat,
    &kPngFormat,
    &kGifFormat,
    &kBmpFormat,
    &kTiffFormat,
    &kIsoBmffFormat,
    &kRiffFormat,
    &kMp3Format,
    &kPdfFormat,
    &kZipFormat,
    &kOle2Format,
    &kSevenZipFormat,
    &kGzipFormat,
    &kMidiFormat,
    &kOggFormat,
    &kRtfFormat,
    &kAsfFormat,
    &kAmrFormat,
    &kFlacFormat,
    &kRarFormat,
    &kRafFormat,
    &kMpegTsFormat,
};
// clang-format on
}  // namespace

std::span<const Format* const> allFormats() { return kFormats; }

}  // namespace orvane::engine

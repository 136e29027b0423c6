#include "core/media_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

namespace orvane {

namespace {

// Files are probed from their bytes alone: FFmpeg is handed our own reader
// and no file name, so an extension never decides the format.

class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::filesystem::path& path) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    // The paths come from a backup folder, where a link could lead to any
    // file of the user's: it is not followed.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    if (fd_ < 0) return;
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    size_ = info.st_size;
  }
  ~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool usable() const { return fd_ >= 0; }
  std::int64_t size() const { return size_; }

  int read(std::uint8_t* buffer, int wanted) {
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, static_cast<std::size_t>(wanted));
      if (got > 0) return static_cast<int>(got);
      if (got == 0) return AVERROR_EOF;
      if (errno != EINTR) return AVERROR(errno);
    }
  }

  std::int64_t seek(std::int64_t offset, int whence) {
    if ((whence & AVSEEK_SIZE) != 0) return size_;
    const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<std::int64_t>(at);
  }

  // Reads up to `buffer.size()` bytes from `offset` without moving the
  // position FFmpeg reads from; answers how many were read.
  std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> buffer) const {
    const ssize_t got = ::pread(fd_, buffer.data(), buffer.size(), static_cast<off_t>(offset));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }

 private:
  int fd_ = -1;
  std::int64_t size_ = 0;
};

int readPacket(void* opaque, std::uint8_t* buffer, int wanted) {
  return static_cast<ReadOnlyFile*>(opaque)->read(buffer, wanted);
}

std::int64_t seekTo(void* opaque, std::int64_t offset, int whence) {
  return static_cast<ReadOnlyFile*>(opaque)->seek(offset, whence);
}

// Playlists and reference movies name other files or network addresses;
// a probe must read the one file it was given and nothing else.
int refuseOtherInputs(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

struct IoContextFree {
  void operator()(AVIOContext* io) const {
    // FFmpeg may have replaced the buffer it was given
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
};

struct FormatContextClose {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

void silenceFfmpegOnce() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

bool nameListHas(const char* names, std::string_view wanted) {
  std::string_view list(names);
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    if (list.substr(0, comma) == wanted) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

// Image demuxers: the "*_pipe" family reads one picture from a stream.
bool isPictureDemuxer(const AVInputFormat& format) {
  const std::string_view name(format.name);
  return name.ends_with("_pipe") || name == "image2" || name == "gif" || name == "apng" ||
         name == "ico";
}

// Containers that hold movies and sound. Anything else FFmpeg can name
// (text art, subtitles, playlists, session descriptions, raw elementary
// streams) is not a movie to the user.
bool isMovieDemuxer(const AVInputFormat& format) {
  static constexpr std::string_view kContainers[] = {
      "mov", "avi",  "matroska", "mpeg", "mpegts", "asf", "flv", "wav",   "w64",   "mp3", "aac",
      "ac3", "eac3", "flac",     "ogg",  "aiff",   "caf", "amr", "amrnb", "amrwb", "au",  "rm",
      "mxf", "dv",   "nut",      "wv",   "ape",    "tta", "dts", "mpc",   "mpc8",  "voc", "wtv",
  };
  for (std::string_view container : kContainers) {
    if (nameListHas(format.name, container)) return true;
  }
  return false;
}

bool isStillImageCodec(AVCodecID codec) {
  switch (codec) {
    case AV_CODEC_ID_MJPEG:
    case AV_CODEC_ID_JPEGLS:
    case AV_CODEC_ID_PNG:
    case AV_CODEC_ID_APNG:
    case AV_CODEC_ID_GIF:
    case AV_CODEC_ID_BMP:
    case AV_CODEC_ID_TIFF:
    case AV_CODEC_ID_WEBP:
    case AV_CODEC_ID_JPEG2000:
      return true;
    default:
      return false;
  }
}

bool isUsableVideo(const AVStream& stream) {
  const AVCodecParameters& codec = *stream.codecpar;
  return codec.codec_type == AVMEDIA_TYPE_VIDEO && codec.codec_id != AV_CODEC_ID_NONE &&
         codec.width > 0 && codec.height > 0;
}

bool isUsableAudio(const AVStream& stream) {
  const AVCodecParameters& codec = *stream.codecpar;
  return codec.codec_type == AVMEDIA_TYPE_AUDIO && codec.codec_id != AV_CODEC_ID_NONE &&
         codec.sample_rate > 0 && codec.ch_layout.nb_channels > 0;
}

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// HEIF and AVIF photos (what phones have taken since 2017) keep the picture
// as an item of a "meta" box, which this FFmpeg does not open: they are told
// by an image brand in "ftyp" followed directly by that "meta" box.
bool looksLikeHeifPicture(const ReadOnlyFile& file) {
  std::array<std::uint8_t, 512> head{};
  const std::size_t length = file.readAt(0, head);
  if (length < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0) return false;
  const std::uint32_t ftypLength = bigEndian32(head.data());
  // the "meta" header must follow within what was read
  if (ftypLength < 16 || ftypLength % 4 != 0 || ftypLength > length - 8) return false;
  if (std::memcmp(head.data() + ftypLength + 4, "meta", 4) != 0) return false;

  static constexpr std::string_view kImageBrands[] = {"heic", "heix", "heim",
                                                      "heis", "mif1", "avif"};
  // the major brand at 8, then the compatible brands from 16
  for (std::uint32_t at = 8; at + 4 <= ftypLength; at += (at == 8 ? 8 : 4)) {
    const std::string_view brand(reinterpret_cast<const char*>(head.data() + at), 4);
    for (std::string_view imageBrand : kImageBrands) {
      if (brand == imageBrand) return true;
    }
  }
  return false;
}

MediaKind classifyStreams(const AVFormatContext& context) {
  bool hasVideo = false;
  bool hasAudio = false;
  for (unsigned i = 0; i < context.nb_streams; ++i) {
    const AVStream& stream = *context.streams[i];
    // cover art of a song is a picture inside a sound file, not a movie
    if ((stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) continue;
    hasVideo = hasVideo || isUsableVideo(stream);
    hasAudio = hasAudio || isUsableAudio(stream);
  }

  if (isPictureDemuxer(*context.iformat)) return hasVideo ? MediaKind::kPicture : MediaKind::kNone;
  // a single frame of a picture codec in a container is still one picture
  if (context.nb_streams == 1 && hasVideo &&
      isStillImageCodec(context.streams[0]->codecpar->codec_id) &&
      context.streams[0]->nb_frames == 1) {
    return MediaKind::kPicture;
  }
  return (hasVideo || hasAudio) ? MediaKind::kMovie : MediaKind::kNone;
}

}  // namespace

bool isHeifPicture(const std::filesystem::path& path) {
  const ReadOnlyFile file(path);
  return file.usable() && looksLikeHeifPicture(file);
}

MediaKind probeMediaKind(const std::filesystem::path& path) {
  silenceFfmpegOnce();
  ReadOnlyFile file(path);
  if (!file.usable()) return MediaKind::kNone;

  constexpr int kBufferSize = 32 * 1024;
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
  if (buffer == nullptr) return MediaKind::kNone;
  std::unique_ptr<AVIOContext, IoContextFree> io(
      avio_alloc_context(buffer, kBufferSize, 0, &file, readPacket, nullptr, seekTo));
  if (!io) {
    av_free(buffer);
    return MediaKind::kNone;
  }

  const AVInputFormat* format = nullptr;
  const int score = av_probe_input_buffer2(io.get(), &format, "", nullptr, 0, 0);
  // FFmpeg itself calls a format found with so low a score a likely
  // misdetection; random bytes often look like a few MP3 frames
  if (score <= AVPROBE_SCORE_RETRY || format == nullptr) return MediaKind::kNone;
  if (nameListHas(format->name, "mov") && looksLikeHeifPicture(file)) return MediaKind::kPicture;
  if (!isPictureDemuxer(*format) && !isMovieDemuxer(*format)) return MediaKind::kNone;

  AVFormatContext* raw = avformat_alloc_context();
  if (raw == nullptr) return MediaKind::kNone;
  raw->pb = io.get();
  raw->io_open = refuseOtherInputs;
  // on failure avformat_open_input frees the context itself
  if (avformat_open_input(&raw, "", format, nullptr) < 0) return MediaKind::kNone;
  std::unique_ptr<AVFormatContext, FormatContextClose> context(raw);
  if (avformat_find_stream_info(context.get(), nullptr) < 0) return MediaKind::kNone;
  return classifyStreams(*context);
}

}  // namespace orvane

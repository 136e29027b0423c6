#include "core/media_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <vector>

#include "fixtures/media_files.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

using fixtures::ScratchFolder;
using fixtures::writeFileBytes;
using fixtures::writeFileText;

std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(count);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

void appendBox(std::vector<std::uint8_t>& file, const char* type,
               const std::vector<std::uint8_t>& body) {
  const auto length = static_cast<std::uint32_t>(8 + body.size());
  for (int shift = 24; shift >= 0; shift -= 8) {
    file.push_back(static_cast<std::uint8_t>(length >> shift));
  }
  file.insert(file.end(), type, type + 4);
  file.insert(file.end(), body.begin(), body.end());
}

// the literal's own length: brand lists hold NUL bytes (the minor version)
template <std::size_t N>
std::vector<std::uint8_t> brands(const char (&text)[N]) {
  return {text, text + N - 1};
}

class MediaProbe : public ::testing::Test {
 protected:
  ScratchFolder folder;
};

TEST_F(MediaProbe, HeifPhotosArePictures) {
  std::vector<std::uint8_t> heic;
  appendBox(heic, "ftyp", brands("heic\0\0\0\0mif1heic"));
  appendBox(heic, "meta", std::vector<std::uint8_t>(24, 0));
  appendBox(heic, "mdat", std::vector<std::uint8_t>(64, 0x5A));
  writeFileBytes(folder / "IMG_0001.HEIC", heic);
  EXPECT_EQ(probeMediaKind(folder / "IMG_0001.HEIC"), MediaKind::kPicture);
  EXPECT_TRUE(isHeifPicture(folder / "IMG_0001.HEIC"));

  // the same boxes under a movie brand hold no track: nothing
  std::vector<std::uint8_t> notHeif;
  appendBox(notHeif, "ftyp", brands("isom\0\0\0\0isommp41"));
  appendBox(notHeif, "meta", std::vector<std::uint8_t>(24, 0));
  writeFileBytes(folder / "empty.mp4", notHeif);
  EXPECT_EQ(probeMediaKind(folder / "empty.mp4"), MediaKind::kNone);
  EXPECT_FALSE(isHeifPicture(folder / "empty.mp4"));

  // a box length near 4 GiB must not send the check past what was read
  std::vector<std::uint8_t> huge = heic;
  huge[0] = 0xFF;
  huge[1] = 0xFF;
  huge[2] = 0xFF;
  huge[3] = 0xF8;
  writeFileBytes(folder / "huge.heic", huge);
  EXPECT_EQ(probeMediaKind(folder / "huge.heic"), MediaKind::kNone);
}

// Backup files are named by hash, and a name's extension may lie: only the
// bytes count. Playlists and session descriptions would make FFmpeg open
// other files or network sockets; they are not media of their own.
TEST_F(MediaProbe, KindsByTheBytesAndTextPlaylistsJunkAndDamageAreNothing) {
  fixtures::writeTinyPng(folder / "a.png");
  fixtures::writeTinyJpeg(folder / "3d0d7e5fb2ce288813306e4d4636395e047a3d28");
  fixtures::writeTinyMovie(folder / "clip-named.jpg");
  fixtures::writeTinyWav(folder / "0123456789abcdef");
  fixtures::writeTinyMovie(folder / "segment.mov");
  for (const char* name : {"a.png", "3d0d7e5fb2ce288813306e4d4636395e047a3d28"}) {
    EXPECT_EQ(probeMediaKind(folder / name), MediaKind::kPicture) << name;
  }
  for (const char* name : {"segment.mov", "clip-named.jpg", "0123456789abcdef"}) {
    EXPECT_EQ(probeMediaKind(folder / name), MediaKind::kMovie) << name;
  }
  writeFileText(folder / "notes.jpg", "Buy milk\nCall Anna at 5\n");
  writeFileText(folder / "art.ans", "\x1B[1;31mHELLO\x1B[0m\r\n");
  writeFileText(folder / "list.m3u8",
                "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nsegment.mov\n#EXT-X-ENDLIST\n");
  writeFileText(folder / "call.sdp",
                "v=0\no=- 0 0 IN IP4 127.0.0.1\ns=x\nc=IN IP4 127.0.0.1\nt=0 0\n"
                "m=audio 5004 RTP/AVP 0\n");
  writeFileText(folder / "list.ffconcat", "ffconcat version 1.0\nfile segment.mov\n");
  writeFileBytes(folder / "random.mp3", randomBytes(256 * 1024, 1));
  writeFileBytes(folder / "empty.png", {});
  auto png = fixtures::tinyPngBytes();
  png.resize(20);  // the signature and a cut header
  writeFileBytes(folder / "cut.png", png);
  // a FIFO must not block the probe waiting for a writer
  ASSERT_EQ(::mkfifo((folder / "pipe.jpg").c_str(), 0600), 0);
  for (const char* name : {"notes.jpg", "art.ans", "list.m3u8", "call.sdp", "list.ffconcat",
                           "random.mp3", "empty.png", "cut.png", "pipe.jpg", "missing.jpg", ""}) {
    EXPECT_EQ(probeMediaKind(folder / name), MediaKind::kNone) << name;
  }
}

}  // namespace
}  // namespace orvane

#include "ios/plist_nesting.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace orvane {

namespace {

std::string tooDeep() {
  return "nested deeper than " + std::to_string(kDeepestPlistNesting) + " levels";
}

// Element depth of an XML text: every start tag that is not self-closing
// opens a level, every end tag closes one. Comments, CDATA, processing
// instructions and the DOCTYPE (with its internal subset) open none.
std::optional<std::string> xmlNestingProblem(std::string_view text) {
  std::size_t depth = 0;
  std::size_t at = 0;
  const auto skipPast = [&](std::string_view closing) {
    const std::size_t end = text.find(closing, at);
    at = end == std::string_view::npos ? text.size() : end + closing.size();
  };
  while ((at = text.find('<', at)) != std::string_view::npos) {
    const std::string_view rest = text.substr(at);
    if (rest.starts_with("<!--")) {
      skipPast("-->");
    } else if (rest.starts_with("<![CDATA[")) {
      skipPast("]]>");
    } else if (rest.starts_with("<?")) {
      skipPast("?>");
    } else if (rest.starts_with("<!")) {
      int brackets = 0;
      for (++at; at < text.size(); ++at) {
        if (text[at] == '[') ++brackets;
        if (text[at] == ']') --brackets;
        if (text[at] == '>' && brackets <= 0) break;
      }
      ++at;
    } else if (rest.starts_with("</")) {
      if (depth > 0) --depth;
      skipPast(">");
    } else {
      // a '>' inside a quoted attribute value does not end the tag
      char quote = 0;
      for (++at; at < text.size(); ++at) {
        const char c = text[at];
        if (quote != 0) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          break;
        }
      }
      const bool selfClosing = at < text.size() && text[at - 1] == '/';
      ++at;
      if (!selfClosing && ++depth > kDeepestPlistNesting) return tooDeep();
    }
  }
  return std::nullopt;
}

// A binary property list: objects found through an offset table, the
// containers (arrays, sets, dictionaries) naming their members by object
// number. The walk measures the longest chain of containers, meets every
// object at most once, and notices a container that holds itself through
// its members.
class BinaryPlistWalk {
 public:
  explicit BinaryPlistWalk(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::optional<std::string> problem() {
    constexpr std::size_t kTrailerBytes = 32;
    if (bytes_.size() < 8 + kTrailerBytes) return std::nullopt;
    const std::size_t trailer = bytes_.size() - kTrailerBytes;
    offsetBytes_ = bytes_[trailer + 6];
    refBytes_ = bytes_[trailer + 7];
    const std::uint64_t objectCount = be(trailer + 8, 8);
    const std::uint64_t top = be(trailer + 16, 8);
    offsetTable_ = be(trailer + 24, 8);
    const bool sane = offsetBytes_ >= 1 && offsetBytes_ <= 8 && refBytes_ >= 1 && refBytes_ <= 8 &&
                      top < objectCount && offsetTable_ < trailer &&
                      objectCount <= (trailer - offsetTable_) / offsetBytes_;
    if (!sane) return std::nullopt;  // libplist refuses it on its own
    // every object takes at least its marker byte before the table
    if (objectCount > offsetTable_) return "its object table lists more objects than it holds";
    objectCount_ = objectCount;
    height_.assign(static_cast<std::size_t>(objectCount), kUnseen);
    expanded_.assign(static_cast<std::size_t>(objectCount), 0);
    return walkFrom(top);
  }

 private:
  static constexpr std::uint16_t kUnseen = 0;
  static constexpr std::uint16_t kOnPath = 0xFFFF;
  // libplist makes a node of every member each time it is named, so a few
  // objects naming each other twice over expand to billions of nodes.
  static constexpr std::uint64_t kMostNodes = 1u << 25;

  struct Frame {
    std::uint64_t object;
    std::uint64_t firstRef;  // offset of the member numbers
    std::uint64_t refCount;
    std::uint64_t next = 0;
    std::uint16_t height = 1;
    std::uint64_t nodes = 1;
  };

  std::uint64_t be(std::size_t at, std::size_t count) const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = (value << 8) | bytes_[at + i];
    return value;
  }

  // The member list of a container object; a leaf, or an object whose
  // bytes do not hold together, has none.
  Frame open(std::uint64_t object) const {
    Frame frame{object, 0, 0};
    const std::size_t slot = static_cast<std::size_t>(offsetTable_ + object * offsetBytes_);
    const std::uint64_t offset = be(slot, offsetBytes_);
    if (offset >= offsetTable_) return frame;
    const std::uint8_t marker = bytes_[offset];
    const unsigned kind = marker >> 4;
    if (kind != 0xA && kind != 0xC && kind != 0xD) return frame;
    std::uint64_t count = marker & 0x0F;
    std::uint64_t refs = offset + 1;
    if (count == 0x0F) {
      // the count follows as an integer object: 0x1n, then 2^n bytes
      if (refs >= offsetTable_ || (bytes_[refs] >> 4) != 0x1) return frame;
      const std::size_t width = std::size_t{1} << (bytes_[refs] & 0x0F);
      if (width > 8 || refs + 1 + width > offsetTable_) return frame;
      count = be(static_cast<std::size_t>(refs + 1), width);
      refs += 1 + width;
    }
    if (kind == 0xD) {
      if (count > (std::uint64_t{1} << 62)) return frame;
      count *= 2;  // keys, then values
    }
    if (count > (offsetTable_ - refs) / refBytes_) return frame;
    frame.firstRef = refs;
    frame.refCount = count;
    return frame;
  }

  std::optional<std::string> walkFrom(std::uint64_t top) {
    std::vector<Frame> path;
    path.push_back(open(top));
    height_[top] = kOnPath;
    while (!path.empty()) {
      Frame& frame = path.back();
      if (frame.next == frame.refCount) {
        const Frame done = frame;
        path.pop_back();
        height_[done.object] = done.height;
        expanded_[done.object] = static_cast<std::uint32_t>(done.nodes);
        if (!path.empty()) {
          Frame& parent = path.back();
          parent.height = std::max<std::uint16_t>(parent.height, done.height + 1);
          parent.nodes += done.nodes;
          if (parent.nodes > kMostNodes) {
            return "its containers name each other into more than " + std::to_string(kMostNodes) +
                   " items";
          }
        }
        continue;
      }
      const std::uint64_t member =
          be(static_cast<std::size_t>(frame.firstRef + frame.next * refBytes_), refBytes_);
      ++frame.next;
      if (member >= objectCount_) continue;
      const auto index = static_cast<std::size_t>(member);
      if (height_[index] == kOnPath) {
        return "object " + std::to_string(member) + " contains itself through its members";
      }
      if (height_[index] != kUnseen) {
        frame.height = std::max<std::uint16_t>(frame.height, height_[index] + 1);
        frame.nodes += expanded_[index];
        if (frame.height > kDeepestPlistNesting) return tooDeep();
        if (frame.nodes > kMostNodes) {
          return "its containers name each other into more than " + std::to_string(kMostNodes) +
                 " items";
        }
        continue;
      }
      if (path.size() >= kDeepestPlistNesting) return tooDeep();
      height_[index] = kOnPath;
      path.push_back(open(member));
    }
    return std::nullopt;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t offsetBytes_ = 0;
  std::size_t refBytes_ = 0;
  std::uint64_t offsetTable_ = 0;
  std::uint64_t objectCount_ = 0;
  std::vector<std::uint16_t> height_;    // levels below and including the object
  std::vector<std::uint32_t> expanded_;  // nodes libplist makes for the object
};

}  // namespace

std::optional<std::string> plistNestingProblem(std::span<const char> bytes) {
  const std::string_view text(bytes.data(), bytes.size());
  if (text.starts_with("bplist00")) {
    return BinaryPlistWalk({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()})
        .problem();
  }
  return xmlNestingProblem(text);
}

}  // namespace orvane

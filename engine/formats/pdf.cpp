// PDF: the file ends at its last "%%EOF" (with the line end after it). A PDF
// saved with incremental updates has several, so after each one the search
// goes on for a while; a new file starting on a sector after it ends the
// PDF at once.
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "engine/end_finder.h"

namespace orvane::engine {
namespace {

constexpr std::string_view kEof = "%%EOF";
// How far past a "%%EOF" a later update is looked for.
constexpr std::uint64_t kUpdateWindow = 1u << 20;
// A PDF header with no "%%EOF" this far on is taken for a stray header.
constexpr std::uint64_t kMaxWithoutEof = 256u << 20;

class PdfEnd final : public EndFinder {
 public:
  Verdict feed(ByteView block) override {
    const std::uint64_t blockStart = fed_;
    extendOverLineEnd(block, blockStart);
    // The marker may straddle blocks: search the carried tail with the
    // block's head, then the block.
    std::string joined(carry_);
    const std::size_t headBytes = std::min<std::size_t>(block.size(), kEof.size() - 1);
    joined.append(reinterpret_cast<const char*>(block.data()), headBytes);
    for (std::size_t at = joined.find(kEof); at != std::string::npos;
         at = joined.find(kEof, at + 1)) {
      found(blockStart - carry_.size() + at + kEof.size(), block, blockStart);
    }
    for (std::size_t at = block.find(kEof); at != ByteView::npos; at = block.find(kEof, at + 1)) {
      found(blockStart + at + kEof.size(), block, blockStart);
    }
    fed_ += block.size();
    // Keep the last few bytes for a marker that starts at the block's end.
    if (block.size() >= kEof.size() - 1) {
      carry_.assign(reinterpret_cast<const char*>(block.data()) + block.size() - (kEof.size() - 1),
                    kEof.size() - 1);
    } else {
      carry_.append(reinterpret_cast<const char*>(block.data()), block.size());
      if (carry_.size() > kEof.size() - 1) carry_.erase(0, carry_.size() - (kEof.size() - 1));
    }

    if (eofEnd_ != 0 && fed_ >= eofEnd_ + kUpdateWindow) return Verdict::endsAt(eofEnd_);
    if (eofEnd_ == 0 && fed_ >= kMaxWithoutEof) return Verdict::notOne();
    return Verdict::goOn();
  }

  Verdict finish(std::uint64_t fedLength) override {
    return Verdict::endsAt(eofEnd_ != 0 ? eofEnd_ : fedLength);
  }
  std::optional<std::uint64_t> tentativeEndBefore(std::uint64_t fileOffset) const override {
    const auto after = std::upper_bound(ends_.begin(), ends_.end(), fileOffset);
    if (after == ends_.begin()) return std::nullopt;
    return *std::prev(after);
  }
  std::string_view extension() const override { return "pdf"; }

 private:
  void found(std::uint64_t end, ByteView block, std::uint64_t blockStart) {
    if (!ends_.empty() && ends_.back() >= end) return;  // seen across the block edge already
    eofEnd_ = end;
    lineEndBytes_ = 0;
    ends_.push_back(end);
    extendOverLineEnd(block, blockStart);
  }

  // Takes "\r\n", "\r" or "\n" after the marker into the file, as writers
  // end their last line.
  void extendOverLineEnd(ByteView block, std::uint64_t blockStart) {
    while (eofEnd_ != 0 && lineEndBytes_ < 2 && lineEndBytes_ >= 0) {
      if (eofEnd_ < blockStart || eofEnd_ >= blockStart + block.size()) return;
      const std::uint8_t c = block.u8(static_cast<std::size_t>(eofEnd_ - blockStart));
      const bool takes = (lineEndBytes_ == 0 && (c == '\r' || c == '\n')) ||
                         (lineEndBytes_ == 1 && c == '\n' && lastLineEnd_ == '\r');
      if (!takes) {
        lineEndBytes_ = -1;
        return;
      }
      lastLineEnd_ = c;
      ends_.back() = ++eofEnd_;
      ++lineEndBytes_;
    }
  }

  std::uint64_t fed_ = 0;
  std::uint64_t eofEnd_ = 0;
  int lineEndBytes_ = -1;  // line-end bytes taken after the last marker; -1: done
  std::uint8_t lastLineEnd_ = 0;
  std::string carry_;
  std::vector<std::uint64_t> ends_;  // every possible end so far, rising
};

std::unique_ptr<EndFinder> testPdf(ByteView head) {
  if (head.u8(7) < '0' || head.u8(7) > '9') return nullptr;
  return std::make_unique<PdfEnd>();
}

constexpr Signature kSignatures[] = {{0, "%PDF-1."}, {0, "%PDF-2."}};

}  // namespace

extern const Format kPdfFormat;
constexpr Format kPdfFormat{"pdf", "PDF document", kSignatures, testPdf};

}  // namespace orvane::engine

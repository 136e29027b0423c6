// Writes sample documents for the card benchmark into a folder: the kinds
// that need a writer of our own (no installed tool makes them).
#include <cctype>
#include <cstdio>
#include <random>
#include <string>

#include "sample_files.h"
#include "writers.h"

using namespace orvane::engine::testing;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: engine_bench_samples FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::mt19937 random(2024);
  const auto text = [&](std::size_t bytes) {
    std::string out;
    static const char* words[] = {"card ",   "photo ", "holiday ", "beach ",
                                  "report ", "total ", "\n"};
    while (out.size() < bytes) out += words[random() % 7];
    return out;
  };
  for (int i = 0; i < 8; ++i) {
    const std::size_t kb = 20 + 37 * static_cast<std::size_t>(i);
    const std::string n = std::to_string(i);
    writeFile(folder / ("doc" + n + ".doc"),
              compoundFile("doc" + n + ".doc", {{"WordDocument", kb * 1024}, {"1Table", 6000}}));
    writeFile(folder / ("sheet" + n + ".xls"),
              compoundFile("sheet" + n + ".xls", {{"Workbook", kb * 700}}));
    writeFile(folder / ("slides" + n + ".ppt"),
              compoundFile("slides" + n + ".ppt",
                           {{"Current User", 4096}, {"PowerPoint Document", kb * 900}}));
  }
  for (int i = 0; i < 4; ++i) {
    const std::string name = "text" + std::to_string(i) + ".odt";
    writeFile(folder / name,
              streamedZip(name, {{"mimetype", "application/vnd.oasis.opendocument.text"},
                                 {"content.xml", text(40000 + 9000 * static_cast<std::size_t>(i))},
                                 {"manifest.xml", "<manifest/>"}}));
  }
  for (int i = 0; i < 6; ++i)
    writeFile(folder / ("song" + std::to_string(i) + ".mid"),
              midiFile("song" + std::to_string(i) + ".mid", 2 + i));
  for (int i = 0; i < 4; ++i)
    writeFile(folder / ("memo" + std::to_string(i) + ".amr"), amrFile(400 + 300 * i));
  for (int i = 0; i < 4; ++i)
    writeFile(folder / ("letter" + std::to_string(i) + ".rtf"), rtfDocument(150 + 90 * i));
  for (int i = 0; i < 10; ++i)
    writeFile(folder / ("paper" + std::to_string(i) + ".pdf"),
              pdfDocument(i % 3, static_cast<unsigned>(7 + i)));
  for (const char* kind : {"cr2", "cr3", "nef", "arw", "dng", "orf", "rw2", "raf"}) {
    std::string name = std::string("RAW_0001.") + kind;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    writeFile(folder / name, sample(kind).bytes);
  }
  for (int i = 0; i < 3; ++i) {
    writeFile(
        folder / ("stored" + std::to_string(i) + ".rar"),
        rarArchive(4 + i % 2, {{"notes.txt", text(30000 + 5000 * static_cast<std::size_t>(i))},
                               {"more.txt", text(9000)}}));
  }
  for (int i = 0; i < 4; ++i) {
    writeFile(folder / ("log" + std::to_string(i) + ".gz"),
              gzipFile(text(50000 + 20000 * static_cast<std::size_t>(i)), 1 + i % 2));
  }
  return 0;
}

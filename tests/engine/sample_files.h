#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Real files of each format the engine carves, made on the spot: by Debian
// tools (ImageMagick, FFmpeg, 7-Zip) or by small writers here. Each is made
// once per test run and cached in a private temporary folder.
namespace orvane::engine::testing {

using Bytes = std::vector<std::byte>;

struct Sample {
  std::string name;       // what the file is, for messages
  std::string extension;  // what the engine must propose
  Bytes bytes;
};

// The sample for one kind, e.g. "jpg", "docx", "m4a".
const Sample& sample(const std::string& kind);
// Every kind sample() knows.
const std::vector<std::string>& sampleKinds();

Bytes readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const Bytes& bytes);
// Deterministic noise that holds no file header at a sector start.
Bytes noise(std::size_t count, std::uint32_t seed);
// Runs a tool with an argument vector, its output thrown away; throws when
// it cannot be run or fails.
void runTool(const std::vector<std::string>& arguments);
// A private folder under the system temp folder, removed at exit.
const std::filesystem::path& scratchFolder();

}  // namespace orvane::engine::testing

#include "tests/support/dbf_files.h"

#include <fstream>
#include <sstream>

namespace store::testing {

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

uint32_t Le32(const std::string& bytes, size_t offset) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 3])) << 24;
}

uint16_t Le16(const std::string& bytes, size_t offset) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) | static_cast<unsigned char>(bytes[offset + 1])
                                                                               << 8);
}

void PutLe32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

void PutLe16(std::string& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<char>(value);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

std::string Pad(const std::string& value, int width) {
  std::string out = value.substr(0, static_cast<size_t>(width));
  out.resize(static_cast<size_t>(width), ' ');
  return out;
}

std::string PadLeft(const std::string& value, int width) {
  return std::string(static_cast<size_t>(width) - value.size(), ' ') + value;
}

std::string MakeDbf(const std::vector<FieldSpec>& fields, const std::vector<std::vector<std::string>>& records,
                    uint8_t language_driver, const std::vector<size_t>& deleted) {
  size_t header_length = 32 + 32 * fields.size() + 1;
  size_t record_length = 1;
  for (const FieldSpec& field : fields) record_length += static_cast<size_t>(field.width);
  std::string bytes(header_length, '\0');
  bytes[0] = 0x03;
  bytes[1] = 124;  // 2024-05-17
  bytes[2] = 5;
  bytes[3] = 17;
  PutLe32(bytes, 4, static_cast<uint32_t>(records.size()));
  PutLe16(bytes, 8, static_cast<uint16_t>(header_length));
  PutLe16(bytes, 10, static_cast<uint16_t>(record_length));
  bytes[29] = static_cast<char>(language_driver);
  for (size_t i = 0; i < fields.size(); ++i) {
    size_t at = 32 + 32 * i;
    bytes.replace(at, fields[i].name.size(), fields[i].name);
    bytes[at + 11] = fields[i].type;
    bytes[at + 16] = static_cast<char>(fields[i].width);
    bytes[at + 17] = static_cast<char>(fields[i].decimals);
  }
  bytes[header_length - 1] = 0x0D;
  for (size_t r = 0; r < records.size(); ++r) {
    bool is_deleted = false;
    for (size_t d : deleted) is_deleted = is_deleted || d == r;
    bytes.push_back(is_deleted ? '*' : ' ');
    for (const std::string& value : records[r]) bytes += value;
  }
  bytes.push_back(0x1A);
  return bytes;
}

}  // namespace store::testing

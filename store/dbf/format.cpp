#include "store/dbf/format.h"

#include "common/error.h"
#include "platform/codepage.h"

namespace store::dbf {

namespace {

common::Error Damaged(const std::string& reason) { return common::Error(common::FromUtf8(reason)); }

bool IsBlankByte(char c) { return c == ' ' || c == '\0'; }

std::string_view TrimBytes(std::string_view bytes) {
  size_t begin = 0, end = bytes.size();
  while (begin < end && IsBlankByte(bytes[begin])) ++begin;
  while (end > begin && IsBlankByte(bytes[end - 1])) --end;
  return bytes.substr(begin, end - begin);
}

}  // namespace

uint32_t ReadLe32(std::string_view bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

uint16_t ReadLe16(std::string_view bytes, size_t offset) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                               (static_cast<unsigned char>(bytes[offset + 1]) << 8));
}

void WriteLe32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void WriteLe16(std::string& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

int Header::FindField(std::string_view name) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (common::EqualsIgnoreAsciiCase(fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

size_t StatedHeaderLength(std::string_view first_32_bytes) {
  if (first_32_bytes.size() < kFixedHeaderSize) return kFixedHeaderSize;
  return ReadLe16(first_32_bytes, kHeaderLengthOffset);
}

Header ParseHeader(std::string_view bytes) {
  if (bytes.size() < kFixedHeaderSize) throw Damaged("the file is shorter than a table header");
  Header header;
  header.version = static_cast<uint8_t>(bytes[0]);
  if (header.version == 0x04 || header.version == 0x8C) {
    throw Damaged("dBase level 7 tables are not supported");
  }
  if (header.version == 0x02) throw Damaged("dBase II tables are not supported");
  header.record_count = ReadLe32(bytes, kRecordCountOffset);
  header.header_length = ReadLe16(bytes, kHeaderLengthOffset);
  header.record_length = ReadLe16(bytes, kRecordLengthOffset);
  header.mdx_flag = static_cast<uint8_t>(bytes[kMdxFlagOffset]);
  header.language_driver = static_cast<uint8_t>(bytes[kLanguageDriverOffset]);

  size_t position = kFixedHeaderSize;
  size_t offset = 1;
  for (;;) {
    if (position >= bytes.size()) {
      throw Damaged(position >= header.header_length
                        ? "the header has no 0x0D terminator within its stated length of " +
                              std::to_string(header.header_length) + " bytes"
                        : "the file ends inside the header");
    }
    if (bytes[position] == kHeaderTerminator) break;
    if (position + 1 >= header.header_length) {
      throw Damaged("the header has no 0x0D terminator within its stated length of " +
                    std::to_string(header.header_length) + " bytes");
    }
    if (position + kDescriptorSize >= header.header_length) {
      throw Damaged("the field descriptors run past the stated header length of " +
                    std::to_string(header.header_length) + " bytes");
    }
    if (position + kDescriptorSize > bytes.size()) throw Damaged("the file ends inside the header");
    std::string_view descriptor = bytes.substr(position, kDescriptorSize);
    Field field;
    std::string_view name = descriptor.substr(0, kMaxFieldNameLength + 1);
    name = name.substr(0, name.find('\0'));
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    field.name = std::string(name);
    field.type = common::AsciiUpper(descriptor[kFieldTypeOffset]);
    field.width = static_cast<unsigned char>(descriptor[kFieldWidthOffset]);
    field.decimals = static_cast<unsigned char>(descriptor[kFieldDecimalsOffset]);
    field.offset = offset;
    size_t number = header.fields.size() + 1;
    if (field.name.empty()) throw Damaged("field descriptor " + std::to_string(number) + " has no name");
    if (field.width == 0) throw Damaged("field " + field.name + " has width 0");
    offset += static_cast<size_t>(field.width);
    header.fields.push_back(std::move(field));
    position += kDescriptorSize;
  }
  if (header.fields.empty()) throw Damaged("the table has no fields");
  if (header.record_length != offset) {
    throw Damaged("the record length " + std::to_string(header.record_length) +
                  " does not match the field widths (1 + " + std::to_string(offset - 1) + ")");
  }
  return header;
}

std::string DateAndCount(const common::Date& today, uint32_t record_count) {
  std::string bytes(7, '\0');
  bytes[0] = static_cast<char>(today.year - 1900);
  bytes[1] = static_cast<char>(today.month);
  bytes[2] = static_cast<char>(today.day);
  WriteLe32(bytes, kRecordCountOffset - kDateOffset, record_count);
  return bytes;
}

std::string BuildHeader(std::vector<Field>& fields, uint8_t language_driver, uint32_t record_count,
                        const common::Date& today) {
  size_t header_length = kFixedHeaderSize + kDescriptorSize * fields.size() + 1;
  std::string bytes(header_length, '\0');
  bytes[0] = static_cast<char>(kVersionLevel5);
  bytes.replace(kDateOffset, 7, DateAndCount(today, record_count));
  WriteLe16(bytes, kHeaderLengthOffset, static_cast<uint16_t>(header_length));
  size_t offset = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    Field& field = fields[i];
    field.offset = offset;
    offset += static_cast<size_t>(field.width);
    size_t at = kFixedHeaderSize + kDescriptorSize * i;
    bytes.replace(at, field.name.size(), field.name);
    bytes[at + kFieldTypeOffset] = field.type;
    bytes[at + kFieldWidthOffset] = static_cast<char>(field.width);
    bytes[at + kFieldDecimalsOffset] = static_cast<char>(field.decimals);
  }
  WriteLe16(bytes, kRecordLengthOffset, static_cast<uint16_t>(offset));
  bytes[kLanguageDriverOffset] = static_cast<char>(language_driver);
  bytes[header_length - 1] = kHeaderTerminator;
  return bytes;
}

std::string_view CodepageForLanguageDriver(uint8_t id) {
  switch (id) {
    case 0x01:
    case 0x09:
    case 0x0B:
    case 0x0D:
    case 0x0F:
    case 0x11:
    case 0x15:
    case 0x18:
    case 0x19:
    case 0x1B:
      return "ibm-437";
    case 0x02:
    case 0x0A:
    case 0x0E:
    case 0x10:
    case 0x12:
    case 0x14:
    case 0x16:
    case 0x1A:
    case 0x1D:
    case 0x25:
    case 0x37:
      return "ibm-850";
    case 0x08:
    case 0x17:
    case 0x66:
      return "ibm-865";
    case 0x1C:
    case 0x6C:
      return "ibm-863";
    case 0x1F:
    case 0x22:
    case 0x23:
    case 0x40:
    case 0x64:
    case 0x87:
      return "ibm-852";
    case 0x24:
      return "ibm-860";
    case 0x26:
    case 0x65:
      return "ibm-866";
    case 0x67:
      return "ibm-861";
    case 0x6A:
    case 0x86:
      return "ibm-737";
    case 0x6B:
    case 0x88:
      return "ibm-857";
    case 0x03:
    case 0x57:
    case 0x58:
    case 0x59:
      return "windows-1252";
    case 0x7D:
      return "windows-1255";
    case 0x7E:
      return "windows-1256";
    case 0xC8:
      return "windows-1250";
    case kLdidWindows1251:
      return "windows-1251";
    case 0xCA:
      return "windows-1254";
    case 0xCB:
      return "windows-1253";
    case 0xCC:
      return "windows-1257";
    default:
      return {};
  }
}

std::string EncodeCharacter(common::TextView text, const platform::Codepage& codepage, int width) {
  // A character outside the BMP is one character: it becomes a single "?", not two.
  common::Text chars;
  chars.reserve(std::min(text.size(), static_cast<size_t>(width)));
  for (size_t i = 0; i < text.size() && chars.size() < static_cast<size_t>(width); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      c = u'?';
    }
    chars.push_back(c);
  }
  std::string bytes = codepage.Encode(chars);
  bytes.resize(static_cast<size_t>(width), ' ');
  return bytes;
}

std::string EncodeNumber(int64_t value, int width, int decimals) {
  std::string digits = std::to_string(value);
  if (decimals > 0) digits += "." + std::string(static_cast<size_t>(decimals), '0');
  if (digits.size() > static_cast<size_t>(width)) return {};
  return std::string(static_cast<size_t>(width) - digits.size(), ' ') + digits;
}

bool IsNull(const Field& field, std::string_view bytes) {
  std::string_view trimmed = TrimBytes(bytes);
  if (trimmed.empty()) return true;
  // Some writers fill a date without a value with zeros.
  if (field.date() && trimmed == "00000000") return true;
  return field.numeric() && trimmed.find_first_not_of('*') == std::string_view::npos;
}

common::Text DecodeField(const Field& field, std::string_view bytes, const platform::Codepage& codepage) {
  if (IsNull(field, bytes)) return {};
  if (field.type == 'C') {
    size_t end = bytes.size();
    while (end > 0 && IsBlankByte(bytes[end - 1])) --end;
    return codepage.Decode(bytes.substr(0, end));
  }
  std::string_view trimmed = TrimBytes(bytes);
  if (field.numeric() && trimmed.find('.') != std::string_view::npos) {
    while (trimmed.back() == '0') trimmed.remove_suffix(1);
    if (trimmed.back() == '.') trimmed.remove_suffix(1);
    if (trimmed.empty() || trimmed == "-") trimmed = "0";
  }
  return codepage.Decode(trimmed);
}

}  // namespace store::dbf

#include "json_line.h"

#include <cstdio>

#include "registry/windows/wide_text.h"

namespace smeltra::robot {

std::string ToUtf8(std::wstring_view wide) { return Narrow(wide); }

std::wstring FromUtf8(std::string_view utf8) { return Widen(utf8); }

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void JsonObject::Key(std::string_view key) {
  if (!members_.empty()) members_ += ',';
  members_ += JsonString(key);
  members_ += ':';
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view text) {
  Key(key);
  members_ += JsonString(text);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::int64_t number) {
  Key(key);
  members_ += std::to_string(number);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, double number) {
  Key(key);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", number);
  members_ += text;
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool flag) {
  Key(key);
  members_ += flag ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, const RECT& rect) {
  Key(key);
  members_ += "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
              std::to_string(rect.right) + "," + std::to_string(rect.bottom) + "]";
  return *this;
}

JsonObject& JsonObject::AddNull(std::string_view key) {
  Key(key);
  members_ += "null";
  return *this;
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  Key(key);
  members_ += json;
  return *this;
}

std::string JsonArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    out += items[i];
  }
  return out + "]";
}

}  // namespace smeltra::robot

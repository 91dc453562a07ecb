#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace smeltra::robot {

// UTF-16 from the window system to UTF-8 and back; unpaired surrogates become
// U+FFFD rather than failing.
std::string ToUtf8(std::wstring_view wide);
std::wstring FromUtf8(std::string_view utf8);

// A JSON text in the making: one object whose members are added in order.
// Strings are taken as UTF-8 and escaped; nothing is validated beyond that.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view text);
  JsonObject& Add(std::string_view key, const char* text) {
    return Add(key, std::string_view(text));
  }
  JsonObject& Add(std::string_view key, std::wstring_view text) { return Add(key, ToUtf8(text)); }
  JsonObject& Add(std::string_view key, std::int64_t number);
  JsonObject& Add(std::string_view key, int number) { return Add(key, std::int64_t{number}); }
  JsonObject& Add(std::string_view key, unsigned long number) {
    return Add(key, static_cast<std::int64_t>(number));
  }
  JsonObject& Add(std::string_view key, double number);
  JsonObject& Add(std::string_view key, bool flag);
  JsonObject& Add(std::string_view key, const RECT& rect);  // [left, top, right, bottom]
  JsonObject& AddNull(std::string_view key);
  // `json` must already be a JSON text (an object or array built here).
  JsonObject& AddRaw(std::string_view key, std::string_view json);

  std::string Text() const { return "{" + members_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string members_;
};

// Joins JSON texts into an array.
std::string JsonArray(const std::vector<std::string>& items);

std::string JsonString(std::string_view utf8);

}  // namespace smeltra::robot

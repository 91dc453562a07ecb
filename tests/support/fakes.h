#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/launcher_error.h"
#include "common/text.h"
#include "launcher/path_text.h"
#include "launcher/platform.h"
#include "registry/registry.h"

namespace smeltra::testing {

// ASCII letters in upper case, as Windows compares registry and UNC names.
inline std::u16string Folded(std::u16string text) {
  for (char16_t& c : text) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return text;
}

// A fuzz target's invariant: a broken one ends the run, which libFuzzer
// reports as a finding, with its input.
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

// The words of the LauncherError that `call` throws; empty when it throws none.
template <typename Call>
std::u16string ThrownBy(Call&& call) {
  try {
    call();
  } catch (const LauncherError& error) {
    return error.description();
  }
  return {};
}

// A registry in memory that answers like the platform's: the same result
// codes, subkeys in the order they were added, names without regard to ASCII
// case. HKLM has a 64-bit and a 32-bit view (kNative is the 64-bit one);
// HKCU's keys are shared by both views, as on Windows. It records open
// handles, the access masks asked for and the query buffer sizes.
class MemoryRegistry final : public Registry {
 public:
  using KeyId = std::tuple<RegistryView, KeyHandle, std::u16string>;
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::uint32_t grow_on_more_data = 0;  // grows between two queries
  };
  struct Key {
    std::vector<std::u16string> subkeys;
    std::map<std::u16string, Value> values;
    bool denied = false;                                            // every open gets 5
    std::optional<std::pair<std::uint32_t, std::int32_t>> failure;  // EnumKey's code at an index
  };

  // The key at `path`, made with its parents when missing.
  Key& At(RegistryView view, KeyHandle hive, const std::u16string& path) {
    Key* key = &keys_[Id(view, hive, u"")];
    for (std::size_t start = 0, end = 0; end < path.size(); start = end + 1) {
      end = std::min(path.find(u'\\', start), path.size());
      const auto [child, added] = keys_.try_emplace(Id(view, hive, path.substr(0, end)));
      if (added) key->subkeys.push_back(path.substr(start, end - start));
      key = &child->second;
    }
    return *key;
  }
  void SetValue(RegistryView view, KeyHandle hive, const std::u16string& path,
                const std::u16string& name, Value value) {
    At(view, hive, path).values[Folded(name)] = std::move(value);
  }
  static std::vector<std::uint8_t> LeBytes(std::u16string_view units) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : units)
      bytes.insert(bytes.end(), {std::uint8_t(unit), std::uint8_t(unit >> 8)});
    return bytes;
  }
  // Every key closed again, and nothing but KEY_READ asked for, alone or with
  // one view flag (KEY_WOW64_64KEY, KEY_WOW64_32KEY): Windows' values, not ours.
  bool Tidy() const {
    return open.empty() && std::ranges::all_of(access_masks, [](std::uint32_t mask) {
             return mask == 0x20019 || mask == 0x20119 || mask == 0x20219;
           });
  }

  std::map<KeyHandle, std::pair<KeyId, Key*>> open;
  std::vector<std::uint32_t> access_masks;
  std::vector<std::uint32_t> query_sizes;

  std::int32_t OpenKey(KeyHandle parent, std::u16string_view path, std::uint32_t access,
                       KeyHandle& opened) override {
    access_masks.push_back(access);
    auto [view, hive, base] = Where(parent).first;
    if (parent == hive && (access & kKeyWow64_32Key) != 0) view = RegistryView::k32Bit;
    if (!path.empty()) base.append(base.empty() ? u"" : u"\\").append(path);
    const auto key = keys_.find(Id(view, hive, base));
    if (key == keys_.end()) return reg_result::kFileNotFound;
    if (key->second.denied) return reg_result::kAccessDenied;
    opened = next_handle_++;
    open[opened] = {key->first, &key->second};
    return reg_result::kSuccess;
  }
  std::int32_t EnumKey(KeyHandle handle, std::uint32_t index, std::u16string& name) override {
    const Key& key = *Where(handle).second;
    if (key.failure && key.failure->first == index) return key.failure->second;
    if (index >= key.subkeys.size()) return reg_result::kNoMoreItems;
    name = key.subkeys[index];
    return reg_result::kSuccess;
  }
  std::int32_t QueryValue(KeyHandle handle, std::u16string_view value_name, std::uint32_t& type,
                          std::span<std::uint8_t> buffer, std::uint32_t& length) override {
    query_sizes.push_back(length);
    auto& values = Where(handle).second->values;
    const auto value = values.find(Folded(std::u16string(value_name)));
    if (value == values.end()) return reg_result::kFileNotFound;
    auto& [stored_type, data, grow] = value->second;
    type = stored_type;
    const bool fits = data.size() <= std::min<std::size_t>(length, buffer.size());
    length = static_cast<std::uint32_t>(data.size());
    if (!fits) return data.resize(data.size() + grow), reg_result::kMoreData;
    std::ranges::copy(data, buffer.begin());
    return reg_result::kSuccess;
  }
  void CloseKey(KeyHandle handle) override { open.erase(handle); }

 private:
  static KeyId Id(RegistryView view, KeyHandle hive, const std::u16string& path) {
    if (view == RegistryView::kNative || hive == kHkeyCurrentUser) view = RegistryView::k64Bit;
    return {view, hive, Folded(path)};
  }
  // A predefined hive is its own root, in the 64-bit view unless the access
  // mask of the open asks for the other.
  std::pair<KeyId, Key*> Where(KeyHandle handle) {
    if (const auto found = open.find(handle); found != open.end()) return found->second;
    const KeyId root = Id(RegistryView::k64Bit, handle, u"");
    return {root, &keys_[root]};
  }

  std::map<KeyId, Key> keys_;
  KeyHandle next_handle_ = 0x1000;
};

// The bytes of a file saved as "Unicode" by Notepad: UTF-16 little-endian
// with its byte-order mark.
inline std::string Utf16File(std::u16string_view text) {
  const std::vector<std::uint8_t> units = MemoryRegistry::LeBytes(text);
  return "\xFF\xFE" + std::string(units.begin(), units.end());
}

// Runs from C:\Smeltra.exe; records boxes, trace lines and starts in order;
// files exist when listed or written, and can be read when in `contents`;
// variables are set when in `environment`. Its current folder holds a
// planted program at every relative path ("jre\...", "\jre\...",
// "C:jre\..."), so whatever looks there finds one. Nothing can be written
// below a folder in `unwritable`, and a file in `held` cannot be moved.
class FakePlatform final : public Platform {
 public:
  bool CanShowWindows() override { return visible; }
  void ShowMessage(std::u16string_view prompt) override {
    messages.emplace_back(prompt);
    events.push_back(u"box: " + messages.back());
  }
  bool FileExists(const std::u16string& path) override {
    return files.contains(path) || contents.contains(path) || !IsAbsolute(path);
  }
  std::optional<std::string> ReadFile(const std::u16string& path, std::size_t max_bytes) override {
    if (read_error) throw *read_error;
    const auto found = contents.find(path);
    if (found == contents.end()) return std::nullopt;
    return found->second.substr(0, max_bytes + 1);
  }
  std::u16string ExecutablePath() override {
    if (path_error) throw *path_error;
    return executable;
  }
  std::optional<std::u16string> EnvironmentVariable(std::u16string_view name) override {
    const auto found = environment.find(std::u16string(name));
    if (found == environment.end()) return std::nullopt;
    return found->second;
  }
  // Enough of Windows' expansion for the tests: %NAME% of a set variable.
  std::u16string ExpandEnvironment(const std::u16string& text) override {
    std::u16string out = text;
    for (const auto& [name, value] : environment) {
      const std::u16string reference = u'%' + name + u'%';
      for (auto at = out.find(reference); at != out.npos;
           at = out.find(reference, at + value.size()))
        out.replace(at, reference.size(), value);
    }
    return out;
  }
  std::vector<std::u16string> SystemFolders() override {
    return {u"C:\\Windows\\system32", u"C:\\Windows\\System", u"C:\\Windows"};
  }
  void Trace(std::u16string_view line) override { traces.emplace_back(line); }
  // Open, a file cannot be moved, as the Windows platform shares it.
  struct Appending final : Object {
    Appending(FakePlatform* owner, std::u16string file) : platform(owner), path(std::move(file)) {
      platform->appending.insert(path);
    }
    ~Appending() override { platform->appending.erase(platform->appending.find(path)); }
    FakePlatform* platform;
    std::u16string path;
  };
  Owned OpenToAppend(const std::u16string& path) override {
    for (const std::u16string& folder : unwritable)
      if (path.starts_with(folder + u"\\")) throw LauncherError(u"Access is denied.");
    contents[path];
    return std::make_unique<Appending>(this, path);
  }
  void Append(Object& file, std::string_view bytes) override {
    contents[static_cast<Appending&>(file).path].append(bytes);
  }
  std::uint64_t SizeOf(Object& file) override {
    return contents[static_cast<Appending&>(file).path].size();
  }
  bool MoveFile(const std::u16string& from, const std::u16string& to) override {
    if (!contents.contains(from)) return false;
    if (held.contains(from) || held.contains(to) || appending.contains(from) ||
        appending.contains(to)) {
      throw LauncherError(u"In use.");
    }
    contents[to] = contents.at(from);
    contents.erase(from);
    return true;
  }
  std::optional<std::string> ReadFileEnd(const std::u16string& path, std::uint64_t offset,
                                         std::size_t max_bytes) override {
    const auto found = contents.find(path);
    if (found == contents.end()) return std::nullopt;
    const std::string& bytes = found->second;
    const std::size_t cut = bytes.size() - std::min(bytes.size(), max_bytes + 1);
    return bytes.substr(std::max(static_cast<std::size_t>(offset), cut));
  }
  // Windows-1252 as far as Latin-1 reaches, which the tests keep to.
  std::u16string FromSystemCodePage(std::string_view bytes) override {
    std::u16string text;
    for (const char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
    return text;
  }
  std::u16string LocalTime() override { return u"2026-12-07 21:04:33"; }
  std::u16string LocalTimeAt(std::uint64_t moment) override { return u"at " + Decimal(moment); }
  // Short names made long, and ASCII letters in upper case, as Windows
  // compares folders.
  std::u16string ComparableFolder(const std::u16string& folder) override {
    for (const auto& [short_form, long_form] : long_names)
      if (folder.starts_with(short_form))
        return Folded(long_form + folder.substr(short_form.size()));
    return Folded(folder);
  }

  // The kernel: locks another process holds, claims another process holds
  // open with what they record, running processes by id with their creation
  // time. What the launcher does with them goes to `events` in order, with
  // its boxes ("box: ...").
  struct Kernel final : Object {
    Kernel(FakePlatform* owner, std::u16string event, ProcessIdentity process = {})
        : platform(owner), let_go(std::move(event)), identity(process) {}
    FakePlatform* platform;
    std::u16string let_go;  // the event when it goes; empty: none
    ProcessIdentity identity;
    ~Kernel() override {
      if (!let_go.empty()) platform->events.push_back(let_go);
    }
  };
  Owned TakeLock(const std::u16string& name, std::chrono::milliseconds wait) override {
    waits.push_back(wait);
    if (kernel_error) throw *kernel_error;
    if (locked.contains(name)) return events.push_back(u"waited " + name), nullptr;
    events.push_back(u"lock " + name);
    return std::make_unique<Kernel>(this, u"unlock " + name);
  }
  Owned OpenClaim(const std::u16string& name, bool& made) override {
    if (kernel_error) throw *kernel_error;
    const auto found = claims.find(name);
    made = found == claims.end();
    events.push_back(u"claim " + name);
    return std::make_unique<Kernel>(this, u"close " + name,
                                    made ? ProcessIdentity{} : found->second);
  }
  ProcessIdentity ReadClaim(Object& claim) override { return static_cast<Kernel&>(claim).identity; }
  void WriteClaim(Object&, const ProcessIdentity& process) override {
    if (record_error) throw *record_error;
    events.push_back(u"record " + Decimal(process.id));
  }
  Owned PipeInto(const ServerLog&, std::u16string) override {
    return std::make_unique<Kernel>(this, u"pipe gone");
  }
  bool ServedAnywhere(const std::u16string& key) override { return claims.contains(key); }
  Process OpenProcess(std::uint32_t id) override {
    const auto found = running.find(id);
    if (found == running.end()) return {};
    const ProcessIdentity identity{id, found->second};
    return {std::make_unique<Kernel>(this, u"", identity), identity};
  }
  // Appends what the runtime writes to its output, which must be there.
  Process StartHidden(const std::u16string& program, const std::u16string& line,
                      const std::u16string& folder, const std::u16string& output, Object* claim,
                      bool tied, Object* pipe) override {
    if (start_error) throw *start_error;
    starts.push_back({program, line, folder, output});
    events.push_back(claim != nullptr ? u"start, claim handed on" : u"start");
    if (tied) events.back().append(u", tied");
    if (pipe != nullptr) events.back().append(u", piped");
    if (!output.empty()) contents.at(output).append(runtime_writes);
    const ProcessIdentity runtime{4711, 99};
    return {std::make_unique<Kernel>(this, u"", runtime), runtime};
  }
  // The next of `ends`, else `ended_with`.
  std::optional<std::uint32_t> WaitForEnd(Object&, std::chrono::milliseconds wait) override {
    waits.push_back(wait);
    if (ends.empty()) return ended_with;
    const auto ended = ends.front();
    ends.erase(ends.begin());
    return ended;
  }
  void AskToEnd(Object& process) override {
    events.push_back(u"ask " + Decimal(static_cast<Kernel&>(process).identity.id));
    if (ask_error) throw *ask_error;
  }
  // The service manager: its services by name, their command lines, and
  // whether they run.
  ServiceState QueryService(const std::u16string& name, std::u16string& command_line) override {
    const auto found = services.find(name);
    if (found == services.end()) return ServiceState::kNotInstalled;
    command_line = found->second.command_line;
    return service_running.contains(name) ? ServiceState::kRunning : ServiceState::kStopped;
  }
  bool RegisterService(const ServiceSettings& settings) override {
    if (service_error) throw *service_error;
    events.push_back(u"register " + settings.name);
    return services.insert_or_assign(settings.name, settings).second;
  }
  void StartService(const std::u16string& name) override {
    events.push_back(u"start service " + name);
    if (service_start_error) throw *service_start_error;
    service_running.insert(name);
  }
  void StopService(const std::u16string& name, std::chrono::milliseconds wait) override {
    events.push_back(u"stop service " + name);
    waits.push_back(wait);
    if (service_error) throw *service_error;
    service_running.erase(name);
  }
  void DeleteService(const std::u16string& name) override {
    events.push_back(u"delete service " + name);
    services.erase(name);
  }
  void EndTree(Object& process) override {
    events.push_back(u"end tree " + Decimal(static_cast<Kernel&>(process).identity.id));
    if (end_error) throw *end_error;
  }

  std::vector<std::u16string> messages, traces, events;
  std::u16string executable = u"C:\\Smeltra.exe";
  bool visible = true;                                  // the window station
  std::map<std::u16string, std::u16string> long_names;  // short form: long form
  std::set<std::u16string> files;
  std::map<std::u16string, std::string> contents;
  std::map<std::u16string, std::u16string> environment;
  std::optional<LauncherError> path_error, start_error, read_error;
  std::set<std::u16string> unwritable, held;
  std::multiset<std::u16string> appending;           // open to append to
  std::string runtime_writes;                        // to its standard output and error
  std::vector<std::vector<std::u16string>> starts;   // program, command line, folder, output
  std::set<std::u16string> locked;                   // held by other processes
  std::map<std::u16string, ProcessIdentity> claims;  // held open by other processes
  std::map<std::uint32_t, std::uint64_t> running;    // id: creation time
  std::optional<LauncherError> kernel_error, record_error, ask_error, end_error;
  std::optional<std::uint32_t> ended_with;         // what every wait for a process's end finds...
  std::vector<std::optional<std::uint32_t>> ends;  // ...once these first waits found these
  std::vector<std::chrono::milliseconds> waits;    // for locks and processes, in order
  std::map<std::u16string, ServiceSettings> services;
  std::set<std::u16string> service_running;
  std::optional<LauncherError> service_error, service_start_error;
};

}  // namespace smeltra::testing

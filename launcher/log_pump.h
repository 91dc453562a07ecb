#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "launcher/platform.h"
#include "launcher/server_log.h"

namespace smeltra {

// How large server.log grows while a server that lives for months writes
// it, before it rolls at its next line end: five of them kept are enough to
// look back at days of a busy server, and each still opens in an editor.
inline constexpr std::uint64_t kRollBytes = 10 * 1024 * 1024;

// The runtime's output onto its run's log while it runs: chunks appended in
// the order written, and once server.log has reached `roll_bytes`, at the
// next line end, the log rolled as a start rolls it (RollLogs) and
// server.log begun afresh with a header line, the time then `header`. No
// line is cut between two files: one longer than the limit grows the file
// to its end. Holds the log open between chunks and none of their bytes, so
// that what the runtime wrote is in the log however it ends.
class LogPump {
 public:
  LogPump(Platform& platform, const ServerLog& log, std::u16string header,
          std::uint64_t roll_bytes = kRollBytes);

  // Appends `bytes`, rolling where due. A roll that finds a log held leaves
  // server.log growing and is tried again at the first line end of a later
  // chunk: a held log is not tried at each of its lines. A chunk that cannot
  // be written is lost and the next is tried, so that a full disk never
  // stops the server. Never throws; each fault traced once.
  void Take(std::string_view bytes);

 private:
  void Open();
  void Append(std::string_view bytes);
  bool Roll();
  void TraceOnce(std::u16string line);

  Platform& platform_;
  std::u16string path_, header_;
  std::uint64_t roll_bytes_;
  std::uint64_t size_ = 0;
  Platform::Owned file_;
  std::u16string traced_;  // since the last roll
};

}  // namespace smeltra

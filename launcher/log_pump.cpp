#include "launcher/log_pump.h"

#include <algorithm>
#include <utility>

#include "common/launcher_error.h"
#include "launcher/path_text.h"

namespace smeltra {

LogPump::LogPump(Platform& platform, const ServerLog& log, std::u16string header,
                 std::uint64_t roll_bytes)
    : platform_(platform), path_(log.path), header_(std::move(header)), roll_bytes_(roll_bytes) {}

void LogPump::Take(std::string_view bytes) {
  try {
    if (!file_) Open();
    for (bool held = false; !held;) {
      // The byte at which server.log reaches the limit, and the line end there or after.
      const std::uint64_t reach = std::max(roll_bytes_, size_ + 1) - size_ - 1;
      const std::size_t end =
          reach < bytes.size() ? bytes.find('\n', static_cast<std::size_t>(reach)) : bytes.npos;
      if (end == bytes.npos) break;
      Append(bytes.substr(0, end + 1));
      bytes.remove_prefix(end + 1);
      held = !Roll();
    }
    Append(bytes);
  } catch (const std::exception& error) {
    TraceOnce(u"log: " + path_ + u" cannot be written, output lost: " + ErrorDescription(error));
  }
}

void LogPump::Open() {
  file_ = platform_.OpenToAppend(path_);
  size_ = platform_.SizeOf(*file_);
  // Made new by the roll, or by whoever removed the last one.
  if (size_ == 0) Append(HeaderLine(platform_, header_));
}

void LogPump::Append(std::string_view bytes) {
  // Counted here rather than asked of the file at each chunk, which costs
  // as much as the write under Wine; only a writer beside the pump, which
  // the next open counts, goes uncounted.
  platform_.Append(*file_, bytes);
  size_ += bytes.size();
}

bool LogPump::Roll() {
  file_.reset();  // open here, it could not move
  const auto held = RollLogs(platform_, FolderOfFile(path_));
  if (held) {
    TraceOnce(u"log: not rolled, so server.log grows until it can be: " + *held);
  } else {
    traced_.clear();
  }
  Open();
  return !held;
}

void LogPump::TraceOnce(std::u16string line) {
  if (line != traced_) platform_.Trace(traced_ = std::move(line));
}

}  // namespace smeltra

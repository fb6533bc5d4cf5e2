// The process-wide clipboard: one text slot shared by every component of
// the process. Readers and writers that take "the clipboard" use it; an
// application with a desktop clipboard copies between the two at its edge.
#pragma once

#include <mutex>
#include <string>

namespace zel {

/// Text clipboard of the process. Safe to use from several threads.
class TClipboard {
 public:
  /// The text held (empty when nothing was put there).
  std::string AsText() const;
  /// Replaces the text held.
  void SetAsText(const std::string& Value);
  /// Empties the clipboard.
  void Clear();
  /// True when the clipboard holds text.
  bool HasText() const;

 private:
  mutable std::mutex FLock;
  std::string FText;
};

/// The one clipboard of the process.
TClipboard& Clipboard();

}  // namespace zel
